#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "campaign/campaign_state.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "frontend/game.h"
#include "frontend/launch.h"
#include "frontend/mission_select.h"
#include "platform/scripted_input.h"
#include "tests/pilot/autopilot.h"
#include "tests/test_support.h"

// The campaign flown by the autopilot: the real missions' levels, the real flight step, keys
// only. Each mission prints its figures.
namespace {

namespace fs = std::filesystem;

const int kStepLimit = 60 * 60 * 45;  // three quarters of an hour of game time
const int kGiveUpDry = 60 * 10;       // steps lost or with an empty tank, as a player would retry
const int kCreditsPerStudent = 25;
const int kCreditsPerCoin = 5;
const int kCreditsPerLevel = 100;
// The thrust and the game's objects draw on rand(): each flight is seeded alike.
const unsigned kCampaignSeed = 4;

struct Levels {
    int thrust = 1, fuel = 1, hull = 1, turn = 1, weapon = 1;
};

// One mission flown as the front end flies it: one step per frame, with the keys the autopilot
// holds.
struct MissionRun {
    int result = 0;  // what the last World::update returned: 1 in orbit
    int steps = 0;
    int rescued = 0, total = 0, killed = 0, coins = 0;
    float fuel = 0, hull = 0;
    double seconds = 0;
    std::string log;

    int credits() const { return kCreditsPerStudent * rescued + kCreditsPerCoin * coins; }
};

MissionRun flyMission(int mission, const Levels& levels, unsigned seed = 1) {
    resetCampaign();
    g_thrustLevel = levels.thrust;
    g_fuelLevel = levels.fuel;
    g_hullLevel = levels.hull;
    g_turnLevel = levels.turn;
    g_weaponLevel = levels.weapon;
    std::srand(seed);
    useScriptedInput();
    auto start = std::chrono::steady_clock::now();

    char map[32], objects[32];
    std::snprintf(map, sizeof map, "data/world%02d", mission);
    std::snprintf(objects, sizeof objects, "data/objects%02d", mission);
    World world(g_worldSize[mission]);
    world.loadMap(map);
    world.loadObjects(objects);
    myContactListener listener;
    world.physics->SetContactListener(&listener);
    g_mission = mission;
    launchShip(&world);

    MissionRun run;
    run.total = world.studentsTotal;
    Autopilot pilot(&world);
    // A ship lost, or dry for a while, ends the flight as a player's retry would.
    while (run.result == 0 && run.steps < kStepLimit && world.deadFrames < kGiveUpDry) {
        pilot.step();
        run.result = world.update();
        run.steps++;
        if (world.rocket) {
            run.fuel = world.rocket->fuel;
            run.hull = world.rocket->hull;
        }
    }
    run.rescued = world.studentsRescued;
    run.killed = world.studentsKilled;
    run.coins = world.coinsCollected;
    run.log = pilot.logText();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "mission %d (levels thrust %d fuel %d hull %d turn %d weapon %d): %s, %d of %d students, "
        "%d coins, %d steps, fuel %.3f, hull %.3f, %.1f s\n",
        mission, levels.thrust, levels.fuel, levels.hull, levels.turn, levels.weapon,
        run.result == 1 ? "orbit" : "lost", run.rescued, run.total, run.coins, run.steps, run.fuel,
        run.hull, run.seconds);
    return run;
}

// What the shop could have bought with a campaign's credits, 100 a level: fuel first (the
// missions grow), then hull (cannons), then weapons (shorter fights), then the rest.
Levels levelsFor(int credits) {
    Levels levels;
    int* const order[] = {&levels.fuel,   &levels.hull, &levels.hull,   &levels.weapon,
                          &levels.weapon, &levels.hull, &levels.fuel,   &levels.thrust,
                          &levels.turn,   &levels.hull, &levels.weapon, &levels.fuel};
    int bought = credits / kCreditsPerLevel;
    for (int i = 0; bought > 0; i = (i + 1) % 12) {
        if (*order[i] < 8) {
            (*order[i])++;
            bought--;
        }
    }
    return levels;
}

