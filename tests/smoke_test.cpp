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
