// Mission 0 teaches flying and landing: a mesa with the pad in the middle, three students on
// open, flat ground, the first a short hop from the pad, no cannons.
#include "tools/levels/missions.h"
#include "tools/levels/terrain.h"

using namespace levelgen;

namespace {

const uint32_t kSeed = 1000;

const MissionLayout& kLayout = kMissionLayouts[0];

void shapeLand(TileGrid& map) {
    std::vector<Point> knots = {{4, 60},   {12, 58},  {18, 50},  {30, 46}, {40, 48},
                                {46, 40},  {52, 36},  {55, 50},  {57, 62}, {71, 62},
                                {73, 55},  {80, 51},  {86, 42},  {90, 32}, {98, 30},
                                {103, 44}, {107, 62}, {110, 70}, {123, 70}};
    std::vector<int> heights = groundProfile(map.width(), knots, 3.0, 16.0, kSeed);
    raiseGround(map, heights, 10.0, 12.0, kSeed + 2);
    noiseCaves(map, 4, 5, 123, 45, 22.0, 0.045, kSeed + 3);
    smoothRock(map, 1, 1, map.width() - 1, map.height() - 1, 2);
    clearSpecks(map, 16);
    frameMap(map, 4, 3, kSeed + 1);
}

// The mesa: a table of rock with the pad on top and undercut flanks.
void mesa(TileGrid& map) {
    fillBlob(map, 64, 50, 8, 12, 0.15, kSeed + 30, Brush::Rock);
    flatFloor(map, 55, 73, kLayout.padTop, 3, 60, Brush::Air);
    fillBlob(map, 53, 56, 2.5, 4, 0.2, kSeed + 31, Brush::Air);
    fillBlob(map, 75, 57, 2.5, 3, 0.2, kSeed + 32, Brush::Air);
}

// A sinkhole in the left hills opens into a cave with a broad flat floor.
void leftCave(TileGrid& map) {
    fillBlob(map, 26, 27, 17, 9, 0.15, kSeed + 10, Brush::Cave);
    fillTunnel(map, {{29, 50}, {28, 42}, {27, 34}}, 4.5, 1.0, kSeed + 11, Brush::Cave);
    fillTunnel(map, {{29, 54}, {29, 44}}, 4.0, 0.5, kSeed + 12, Brush::Air);
    // A side grotto behind a plug of breakable rock.
    fillBlob(map, 49, 24, 5, 4, 0.2, kSeed + 13, Brush::Cave);
    fillRect(map, 42, 20, 44, 27, Brush::Crumbly);
    teeth(map, 10, 18, 44, 38, 0.62, 3, kSeed + 14);
    flatFloor(map, 12, 38, 21, 3, 6, Brush::Cave);
    flatFloor(map, 45, 53, 21, 2, 4, Brush::Cave);
    crumblyVeins(map, 5, 10, 50, 50, 0.66, 2, kSeed + 15);
}

// The right: a valley with a rubble heap, a cave under the plateau, and a rock arch over the
// plateau's far end.
void rightSide(TileGrid& map) {
    flatFloor(map, 75, 85, 52, 3, 6, Brush::Air);
    fillBlob(map, 93, 32, 4, 3, 0.3, kSeed + 20, Brush::Crumbly);
    fillBlob(map, 111, 48, 9, 6, 0.2, kSeed + 21, Brush::Cave);
    fillTunnel(map, {{99, 44}, {104, 46}, {108, 48}}, 3.0, 0.5, kSeed + 22, Brush::Cave);
    teeth(map, 100, 40, 121, 56, 0.55, 2, kSeed + 23);
    fillBlob(map, 116, 83, 7, 2.5, 0.2, kSeed + 24, Brush::Rock);
    fillTunnel(map, {{122, 72}, {121, 80}, {118, 83}}, 1.5, 0.3, kSeed + 25, Brush::Rock);
    flatFloor(map, 106, 122, 72, 4, 7, Brush::Air);
    ruin(map, 106, 72, 9, 8, kSeed + 26);
}

}  // namespace

Level buildMission0() {
    Level level(kLayout.size, kLayout.size);
    shapeLand(level.map);
    mesa(level.map);
    leftCave(level.map);
    rightSide(level.map);

    addStudent(level, 82, 52);   // on the terrace below the mesa, a short hop from the pad
    addStudent(level, 15, 21);   // on the floor of the cave under the sinkhole
    addStudent(level, 118, 72);  // on the far plateau, under the arch
    return level;
}
