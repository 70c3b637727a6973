#pragma once

// The mission table: one constant row per mission, indexed by g_mission.
const int g_missionCount = 8;

struct Colour {
    float red, green, blue;
};

extern const int g_worldSize[g_missionCount];         // tiles across and up the square map
extern const int g_spawnHeight[g_missionCount];       // metres
extern const float g_waterLevel[g_missionCount];      // metres; 0 means no water
extern const float g_airDensity[g_missionCount];      // density factor of the atmosphere
extern const float g_gravity[g_missionCount];         // m/s^2, negative is down
extern const int g_maxStudents[g_missionCount];
extern const int g_maxCredits[g_missionCount];
extern const int g_unlockThreshold[g_missionCount];   // total of best students that opens it
extern const Colour g_skyLowColour[g_missionCount];   // sky at the bottom of the map
extern const Colour g_skyMidColour[g_missionCount];   // sky at half the map's height
extern const Colour g_skyHighColour[g_missionCount];  // sky at the top of the map
extern const Colour g_waterColour[g_missionCount];
