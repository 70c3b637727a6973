// Mission 2: hills over a deep cave system. Shafts lead down through caverns at three depths
// to an underground sea whose surface lies at y = 25, with beaches and an island.
#include "tools/levels/missions.h"
#include "tools/levels/terrain.h"

using namespace levelgen;

namespace {

const uint32_t kSeed = 3000;
const MissionLayout& kLayout = kMissionLayouts[2];
const double kSpacing = 6.0;  // m between cannons

void shapeLand(TileGrid& map) {
    std::vector<Point> knots = {{4, 196},   {18, 186},  {34, 156},  {52, 142},  {70, 148},
                                {88, 138},  {104, 128}, {114, 130}, {120, 139}, {136, 139},
                                {142, 128}, {160, 132}, {176, 146}, {194, 140}, {212, 150},
                                {230, 176}, {251, 194}};
    std::vector<int> heights = groundProfile(map.width(), knots, 4.0, 18.0, kSeed);
    raiseGround(map, heights, 10.0, 14.0, kSeed + 1);
    noiseCaves(map, 4, 50, 251, 125, 26.0, 0.03, kSeed + 2);
    smoothRock(map, 1, 1, map.width() - 1, map.height() - 1, 3);
    clearSpecks(map, 30);
}

// The hill under the start and its pad.
void pad(TileGrid& map) {
    fillBlob(map, 128, 132, 9, 8, 0.1, kSeed + 10, Brush::Rock);
    ruin(map, 96, 126, 12, 14, kSeed + 11);  // ruins in the hollow west of the pad
    flatFloor(map, 121, 135, kLayout.padTop, 3, 100, Brush::Air);
}

// Three caverns in the middle depths and the shafts and passages that join them to the
// surface above and to the lower caverns below.
void caverns(TileGrid& map) {
    const uint32_t s = kSeed + 20;
    fillBlob(map, 60, 100, 20, 9, 0.2, s, Brush::Cave);
    fillBlob(map, 196, 96, 18, 10, 0.2, s + 1, Brush::Cave);
    fillBlob(map, 128, 84, 24, 10, 0.2, s + 2, Brush::Cave);
    fillTunnel(map, {{72, 150}, {70, 130}, {64, 112}, {62, 104}}, 4.0, 1.0, s + 3, Brush::Cave);
    fillTunnel(map, {{188, 150}, {192, 128}, {196, 106}}, 4.0, 1.0, s + 4, Brush::Cave);
    fillTunnel(map, {{108, 132}, {104, 116}, {112, 100}, {120, 90}}, 3.5, 1.0, s + 5, Brush::Cave);
    fillTunnel(map, {{76, 98}, {96, 92}, {108, 86}}, 3.0, 1.0, s + 6, Brush::Cave);
    fillTunnel(map, {{150, 84}, {166, 90}, {182, 94}}, 3.0, 1.0, s + 7, Brush::Cave);
    // Lower caverns, each with a way down to the sea.
    fillBlob(map, 40, 66, 15, 7, 0.2, s + 8, Brush::Cave);
    fillBlob(map, 216, 62, 14, 7, 0.2, s + 9, Brush::Cave);
    fillBlob(map, 112, 54, 16, 6, 0.2, s + 10, Brush::Cave);
    fillTunnel(map, {{52, 96}, {44, 84}, {40, 72}}, 3.5, 1.0, s + 11, Brush::Cave);
    fillTunnel(map, {{204, 90}, {212, 78}, {216, 68}}, 3.5, 1.0, s + 12, Brush::Cave);
    fillTunnel(map, {{124, 78}, {118, 66}, {114, 58}}, 3.5, 1.0, s + 13, Brush::Cave);
    fillTunnel(map, {{30, 62}, {24, 50}, {28, 40}}, 3.5, 1.0, s + 14, Brush::Cave);
    fillTunnel(map, {{226, 58}, {232, 48}, {226, 40}}, 3.5, 1.0, s + 15, Brush::Cave);
    fillTunnel(map, {{104, 50}, {96, 42}, {92, 36}}, 3.5, 1.0, s + 16, Brush::Cave);
    teeth(map, 4, 40, 251, 125, 0.7, 3, s + 17);
}

// The sea cavern: a wide hall whose floor lies under water, with beaches at both ends and an
// island in the middle.
void sea(TileGrid& map) {
    const uint32_t s = kSeed + 40;
    fillBlob(map, 128, 32, 112, 22, 0.25, s, Brush::Cave);
    fillBlob(map, 80, 26, 10, 4, 0.2, s + 1, Brush::Rock);
    fillBlob(map, 168, 20, 8, 6, 0.2, s + 2, Brush::Rock);
    teeth(map, 16, 30, 240, 54, 0.72, 4, s + 3);
    crumblyVeins(map, 4, 8, 251, 130, 0.74, 1, s + 4);
}

void students(Level& level) {
    studentShelf(level, 30, 165, 3, 8, Brush::Air);    // a terrace on the left mountain
    studentShelf(level, 214, 152, 8, 3, Brush::Air);   // a terrace on the right hills
    studentShelf(level, 48, 93, 2, 10, Brush::Cave);   // the left cavern's floor
    studentShelf(level, 72, 104, 2, 8, Brush::Cave);   // a ledge in the left cavern
    studentShelf(level, 190, 88, 3, 10, Brush::Cave);  // the right cavern's floor
    studentShelf(level, 114, 76, 3, 9, Brush::Cave);   // the middle cavern, west side
    studentShelf(level, 146, 78, 9, 3, Brush::Cave);   // the middle cavern, east side
    studentShelf(level, 32, 61, 2, 10, Brush::Cave);   // the lower left cavern
    studentShelf(level, 224, 57, 10, 2, Brush::Cave);  // the lower right cavern
    studentShelf(level, 104, 50, 3, 10, Brush::Cave);  // the lower middle cavern
    studentShelf(level, 20, 28, 1, 10, Brush::Cave);   // the left beach
    studentShelf(level, 78, 29, 4, 5, Brush::Cave);    // the island
    studentShelf(level, 236, 28, 10, 1, Brush::Cave);  // the right beach
}

}  // namespace

Level buildMission2() {
    Level level(kLayout.size, kLayout.size);
    const Point start = {kLayout.size / 2.0, static_cast<double>(kLayout.startHeight)};
    shapeLand(level.map);
    caverns(level.map);
    sea(level.map);
    frameMap(level.map, 4, 3, kSeed + 2);
    pad(level.map);
    students(level);

    // Cannons on the hills, in the middle caverns and down by the sea; a shortfall in one
    // band is made up in the next.
    int placed = scatterCannons(level, {4, 120, 251, 230}, 8, kSpacing, start, kSeed + 60);
    placed += scatterCannons(level, {4, 76, 251, 119}, 17 - placed, kSpacing, start, kSeed + 61);
    placed += scatterCannons(level, {4, 26, 251, 75}, kLayout.cannons - placed, kSpacing, start,
                             kSeed + 62);
    return level;
}
