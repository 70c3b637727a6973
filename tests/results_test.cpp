#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "campaign/campaign_state.h"
#include "frontend/progress.h"
#include "frontend/results.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

namespace {

// Each test runs in a scratch folder of its own, where the screen writes data/savegame.
class Results : public CampaignTest {
protected:
    InScratchFolder scratch;

    // One pass of the main loop: several steps with the same keys.
    int frame(std::initializer_list<int> keys, int steps = 3) {
        press(keys);
        int confirms = 0;
        for (int i = 0; i < steps; i++) {
            confirms += resultsUpdate();
        }
        return confirms;
    }
};

long fileSize(const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<long>(in.tellg()) : -1;
}

TEST_F(Results, LinesShowTheResultBesideTheBestAndTheTotalWithOnlyTheImprovement) {
    g_bestStudents[0] = 3;
    g_bestStudents[1] = 2;
    g_bestCredits[0] = 75;
    g_bestCredits[1] = 200;
    g_mission = 1;
    recordResults(5, 150);
    EXPECT_EQ(resultsLine(0), "STUDENTS DELIVERED:  5");
    EXPECT_EQ(resultsLine(1), "MISSION BEST:        2");
    EXPECT_EQ(resultsLine(2), "TOTAL DELIVERED:     8");
    EXPECT_EQ(resultsLine(3), "CREDITS SCORED:  150");
    EXPECT_EQ(resultsLine(4), "MISSION BEST:    200");
    EXPECT_EQ(resultsLine(5), "TOTAL CREDITS:   275") << "below the best: the sum unchanged";

    recordResults(12, 12345);
    g_bestCredits[1] = -5;
    EXPECT_EQ(resultsLine(0), "STUDENTS DELIVERED: 12");
    EXPECT_EQ(resultsLine(3), "CREDITS SCORED: 12345") << "wider numbers take what they need";
    EXPECT_EQ(resultsLine(4), "MISSION BEST:     -5");
}

TEST_F(Results, AKeyHeldFromTheFlightActsOnlyAfterRelease) {
    g_mission = 0;
    recordResults(1, 25);
    EXPECT_EQ(frame({GLFW_KEY_Z}), 0);
    EXPECT_EQ(g_bestStudents[0], 0);
    EXPECT_EQ(fileSize("data/savegame"), -1);
    EXPECT_EQ(frame({}), 0);
    EXPECT_EQ(frame({GLFW_KEY_ENTER}), 1) << "once per pass, however many steps";
    EXPECT_EQ(g_bestStudents[0], 1);
    EXPECT_EQ(g_bestCredits[0], 25);
    EXPECT_EQ(fileSize("data/savegame"), 40);
}

TEST_F(Results, ConfirmRaisesEachBestOnItsOwnAndRewritesTheFileEveryTime) {
    g_mission = 2;
    g_bestStudents[2] = 7;
    g_bestCredits[2] = 300;
    recordResults(6, 400);  // fewer students, more coins
    frame({});
    // In the frame of the confirm the bests are raised while the totals stay what they showed.
    std::string totalBefore = resultsLine(5);
    EXPECT_EQ(frame({GLFW_KEY_Z}), 1);
    EXPECT_EQ(g_bestStudents[2], 7);
    EXPECT_EQ(g_bestCredits[2], 400);
    EXPECT_EQ(resultsLine(4), "MISSION BEST:    400");
    EXPECT_EQ(resultsLine(5), totalBefore);

    // No improvement at all: the file is written again all the same.
    std::remove("data/savegame");
    frame({});
    EXPECT_EQ(frame({GLFW_KEY_Z}), 1);
    EXPECT_EQ(fileSize("data/savegame"), 40);
    resetCampaign();
    loadProgress("data/savegame");
    EXPECT_EQ(g_bestCredits[2], 400);
}

TEST_F(Results, AnUnwritableFileLeavesTheScreenAllTheSame) {
    rmdir("data");
    g_mission = 3;
    recordResults(4, 100);
    frame({});
    EXPECT_EQ(frame({GLFW_KEY_Z}), 1);
    EXPECT_EQ(g_bestStudents[3], 4);
}

}  // namespace
