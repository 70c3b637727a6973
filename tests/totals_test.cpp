#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "campaign/campaign_state.h"
#include "frontend/mission_select.h"
#include "frontend/progress.h"
#include "frontend/results.h"
#include "frontend/shop.h"
#include "frontend/title.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

namespace {

// One accepted shop key: released for a step, then pressed for a few.
void shopKey(int key) {
    press({});
    shopUpdate();
    press({key});
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(shopUpdate(), -1);
    }
}

int levelSum() {
    return g_thrustLevel + g_fuelLevel + g_hullLevel + g_turnLevel + g_weaponLevel;
}

void setBests(int* bests, std::initializer_list<int> values) {
    int m = 0;
    for (int v : values) {
        bests[m++] = v;
    }
}

// A progress file may hold anything: totals of huge bests stay huge and positive on every
// screen, and the shop's credits and levels stay in range.
TEST(ForgedBests, StayInRangeOnEveryScreen) {
    REQUIRE_GL();
    InScratchFolder scratch;
    resetCampaign();
    useScriptedInput();
    setBests(g_bestStudents, {INT_MAX, INT_MAX, 7, 0, 1});
    setBests(g_bestCredits, {INT_MAX, INT_MAX, 100, 0, 1});
    saveProgress("data/savegame");
    resetCampaign();

    // CONTINUE GAME: every mission is open, so the player chooses.
    TitleMenu menu;
    press({GLFW_KEY_Z});
    EXPECT_EQ(titleUpdate(menu), TitleLeaves);
    EXPECT_EQ(missionSelectUpdate(), -1) << "not taken for a new player";
    EXPECT_EQ(g_lastUnlocked, g_missionCount - 1);
    EXPECT_EQ(totalDeliveredText(), "TOTAL STUDENTS DELIVERED: 2147483647");

    // The shop: every level bought up to 8 and sold back down, credits counted exactly.
    EXPECT_EQ(shopUpdate(), -1) << "plenty to buy";
    EXPECT_EQ(g_shopCredits, INT_MAX);
    for (int row = 0; row < 5; row++) {
        for (int i = 0; i < 8; i++) {
            shopKey(GLFW_KEY_RIGHT);
        }
        shopKey(GLFW_KEY_DOWN);
    }
    EXPECT_EQ(levelSum(), 40);
    EXPECT_EQ(g_shopCredits, INT_MAX - 3500);
    for (int i = 0; i < 9; i++) {
        shopKey(GLFW_KEY_LEFT);
    }
    EXPECT_EQ(g_thrustLevel, 1);
    EXPECT_EQ(g_shopCredits, INT_MAX - 2800);
    EXPECT_EQ(creditsLine(), "Credits: 2147480847");

    // The results screen's totals, also when the result beats a forged negative best.
    g_mission = 1;
    recordResults(3, 75);
    EXPECT_EQ(resultsLine(2), "TOTAL DELIVERED:    2147483647");
    EXPECT_EQ(resultsLine(5), "TOTAL CREDITS:  2147483647");
    g_bestStudents[1] = INT_MIN;
    recordResults(INT_MAX, INT_MAX);
    EXPECT_EQ(resultsLine(2), "TOTAL DELIVERED:    2147483647");

    // Huge and negative bests together count by their true sum, whatever their order.
    setBests(g_bestCredits, {INT_MAX, INT_MAX, INT_MIN, 0, 0, 0, 0, 0});
    press({});
    shopUpdate();
    EXPECT_EQ(g_shopCredits, INT_MAX - 1 - 100 * (levelSum() - 5));
    // Negative bests leave nothing to buy: the shop launches at once and keeps its credits.
    setBests(g_bestCredits, {INT_MIN, INT_MIN, 5000, 0, 0, 0, 0, 0});
    int credits = g_shopCredits;
    EXPECT_EQ(shopUpdate(), 1);
    EXPECT_EQ(g_shopCredits, credits);
    setBests(g_bestStudents, {INT_MIN, INT_MIN, 40, 0, 0, 0, 0, 0});
    EXPECT_EQ(missionSelectUpdate(), 0) << "no student counts as delivered";
    EXPECT_EQ(totalDeliveredText(), "TOTAL STUDENTS DELIVERED: -2147483648");
}

}  // namespace
