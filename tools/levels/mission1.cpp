// Mission 1: canyon country. The pad tops a spire between a mountain wall and a deep gorge;
// three cannons guard three of the five students, and one student waits in a pocket behind a
// breakable wall that the laser must open.
#include "tools/levels/missions.h"
#include "tools/levels/terrain.h"

using namespace levelgen;

namespace {

const uint32_t kSeed = 2000;
const MissionLayout& kLayout = kMissionLayouts[1];

void shapeLand(TileGrid& map) {
    std::vector<Point> knots = {{4, 96},   {14, 92},  {20, 78},  {24, 60}, {30, 48},
                                {42, 44},  {50, 50},  {56, 64},  {59, 75}, {69, 75},
                                {72, 64},  {78, 50},  {82, 30},  {86, 16}, {98, 16},
                                {102, 36}, {106, 70}, {112, 86}, {123, 90}};
    std::vector<int> heights = groundProfile(map.width(), knots, 3.0, 14.0, kSeed);
    raiseGround(map, heights, 9.0, 12.0, kSeed + 1);
    noiseCaves(map, 4, 5, 123, 70, 20.0, 0.04, kSeed + 2);
    smoothRock(map, 1, 1, map.width() - 1, map.height() - 1, 2);
    clearSpecks(map, 16);
    frameMap(map, 4, 3, kSeed + 3);
}

// The spire and its pad, with a clear sky above.
void spire(TileGrid& map) {
    fillBlob(map, 64, 62, 6, 14, 0.1, kSeed + 10, Brush::Rock);
    flatFloor(map, 58, 70, kLayout.padTop, 3, 48, Brush::Air);
    fillBlob(map, 56, 71, 2, 3, 0.2, kSeed + 11, Brush::Air);
    fillBlob(map, 72, 70, 2, 3, 0.2, kSeed + 12, Brush::Air);
}

// A cave mouth high in the mountain wall; a cannon watches it from a crag in the valley.
void mountainCave(TileGrid& map) {
    fillBlob(map, 16, 67, 8, 5, 0.15, kSeed + 20, Brush::Cave);
    fillTunnel(map, {{20, 67}, {27, 68}}, 3.5, 0.5, kSeed + 21, Brush::Air);
    flatFloor(map, 9, 26, 64, 3, 5, Brush::Cave);
    fillTunnel(map, {{34, 46}, {32, 52}}, 2.5, 0.3, kSeed + 23, Brush::Rock);
    flatFloor(map, 30, 34, 56, 4, 4, Brush::Air);
}

// The pocket: a low cave in the mountain's foot whose mouth onto the valley floor is walled up
// with breakable rock.
void pocket(TileGrid& map) {
    flatFloor(map, 35, 52, 46, 4, 8, Brush::Air);
    ruin(map, 40, 46, 11, 10, kSeed + 33);
    fillBlob(map, 29, 48, 6, 3.5, 0.1, kSeed + 30, Brush::Cave);
    flatFloor(map, 24, 36, 46, 3, 4, Brush::Cave);
    fillRect(map, 23, 50, 36, 52, Brush::Rock);
    fillRect(map, 34, 46, 35, 49, Brush::Crumbly);
    crumblyVeins(map, 20, 36, 56, 56, 0.64, 1, kSeed + 32);
}

// The gorge: a student on its floor, a cannon in a niche of its wall.
void gorge(TileGrid& map) {
    fillTunnel(map, {{92, 40}, {92, 22}}, 6.0, 1.0, kSeed + 40, Brush::Air);
    teeth(map, 80, 18, 104, 45, 0.6, 2, kSeed + 42);
    flatFloor(map, 86, 100, 17, 3, 5, Brush::Air);
    fillBlob(map, 102, 26, 3.5, 2.5, 0.2, kSeed + 41, Brush::Cave);
    flatFloor(map, 99, 105, 24, 2, 4, Brush::Cave);
}

// The summit ridge on the right, a student on its shoulder, a cannon on the crest.
void summit(TileGrid& map) {
    flatFloor(map, 104, 114, 84, 3, 6, Brush::Air);
    flatFloor(map, 117, 121, 93, 8, 5, Brush::Air);
}

// A cavern under the spire, reached by a shaft from the valley floor.
void deepCavern(TileGrid& map) {
    fillBlob(map, 64, 24, 12, 6, 0.15, kSeed + 60, Brush::Cave);
    fillTunnel(map, {{46, 45}, {49, 36}, {54, 26}}, 3.0, 0.5, kSeed + 61, Brush::Cave);
    teeth(map, 52, 20, 76, 30, 0.6, 2, kSeed + 62);
    flatFloor(map, 54, 74, 20, 3, 4, Brush::Cave);
}

}  // namespace

Level buildMission1() {
    Level level(kLayout.size, kLayout.size);
    shapeLand(level.map);
    mountainCave(level.map);
    pocket(level.map);
    gorge(level.map);
    summit(level.map);
    spire(level.map);
    deepCavern(level.map);

    addStudent(level, 12, 64);   // in the mountain cave's mouth
    addStudent(level, 30, 46);   // in the walled-up pocket
    addStudent(level, 90, 17);   // on the gorge floor
    addStudent(level, 107, 84);  // on the summit's shoulder
    addStudent(level, 58, 20);   // in the cavern under the spire
    addCannon(level, 32, 56);    // on the crag facing the mountain cave
    addCannon(level, 102, 24);   // in the gorge wall's niche
    addCannon(level, 119, 93);   // on the summit's crest
    return level;
}
