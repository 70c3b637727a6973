#include <gtest/gtest.h>

#include <cmath>

#include "campaign/campaign_state.h"

TEST(Campaign, FreshRunStartsWithNoMissionAndLevelsAtOne) {
    resetCampaign();
    EXPECT_EQ(g_mission, -1);
    EXPECT_EQ(g_thrustLevel + g_fuelLevel + g_hullLevel + g_turnLevel + g_weaponLevel, 5);
    EXPECT_TRUE(g_menuLatch);
    EXPECT_TRUE(std::signbit(g_gravity[4]));
}

namespace {

struct MissionRow {
    int worldSize, spawnHeight;
    float waterLevel, airDensity, gravity;
    int maxStudents, maxCredits, unlockThreshold;
    Colour skyLow, skyMid, skyHigh, water;
};

void expectColour(const Colour& actual, const Colour& expected, int row, const char* name) {
    EXPECT_EQ(actual.red, expected.red) << name << " row " << row;
    EXPECT_EQ(actual.green, expected.green) << name << " row " << row;
    EXPECT_EQ(actual.blue, expected.blue) << name << " row " << row;
}

}  // namespace

// The table row by row, as the missions are designed.
TEST(Campaign, MissionTableHoldsEveryRow) {
    const Colour black = {0, 0, 0}, dusk = {0.1f, 0.05f, 0}, night = {0, 0, 0.2f};
    const MissionRow rows[g_missionCount] = {
        {128, 64, 0, 2.0f, -3.5f, 3, 75, 0, dusk, {0.2f, 0.3f, 0.5f}, night, black},
        {128, 80, 0, 1.5f, -4.0f, 5, 200, 1, dusk, {0.3f, 0.5f, 0.2f}, night, black},
        {256, 144, 25, 1.0f, -2.5f, 13, 1050, 5, dusk, {0.4f, 0.2f, 0.2f}, night, {0.1f, 0, 0.05f}},
        {256,
         144,
         128,
         0.5f,
         -1.5f,
         15,
         1675,
         12,
         dusk,
         {0.1f, 0.3f, 0.3f},
         night,
         {0, 0.05f, 0.1f}},
        {128, 128, 0, 0, -0.0f, 0, 0, 25, black, black, black, black},
        {128, 128, 0, 2.0f, -3.5f, 0, 0, 140, black, black, black, black},
        {128, 128, 0, 2.0f, -3.5f, 0, 0, 140, black, black, black, black},
        {128, 128, 0, 2.0f, -3.5f, 0, 0, 140, black, black, black, black},
    };
    for (int m = 0; m < g_missionCount; m++) {
        const MissionRow& row = rows[m];
        EXPECT_EQ(g_worldSize[m], row.worldSize) << m;
        EXPECT_EQ(g_spawnHeight[m], row.spawnHeight) << m;
        EXPECT_EQ(g_waterLevel[m], row.waterLevel) << m;
        EXPECT_EQ(g_airDensity[m], row.airDensity) << m;
        EXPECT_EQ(g_gravity[m], row.gravity) << m;
        EXPECT_EQ(std::signbit(g_gravity[m]), std::signbit(row.gravity))
            << m << ": -0.0 has its sign";
        EXPECT_EQ(g_maxStudents[m], row.maxStudents) << m;
        EXPECT_EQ(g_maxCredits[m], row.maxCredits) << m;
        EXPECT_EQ(g_unlockThreshold[m], row.unlockThreshold) << m;
        expectColour(g_skyLowColour[m], row.skyLow, m, "sky low");
        expectColour(g_skyMidColour[m], row.skyMid, m, "sky mid");
        expectColour(g_skyHighColour[m], row.skyHigh, m, "sky high");
        expectColour(g_waterColour[m], row.water, m, "water");
    }
}
