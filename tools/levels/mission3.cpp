// Mission 3: a water world. The sea stands at y = 128; the ship starts just above it, over a
// low island. Islands with cliffs, caves and terraces rise from a sea floor full of underwater
// caves, and rocks float in the sky; cannons crowd every shore.
#include "tools/levels/missions.h"
#include "tools/levels/terrain.h"

using namespace levelgen;

namespace {

const uint32_t kSeed = 4000;
const MissionLayout& kLayout = kMissionLayouts[3];
const double kSpacing = 4.0;  // m between cannons: they crowd every shore

void shapeLand(TileGrid& map) {
    std::vector<Point> knots = {
        {4, 160},   {10, 70},   {16, 48},   {20, 132},  {24, 146},  {34, 148},  {40, 164},
        {44, 166},  {48, 150},  {54, 148},  {58, 110},  {64, 46},   {76, 50},   {82, 134},
        {86, 140},  {96, 139},  {100, 120}, {104, 100}, {110, 104}, {115, 131}, {141, 131},
        {146, 80},  {152, 50},  {158, 140}, {178, 146}, {182, 110}, {188, 46},  {194, 60},
        {200, 146}, {210, 150}, {216, 174}, {222, 176}, {228, 160}, {234, 156}, {238, 110},
        {244, 50},  {251, 160}};
    std::vector<int> heights = groundProfile(map.width(), knots, 3.0, 14.0, kSeed);
    raiseGround(map, heights, 5.0, 12.0, kSeed + 1);
    noiseCaves(map, 4, 40, 251, 124, 28.0, 0.03, kSeed + 2);
    smoothRock(map, 1, 1, map.width() - 1, map.height() - 1, 3);
    clearSpecks(map, 30);
}

// A rock floating in the sky: a rounded underside and a flat top whose surface is y = top.
void floatingRock(TileGrid& map, double cx, int top, int halfWidth, uint32_t seed) {
    fillBlob(map, cx, top - 3, halfWidth, 3.5, 0.25, seed, Brush::Rock);
    int x = static_cast<int>(cx);
    flatFloor(map, x - halfWidth + 2, x + halfWidth - 2, top, 2, 4, Brush::Air);
}

// The low island under the start, with its pad.
void homeIsland(TileGrid& map) {
    fillBlob(map, 128, 128, 13, 10, 0.1, kSeed + 10, Brush::Rock);
    flatFloor(map, 120, 136, kLayout.padTop, 3, 100, Brush::Air);
}

// Caves and arches above the sea, hollows below it, and rocks floating in the sky.
void features(TileGrid& map) {
    const uint32_t s = kSeed + 20;
    fillBlob(map, 36, 144, 8, 5, 0.2, s, Brush::Cave);  // the west island's cave
    fillTunnel(map, {{42, 143}, {52, 141}}, 3.0, 0.5, s + 1, Brush::Air);
    fillBlob(map, 170, 146, 3, 5, 0.2, s + 2, Brush::Air);   // the arch on the east islet
    fillBlob(map, 220, 156, 9, 5, 0.2, s + 3, Brush::Cave);  // the east island's cave
    fillTunnel(map, {{212, 155}, {204, 152}}, 3.0, 0.5, s + 4, Brush::Air);
    // Hollows under the sea, open to it.
    fillBlob(map, 36, 100, 12, 8, 0.25, s + 12, Brush::Cave);
    fillTunnel(map, {{46, 100}, {56, 96}, {62, 90}}, 4.0, 1.0, s + 13, Brush::Cave);
    fillBlob(map, 128, 100, 11, 7, 0.25, s + 14, Brush::Cave);
    fillTunnel(map, {{108, 106}, {118, 102}}, 3.5, 1.0, s + 15, Brush::Cave);
    fillBlob(map, 218, 104, 14, 8, 0.25, s + 16, Brush::Cave);
    fillTunnel(map, {{196, 96}, {206, 104}}, 4.0, 1.0, s + 17, Brush::Cave);
    fillTunnel(map, {{148, 92}, {166, 84}, {184, 90}}, 4.0, 1.0, s + 18, Brush::Cave);
    teeth(map, 4, 20, 251, 125, 0.68, 3, s + 9);
    const Point rocks[] = {{66, 160},  {84, 186},  {104, 170}, {152, 176}, {166, 200},
                           {190, 170}, {32, 206},  {224, 212}, {112, 214}, {60, 226},
                           {200, 230}, {144, 224}, {12, 180}};
    for (const Point& rock : rocks) {
        floatingRock(map, rock.x, static_cast<int>(rock.y), 8, s + static_cast<uint32_t>(rock.x));
    }
    crumblyVeins(map, 4, 8, 251, 230, 0.74, 1, s + 10);
    ruin(map, 22, 140, 10, 16, s + 11);   // ruins on the west island's shoulder
    ruin(map, 203, 140, 11, 18, s + 19);  // and on the east island's
}

void students(Level& level) {
    studentShelf(level, 42, 167, 4, 4, Brush::Air);    // the west island's peak
    studentShelf(level, 26, 150, 2, 6, Brush::Air);    // a terrace on its west cliff
    studentShelf(level, 32, 141, 2, 8, Brush::Cave);   // inside its cave
    studentShelf(level, 88, 139, 4, 4, Brush::Air);    // the small islet
    studentShelf(level, 142, 132, 6, 2, Brush::Air);   // the home island's eastern shore
    studentShelf(level, 162, 139, 4, 3, Brush::Air);   // the east islet, west of the arch
    studentShelf(level, 175, 151, 3, 4, Brush::Air);   // the east islet, over the arch
    studentShelf(level, 216, 178, 3, 7, Brush::Air);   // the east island's summit
    studentShelf(level, 226, 153, 2, 8, Brush::Cave);  // inside its cave
    studentShelf(level, 202, 142, 2, 7, Brush::Air);   // its western terrace
    studentShelf(level, 60, 158, 2, 6, Brush::Air);    // on a low floating rock
    studentShelf(level, 80, 186, 3, 8, Brush::Air);    // on a higher one
    studentShelf(level, 170, 200, 8, 3, Brush::Air);   // on another
    studentShelf(level, 28, 206, 3, 8, Brush::Air);    // on the far west one
    studentShelf(level, 228, 212, 8, 3, Brush::Air);   // on the far east one
}

}  // namespace

Level buildMission3() {
    Level level(kLayout.size, kLayout.size);
    const Point start = {kLayout.size / 2.0, static_cast<double>(kLayout.startHeight)};
    shapeLand(level.map);
    features(level.map);
    frameMap(level.map, 4, 3, kSeed + 2);
    homeIsland(level.map);
    students(level);

    int placed = scatterCannons(level, {4, 129, 251, 170}, 40, kSpacing, start, kSeed + 60);
    placed += scatterCannons(level, {4, 129, 251, 230}, kLayout.cannons - placed, kSpacing, start,
                             kSeed + 61);
    return level;
}
