#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "campaign/campaign_state.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "frontend/game.h"
#include "frontend/progress.h"
#include "frontend/results.h"
#include "frontend/shop.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

// The whole program, run as the player runs it, in a folder of its own. Each run opens and
// closes its own window, so every test here runs the game itself and none needs the test
// program's window.
namespace {

namespace fs = std::filesystem;

const int kFrameLimit = 4000;  // a run that has not ended by then has lost its way

// Runs the game in `folder` with `held` down from the start and a script called after every
// shown frame (1 for the first).
int playGame(const std::string& folder, std::initializer_list<int> held,
             const std::function<void(int frame)>& script, bool windowOpens = true) {
    std::string top = fs::current_path().string();
    EXPECT_EQ(chdir(folder.c_str()), 0);
    g_font = nullptr;
    resetCampaign();
    ScriptedInput& input = useScriptedInput();
    input.windowOpen = windowOpens;
    for (int key : held) {
        input.hold(key);
    }
    input.onSwap = [&input, &script] {
        if (input.swaps >= kFrameLimit) {
            ADD_FAILURE() << "still running after " << kFrameLimit << " frames";
            input.hold(GLFW_KEY_ESCAPE);
            return;
        }
        script(input.swaps);
    };
    int status = runGame();
    input.onSwap = nullptr;
    EXPECT_EQ(chdir(top.c_str()), 0);
    return status;
}

void press(int key) {
    scriptedInput().releaseAll();
    scriptedInput().hold(key);
}

void holdClockAtZero() {
    scriptedInput().clock = 0;
    scriptedInput().clockStepPerSwap = 0;
}

void screenshot(const char* name) {
    if (const char* dir = std::getenv("MORVELAN_SCREENSHOTS")) {
        saveScreenshot(std::string(dir) + "/" + name + ".ppm");
    }
}

TEST(Game, StartUpPrintsTheGlStringsAndEscapeEndsAtOnce) {
    std::string folder = makeGameFolder();
    testing::internal::CaptureStdout();
    int status = playGame(folder, {GLFW_KEY_ESCAPE}, [](int) {});
    int swaps = scriptedInput().swaps;
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(swaps, 0);

    std::istringstream lines(output);
    std::string vendor, renderer, version;
    std::getline(lines, vendor);
    std::getline(lines, renderer);
    std::getline(lines, version);
    EXPECT_FALSE(vendor.empty());
    EXPECT_FALSE(renderer.empty());
    EXPECT_NE(version.find('.'), std::string::npos) << version;
}

// With the clock held at 0 the first pass still runs one title step, and only one: a confirm
// held from the start leaves the title, while a move made then uses up the pass's time.
TEST(Game, TheFirstPassRunsExactlyOneTitleStep) {
    std::string folder = makeGameFolder();
    int stateAfterFirst = -1;
    playGame(folder, {GLFW_KEY_ENTER}, [&](int frame) {
        holdClockAtZero();
        if (frame == 1) {
            stateAfterFirst = runningGameState();
        }
        press(GLFW_KEY_ESCAPE);
    });
    EXPECT_EQ(stateAfterFirst, MissionSelectState);
    EXPECT_NE(g_font, nullptr);

    bool left = false;
    int status = playGame(folder, {GLFW_KEY_DOWN}, [&](int frame) {
        holdClockAtZero();
        press(GLFW_KEY_ENTER);
        left = left || runningGameState() != TitleState;
        if (frame == 10) {
            press(GLFW_KEY_ESCAPE);
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(left) << "no step runs while the clock stands";
}

TEST(Game, QuitEndsTheGameInThePassOfTheConfirm) {
    std::string folder = makeGameFolder();
    int status = playGame(folder, {GLFW_KEY_UP}, [](int frame) {
        if (frame == 1) {
            scriptedInput().releaseAll();
        } else if (frame == 2) {
            press(GLFW_KEY_Z);
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(scriptedInput().swaps, 2);
    EXPECT_EQ(g_font, nullptr) << "quitting makes no menu resources";
}

// NEW GAME for a new player skips mission select and the shop, flies mission 0 to orbit with
// UP held, shows the results and saves on leaving them; Escape then ends the next flight.
TEST(Game, NewGameFliesMissionZeroIntoOrbitAndSavesTheResults) {
    std::string folder = makeGameFolder();
    struct Seen {
        bool launched = false, results = false, saved = false, edited = false;
        float mass = 0, fuel = 0, hull = 0, x = 0, y = 0;
        int mission = -1;
    } seen;
    int status = playGame(folder, {GLFW_KEY_DOWN}, [&](int frame) {
        int state = runningGameState();
        World* world = runningWorld();
        if (frame == 1) {
            scriptedInput().releaseAll();
        } else if (frame == 2) {
            press(GLFW_KEY_ENTER);
        } else if (state == FlightState && !seen.launched) {
            // Drawn once before its first step: the ship as the launch left it.
            seen.launched = true;
            seen.mission = g_mission;
            seen.mass = world->rocket->body->GetMass();
            seen.fuel = world->rocket->fuel;
            seen.hull = world->rocket->hull;
            seen.x = world->rocket->body->GetPosition().x;
            seen.y = world->rocket->body->GetPosition().y;
            press(GLFW_KEY_UP);
        } else if (state == ResultsState && !seen.results) {
            seen.results = true;
            scriptedInput().releaseAll();
        } else if (state == ResultsState) {
            press(GLFW_KEY_Z);
        } else if (seen.results && !seen.saved) {
            std::error_code missing;
            seen.saved = fs::file_size(folder + "/data/savegame", missing) == 40;
            scriptedInput().releaseAll();
        } else if (seen.saved && state == FlightState && !world->editorMode) {
            press(GLFW_KEY_TAB);
        } else if (seen.saved && state == FlightState) {
            seen.edited = true;
            press(GLFW_KEY_ESCAPE);
        }
    });
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(seen.launched);
    EXPECT_EQ(seen.mission, 0);
    EXPECT_FLOAT_EQ(seen.mass, 2.5f);
    EXPECT_FLOAT_EQ(seen.fuel, 0.75f);
    EXPECT_FLOAT_EQ(seen.hull, 1.0f);
    EXPECT_FLOAT_EQ(seen.x, 64.0f);
    EXPECT_FLOAT_EQ(seen.y, 64.0f);
    EXPECT_TRUE(seen.results) << "orbit reached";
    EXPECT_TRUE(seen.saved);
    EXPECT_TRUE(seen.edited) << "Escape ends the game from the editor";
}

// A continued game with several missions open: choose mission 1, buy three levels, launch. With
// MORVELAN_SCREENSHOTS set, the title, mission select and shop are saved there.
TEST(Game, ContinueGameChoosesAnOpenMissionThroughTheShop) {
    std::string folder = makeGameFolder();
    resetCampaign();
    const int students[5] = {3, 5, 13, 5, 0};
    const int credits[5] = {75, 200, 900, 125, 0};
    for (int m = 0; m < 5; m++) {
        g_bestStudents[m] = students[m];
        g_bestCredits[m] = credits[m];
    }
    saveProgress((folder + "/data/savegame").c_str());

    // Two levels of weapons and one of turning, each key pressed on a frame of its own.
    const int shopKeys[] = {
        0, GLFW_KEY_RIGHT, 0, GLFW_KEY_RIGHT, 0, GLFW_KEY_DOWN, 0, GLFW_KEY_RIGHT, 0, 0};
    const int shopFrames = sizeof shopKeys / sizeof shopKeys[0];
    int chosen = -1, worldSize = 0, shopCredits = -1;
    int enteredSelect = 0, enteredShop = 0;
    float launchMass = 0;
    int status = playGame(folder, {}, [&](int frame) {
        int state = runningGameState();
        if (frame == 1) {
            screenshot("title");
            press(GLFW_KEY_ENTER);
        } else if (state == MissionSelectState && enteredSelect == 0) {
            enteredSelect = frame;
            scriptedInput().releaseAll();
        } else if (state == MissionSelectState && frame == enteredSelect + 2) {
            press(GLFW_KEY_DOWN);
        } else if (state == MissionSelectState && frame == enteredSelect + 3) {
            scriptedInput().releaseAll();
        } else if (state == MissionSelectState && frame == enteredSelect + 60) {
            screenshot("mission-select");
            press(GLFW_KEY_Z);
        } else if (state == ShopState && enteredShop == 0) {
            enteredShop = frame;
            chosen = g_mission;
            worldSize = runningWorld()->width;
            scriptedInput().releaseAll();
        } else if (state == ShopState && frame - enteredShop <= shopFrames) {
            int key = shopKeys[frame - enteredShop - 1];
            scriptedInput().releaseAll();
            if (key) {
                scriptedInput().hold(key);
            }
        } else if (state == ShopState) {
            shopCredits = g_shopCredits;
            screenshot("shop");
            press(GLFW_KEY_ENTER);
        } else if (state == FlightState) {
            launchMass = runningWorld()->rocket->body->GetMass();
            press(GLFW_KEY_ESCAPE);
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(worldSize, 128);
    EXPECT_EQ(shopCredits, 1300 - 300);
    EXPECT_EQ(g_weaponLevel, 3);
    EXPECT_EQ(g_turnLevel, 2);
    EXPECT_FLOAT_EQ(launchMass, 4.0f) << "half a kilogram per level";
}

// Frames of a new player's first flight (mission 0, reached from NEW GAME without a choice),
// counted from 1; the script is called for every other frame with 0.
std::function<void(int)> inFirstFlight(const std::function<void(int flightFrame)>& script) {
    auto flightFrames = std::make_shared<int>(0);
    return [flightFrames, script](int frame) {
        if (frame == 1) {
            scriptedInput().releaseAll();
        } else if (frame == 2) {
            press(GLFW_KEY_ENTER);
        }
        bool flying = runningGameState() == FlightState;
        script(flying ? ++*flightFrames : 0);
    };
}

// Moves the clock on by whole steps, each added as the loop adds its own, so that the game's
// time and the clock stay comparable to the last bit.
void advanceClock(int steps) {
    for (int i = 0; i < steps; i++) {
        scriptedInput().clock += 1.0 / 60.0;
    }
}

struct Counts {
    int passes, swaps, clockReads;
};

Counts counts() {
    const ScriptedInput& input = scriptedInput();
    return {input.windowChecks, input.swaps, input.clockReads};
}

// A pass makes up all the time the clock has moved on, however much, one counted step per 1/60 s
// (an empty tank counts the flight's steps). The pass that ends the flight neither draws nor
// swaps nor reads the clock, and orbit records 25 credits a student and 5 a coin.
TEST(Game, APassRunsEveryPendingStepAndTheFlightsLastPassShowsNothing) {
    const int kPendingSteps = 600;  // ten seconds behind: far more than any cap would allow
    std::string folder = makeGameFolder();
    int steadySteps = -1, caughtUpSteps = -1, deadFrames = 0;
    Counts atOrbit{}, firstResults{}, secondResults{};
    int resultsFrames = 0;
    int status =
        playGame(folder, {GLFW_KEY_DOWN}, inFirstFlight([&](int flightFrame) {
                     World* world = runningWorld();
                     if (flightFrame == 2) {
                         world->rocket->fuel = 0;
                     } else if (flightFrame == 3) {
                         steadySteps = world->deadFrames - deadFrames;
                         advanceClock(kPendingSteps - 1);
                     } else if (flightFrame == 4) {
                         caughtUpSteps = world->deadFrames - deadFrames;
                         world->studentsRescued = 3;
                         world->coinsCollected = 5;
                         b2Body* ship = world->rocket->body;
                         ship->SetTransform(b2Vec2(ship->GetPosition().x, world->height - 8.0f), 0);
                         atOrbit = counts();
                     } else if (runningGameState() == ResultsState) {
                         resultsFrames++;
                         (resultsFrames == 1 ? firstResults : secondResults) = counts();
                         if (resultsFrames == 2) {
                             press(GLFW_KEY_ESCAPE);
                         }
                     }
                     deadFrames = world ? world->deadFrames : 0;
                 }));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steadySteps, 1) << "one step a pass while the clock keeps pace";
    EXPECT_EQ(caughtUpSteps, kPendingSteps);
    ASSERT_EQ(resultsFrames, 2);
    EXPECT_EQ(g_resultStudents, 3);
    EXPECT_EQ(g_resultCredits, 100);
    // Two passes, the flight's last and the first results pass, against one results pass.
    EXPECT_EQ(firstResults.passes - atOrbit.passes, 2);
    EXPECT_EQ(secondResults.passes - firstResults.passes, 1);
    EXPECT_EQ(firstResults.swaps - atOrbit.swaps, secondResults.swaps - firstResults.swaps);
    EXPECT_EQ(firstResults.clockReads - atOrbit.clockReads,
              secondResults.clockReads - firstResults.clockReads);
}

// A window that never opened, or closes in the middle of a flight, ends the game at the start of
// the next pass with status 0.
TEST(Game, AClosedWindowEndsTheGameWithStatusZero) {
    std::string folder = makeGameFolder();
    EXPECT_EQ(playGame(
                  folder, {}, [](int) {}, false),
              0);
    EXPECT_EQ(scriptedInput().swaps, 0);

    int swapsAtClose = -1;
    int status = playGame(folder, {GLFW_KEY_DOWN}, inFirstFlight([&](int flightFrame) {
                              if (flightFrame == 3) {
                                  scriptedInput().windowOpen = false;
                                  swapsAtClose = scriptedInput().swaps;
                              }
                          }));
    EXPECT_EQ(status, 0);
    EXPECT_GT(swapsAtClose, 0);
    EXPECT_EQ(scriptedInput().swaps, swapsAtClose);
}

}  // namespace
