#pragma once

#include "tools/levels/level_map.h"

// What each campaign mission's level must fit: the map's size, the ship's start height, the
// water line and how many students and cannons it offers (25 credits a student, 5 coins of 5
// credits a cannon). The game's own mission table holds the same numbers; the tests compare.
struct MissionLayout {
    int size;          // tiles across and up
    int startHeight;   // metres; the ship starts at x = size / 2
    float waterLevel;  // metres; 0 means no water
    int padTop;        // metres: the surface of the landing pad under the start
    int students;
    int cannons;
};

const int kLevelCount = 4;
extern const MissionLayout kMissionLayouts[kLevelCount];

// The ship must climb above this line to leave the planet.
inline int orbitLine(const MissionLayout& layout) {
    const int kOrbitBelowTop = 16;  // metres
    return layout.size - kOrbitBelowTop;
}

// Each mission's level, built from scratch the same way on every call.
levelgen::Level buildLevel(int mission);
levelgen::Level buildMission0();
levelgen::Level buildMission1();
levelgen::Level buildMission2();
levelgen::Level buildMission3();