// The campaign so far: each mission flown once, at the levels the credits of the missions
// before it bought, so each flight's credits are that mission's best.
const MissionRun& campaignFlight(int mission) {
    static std::map<int, MissionRun> flights;
    auto found = flights.find(mission);
    if (found != flights.end()) {
        return found->second;
    }
    int credits = 0;
    for (int earlier = 0; earlier < mission; earlier++) {
        credits += campaignFlight(earlier).credits();
    }
    return flights[mission] = flyMission(mission, levelsFor(credits), kCampaignSeed);
}

TEST(Campaign, FirstMissionsRescueEveryStudentAtTheStartingLevels) {
    for (int mission = 0; mission < 2; mission++) {
        SCOPED_TRACE(mission);
        const MissionRun& run = campaignFlight(mission);
        EXPECT_EQ(run.result, 1) << run.log;
        EXPECT_EQ(run.total, g_maxStudents[mission]);
        EXPECT_EQ(run.rescued, run.total) << run.log;
        EXPECT_EQ(run.killed, 0) << run.log;
        EXPECT_LE(run.credits(), g_maxCredits[mission]);
        EXPECT_EQ(run.credits(),
                  kCreditsPerStudent * g_maxStudents[mission] + kCreditsPerCoin * run.coins);
    }
}

TEST(Campaign, LaterMissionsReachOrbitWithHalfTheStudentsOnBoughtUpgrades) {
    for (int mission = 2; mission < 4; mission++) {
        SCOPED_TRACE(mission);
        const MissionRun& run = campaignFlight(mission);
        EXPECT_EQ(run.result, 1) << run.log;
        EXPECT_EQ(run.total, g_maxStudents[mission]);
        EXPECT_GE(2 * run.rescued, run.total) << run.log;
        EXPECT_LE(run.credits(), g_maxCredits[mission]);
    }
}

// The whole program from the title: NEW GAME, mission 0 flown by the autopilot through the keys,
// the results confirmed, mission select opening mission 1, the progress file holding the flight.
TEST(Campaign, NewGameFliesMissionZeroThroughTheWholeProgram) {
    REQUIRE_GL();
    const int kFrameLimit = 60 * 60 * 15;
    std::string top = fs::current_path().string();
    fs::path folder = makeGameFolder();
    ASSERT_EQ(chdir(folder.c_str()), 0);

    resetCampaign();
    std::srand(1);
    ScriptedInput& input = useScriptedInput();
    input.hold(GLFW_KEY_DOWN);  // to NEW GAME
    std::unique_ptr<Autopilot> pilot;
    World* flown = nullptr;
    int rescued = -1, coins = -1, unlocked = -1, selectFrames = 0;
    bool results = false, confirmed = false;
    input.onSwap = [&] {
        int state = runningGameState();
        if (input.swaps >= kFrameLimit || unlocked >= 0) {
            input.releaseAll();
            input.hold(GLFW_KEY_ESCAPE);
        } else if (input.swaps == 1) {
            input.releaseAll();
        } else if (input.swaps == 2) {
            input.hold(GLFW_KEY_ENTER);
        } else if (state == FlightState) {
            if (runningWorld() != flown) {
                flown = runningWorld();
                pilot = std::make_unique<Autopilot>(flown);
            }
            rescued = flown->studentsRescued;
            coins = flown->coinsCollected;
            pilot->step();
        } else if (state == ResultsState && !results) {
            results = true;
            input.releaseAll();
        } else if (state == ResultsState) {
            input.hold(GLFW_KEY_Z);
            confirmed = true;
        } else if (state == MissionSelectState && confirmed && ++selectFrames == 2) {
            unlocked = g_lastUnlocked;  // as its first step left it
        }
    };
    runGame();
    input.onSwap = nullptr;
    ASSERT_EQ(chdir(top.c_str()), 0);
    std::printf("the program's mission 0: %d students, %d coins, %d frames\n", rescued, coins,
                input.swaps);

    ASSERT_TRUE(results) << "orbit reached\n" << (pilot ? pilot->logText() : "");
    EXPECT_GE(rescued, 1);
    EXPECT_EQ(unlocked, 1) << "mission select opens mission 1";
    std::ifstream save(folder / "data" / "savegame", std::ios::binary);
    int32_t best[2] = {-1, -1};
    save.read(reinterpret_cast<char*>(best), sizeof best);
    EXPECT_EQ(best[0], rescued);
    EXPECT_EQ(best[1], kCreditsPerStudent * rescued + kCreditsPerCoin * coins);
}

}  // namespace
