// Mission 3: a water world. The sea stands at y = 128; the ship starts just above it, over a
// low island. Islands with cliffs, caves and terraces rise from a sea floor full of underwater
// caves, and rocks float in the sky; cannons crowd every shore.
#include "tools/level_missions.h"
#include "tools/level_terrain.h"

using namespace levelgen;

namespace {

const uint32_t kSeed = 4000;
const int kPadTop = 138;
const Point kStart = {128, 144};

void shapeLand(TileGrid& map) {
    std::vector<Point> knots = {
        {4, 160},   {10, 96},   {18, 82},   {24, 126},  {30, 140},  {38, 158}, {46, 166},
        {54, 152},  {58, 140},  {64, 131},  {68, 96},   {74, 80},   {82, 84},  {88, 132},
        {94, 137},  {100, 136}, {104, 116}, {110, 108}, {116, 131}, {140, 131}, {146, 96},
        {152, 84},  {158, 136}, {166, 144}, {174, 152}, {180, 132}, {186, 92},  {192, 96},
        {198, 140}, {206, 160}, {214, 178}, {222, 176}, {230, 150}, {236, 132}, {242, 84},
        {251, 160}};
    std::vector<int> heights = groundProfile(map.width(), knots, 3.0, 14.0, kSeed);
    raiseGround(map, heights, 5.0, 12.0, kSeed + 1);
    noiseCaves(map, 4, 8, 251, 110, 28.0, 0.025, kSeed + 2);
    smoothRock(map, 1, 1, map.width() - 1, map.height() - 1, 3);
    clearSpecks(map, 30);
}

// The low island under the start, with its pad.
void homeIsland(TileGrid& map) {
    fillBlob(map, 128, 128, 14, 10, 0.1, kSeed + 10, Brush::Rock);
    flatFloor(map, 120, 136, kPadTop, 3, 100, Brush::Air);
}

// Caves and arches above the sea, hollows below it, and rocks floating in the sky.
void features(TileGrid& map) {
    const uint32_t s = kSeed + 20;
    fillBlob(map, 40, 142, 9, 5, 0.2, s, Brush::Cave);               // the west island's cave
    fillTunnel(map, {{48, 141}, {58, 139}}, 3.0, 0.5, s + 1, Brush::Air);
    fillBlob(map, 168, 150, 3, 5, 0.2, s + 2, Brush::Air);           // the arch on the east islet
    fillBlob(map, 214, 156, 10, 5, 0.2, s + 3, Brush::Cave);         // the east island's cave
    fillTunnel(map, {{204, 155}, {196, 152}}, 3.0, 0.5, s + 4, Brush::Air);
    fillBlob(map, 84, 186, 10, 3.5, 0.25, s + 5, Brush::Rock);       // floating rocks
    fillBlob(map, 166, 196, 9, 3, 0.25, s + 6, Brush::Rock);
    fillBlob(map, 36, 204, 7, 3, 0.25, s + 7, Brush::Rock);
    fillBlob(map, 224, 212, 8, 3, 0.25, s + 8, Brush::Rock);
    // Hollows under the sea, open to it.
    fillBlob(map, 40, 100, 14, 8, 0.25, s + 12, Brush::Cave);
    fillTunnel(map, {{54, 100}, {66, 104}, {72, 100}}, 4.0, 1.0, s + 13, Brush::Cave);
    fillBlob(map, 128, 96, 12, 7, 0.25, s + 14, Brush::Cave);
    fillTunnel(map, {{110, 108}, {118, 100}}, 3.5, 1.0, s + 15, Brush::Cave);
    fillBlob(map, 214, 104, 16, 8, 0.25, s + 16, Brush::Cave);
    fillTunnel(map, {{190, 98}, {200, 104}}, 4.0, 1.0, s + 17, Brush::Cave);
    fillTunnel(map, {{150, 90}, {170, 80}, {186, 94}}, 4.0, 1.0, s + 18, Brush::Cave);
    teeth(map, 4, 20, 251, 125, 0.68, 3, s + 9);
    crumblyVeins(map, 4, 8, 251, 200, 0.74, 1, s + 10);
    backWallWindows(map, 4, 8, 251, 200, 0.82, s + 11);
}

void students(Level& level) {
    studentShelf(level, 44, 169, 4, 4, Brush::Air);     // the west island's peak
    studentShelf(level, 26, 150, 2, 6, Brush::Air);     // a terrace on its west cliff
    studentShelf(level, 36, 139, 2, 9, Brush::Cave);    // inside its cave
    studentShelf(level, 58, 131, 6, 2, Brush::Air);     // its eastern beach
    studentShelf(level, 88, 141, 4, 4, Brush::Air);     // the small islet
    studentShelf(level, 144, 131, 6, 2, Brush::Air);    // the home island's eastern shore
    studentShelf(level, 162, 140, 4, 3, Brush::Air);    // the east islet, west of the arch
    studentShelf(level, 175, 151, 3, 4, Brush::Air);    // the east islet, over the arch
    studentShelf(level, 210, 177, 3, 7, Brush::Air);    // the east island's summit
    studentShelf(level, 220, 153, 2, 8, Brush::Cave);   // inside its cave
    studentShelf(level, 198, 141, 2, 7, Brush::Air);    // its western terrace
    studentShelf(level, 236, 131, 7, 2, Brush::Air);    // its eastern beach
    studentShelf(level, 80, 190, 3, 8, Brush::Air);     // on a floating rock
    studentShelf(level, 170, 199, 8, 3, Brush::Air);    // on another
    studentShelf(level, 34, 207, 3, 6, Brush::Air);     // on the highest
}

}  // namespace

Level buildMission3() {
    const MissionLayout& layout = kMissionLayouts[3];
    Level level(layout.size, layout.size);
    shapeLand(level.map);
    features(level.map);
    frameMap(level.map, 4, 3, kSeed + 2);
    homeIsland(level.map);
    students(level);

    int placed = scatterCannons(level, {4, 129, 251, 170}, 40, kStart, kSeed + 60);
    placed += scatterCannons(level, {4, 129, 251, 230}, 52 - placed, kStart, kSeed + 61);
    return level;
}
