#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "campaign/campaign_state.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "frontend/game.h"
#include "frontend/progress.h"
#include "frontend/shop.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

// The whole program, run as the player runs it, in a folder of its own. Each run opens and
// closes its own window, so every test here runs the game itself and none needs the test
// program's window.
namespace {

namespace fs = std::filesystem;

const int kFrameLimit = 4000;  // a run that has not ended by then has lost its way

// A fresh copy of the game's folder: the repository's pictures and sounds, a copy of its data
// without any progress file.
std::string makeGameFolder() {
    fs::path top = fs::current_path();
    fs::path dir = makeScratchDir();
    fs::create_directory_symlink(top / "graphics", dir / "graphics");
    fs::create_directory_symlink(top / "audio", dir / "audio");
    fs::create_directory(dir / "data");
    if (fs::exists(top / "data")) {
        fs::copy(top / "data", dir / "data", fs::copy_options::recursive);
    }
    fs::remove(dir / "data" / "savegame");
    return dir.string();
}

// Runs the game in `folder` with `held` down from the start and a script called after every
// shown frame (1 for the first).
int playGame(const std::string& folder, std::initializer_list<int> held,
             const std::function<void(int frame)>& script) {
    std::string top = fs::current_path().string();
    EXPECT_EQ(chdir(folder.c_str()), 0);
    g_font = nullptr;
    resetCampaign();
    ScriptedInput& input = useScriptedInput();
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

}  // namespace
