#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/game.h"
#include "frontend/mission_select.h"
#include "frontend/shop.h"
#include "platform/scripted_input.h"
#include "platform/sound.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

// What the game plays, read from the log of a loopback engine: the real OpenAL path, sources
// recycled as in a long session.
namespace {

namespace fs = std::filesystem;

const int kRate = 44100;
const int kFramesPerSwap = kRate / 60;  // the sound mixed while one frame is shown
const int kFrameLimit = 3000;           // a run that has not ended by then has lost its way

const std::string kMenuMusic = "audio/Deep Space (Qv).mp3";
const std::string kLaunch = "audio/velquist_nebrilo.mp3";
const std::string kTracks[] = {"audio/tarrowin_-_life_underwater.mp3",
                               "audio/tarrowin_-_starman.mp3", "audio/tarrowin_-_sweet_spot.mp3",
                               "audio/tarrowin_-_fizz.mp3"};

std::string describe(const SoundLogEntry& entry) {
    return entry.stopped ? "stop " + entry.file
                         : entry.file + " from " + std::to_string(entry.fromMs);
}

bool isMusicOrLaunch(const std::string& file) {
    return file == kMenuMusic || file == kLaunch ||
           std::find(std::begin(kTracks), std::end(kTracks), file) != std::end(kTracks);
}

// The music and launch events heard since the last call.
std::vector<std::string> musicHeard(SoundEngine* engine) {
    std::vector<std::string> heard;
    for (const SoundLogEntry& entry : engine->takeLog()) {
        if (isMusicOrLaunch(entry.file)) {
            heard.push_back(describe(entry));
        }
    }
    return heard;
}

// Sounds begun since the last call, by file.
std::vector<std::string> begun(SoundEngine* engine) {
    std::vector<std::string> files;
    for (const SoundLogEntry& entry : engine->takeLog()) {
        if (!entry.stopped) {
            files.push_back(entry.file);
        }
    }
    return files;
}

int times(const std::vector<std::string>& files, const std::string& file) {
    return static_cast<int>(std::count(files.begin(), files.end(), file));
}

// Every sound of the game loaded on a loopback engine, as the game loads them.
class SoundFlow : public CampaignTest {
protected:
    void SetUp() override {
        CampaignTest::SetUp();
        engine = SoundEngine::openLoopback(kRate);
        loadSounds(engine);
        if (engine->isSilent()) {
            GTEST_SKIP() << "no loopback sound";
        }
    }
    void TearDown() override {
        g_soundEngine = nullptr;
        delete engine;
    }
    SoundEngine* engine = nullptr;
};

}  // namespace

// Accepted moves blip, refused ones buzz, on mission select (rows 0 to 2 open) and in the shop
// (one level's credits). Each move is an arrow, U, D, L or R, then + for a blip or - for a buzz.
TEST_F(SoundFlow, MenuMovesBlipWhenAcceptedAndBuzzWhenRefused) {
    auto expectMoves = [this](int (*update)(), const std::string& moves) {
        for (size_t i = 0; i + 1 < moves.size(); i += 2) {
            const int key = moves[i] == 'U'   ? GLFW_KEY_UP
                            : moves[i] == 'D' ? GLFW_KEY_DOWN
                            : moves[i] == 'L' ? GLFW_KEY_LEFT
                                              : GLFW_KEY_RIGHT;
            press({});
            update();
            engine->takeLog();
            press({key});
            update();
            update();  // held: latched
            const char* sound = moves[i + 1] == '+' ? "audio/blip.wav" : "audio/buzz.wav";
            EXPECT_EQ(begun(engine), std::vector<std::string>({sound})) << "move " << i / 2;
        }
    };
    g_bestStudents[7] = 5;
    g_missionSelection = 0;
    expectMoves(missionSelectUpdate, "U-D+D+D-U+");
    g_bestCredits[0] = 100;
    g_shopSelection = 0;
    expectMoves(shopUpdate, "U-L-R+R-L+D+D+D+D+D-R+R-");
}

// Each contact rule and each cannon event plays its effect once per event, however many steps
// and contact calls the event spans.
TEST_F(SoundFlow, EachRulePlaysItsEffectOncePerEvent) {
    g_mission = 0;
    const std::vector<std::string> ground = {std::string(63, '#'), std::string(63, '#')};
    const float groundLanding = 3.0f + 0.7425f + 0.015f;  // ship touching the surface y = 3

    {
        SCOPED_TRACE("ship hits the ground hard");
        Sandbox box(ground);
        box.launch(32, groundLanding);
        box.world->rocket->body->SetLinearVelocity(b2Vec2(0, -6.5f));  // 4 m/s past the legs
        float hull = box.world->rocket->hull;
        begun(engine);
        box.tick(60);
        EXPECT_LT(box.world->rocket->hull, hull);
        EXPECT_EQ(times(begun(engine), "audio/hit.wav"), 1);
    }
    {
        SCOPED_TRACE("cannon ball hits the ship");
        Sandbox box({});
        box.launch(32, 30);
        box.world->shots.push_back(
            new Shot(32, 32, box.world, 0, -12, CollisionCategory::CannonBall));
        begun(engine);
        box.tick(30);
        EXPECT_EQ(times(begun(engine), "audio/hit.wav"), 1);
    }
    {
        SCOPED_TRACE("laser hits a cannon, then breaks it");
        Sandbox box({});
        box.launch(32, 40);
        Cannon* cannon =
            new Cannon(32, 30, box.world, box.world->cannonSheet, box.world->gunTexture);
        box.world->cannons.push_back(cannon);
        box.world->shots.push_back(new Shot(28, 30, box.world, 20, 0, CollisionCategory::Laser));
        begun(engine);
        box.tick(30);
        std::vector<std::string> heard = begun(engine);
        EXPECT_EQ(times(heard, "audio/hit2.wav"), 1);
        EXPECT_EQ(times(heard, "audio/explosion.wav"), 0);
        cannon->health = -0.01f;
        box.tick(30);
        EXPECT_TRUE(box.world->cannons.empty());
        EXPECT_EQ(times(begun(engine), "audio/explosion.wav"), 1);
    }
    {
        SCOPED_TRACE("lasers on hard rock and on breakable rock");
        // Row 10: a lone Solid tile at x = 10; Solid at x = 20 with Breakable at x = 21.
        std::vector<std::string> picture(10, std::string(25, '.'));
        picture.front()[9] = '#';
        picture.front()[19] = '#';
        picture.front()[20] = '%';
        Sandbox box(picture);
        box.launch(15, 25);
        // Off the tile's peak, where two terrain cells meet and each contact plays its sound.
        box.world->shots.push_back(
            new Shot(10.3f, 14, box.world, 0, -20, CollisionCategory::Laser));
        begun(engine);
        box.tick(20);
        std::vector<std::string> heard = begun(engine);
        EXPECT_EQ(times(heard, "audio/hit3.wav"), 1);
        EXPECT_EQ(times(heard, "audio/explosion3.wav"), 0);
        box.world->shots.push_back(
            new Shot(20.2f, 14, box.world, 0, -20, CollisionCategory::Laser));
        box.tick(20);
        heard = begun(engine);
        EXPECT_EQ(box.world->getTile(21, 10), Backdrop);
        EXPECT_EQ(times(heard, "audio/explosion3.wav"), 1);
        EXPECT_EQ(times(heard, "audio/hit3.wav"), 0);
    }
    {
        SCOPED_TRACE("students killed by the ship, a laser and a cannon ball");
        Sandbox box({});
        box.launch(32, 30);
        for (float x : {32.3f, 36.0f, 40.0f}) {
            box.world->students.push_back(new Student(x, 30, box.world, box.world->studentSheet));
        }
        box.world->shots.push_back(new Shot(36, 30.1f, box.world, 0, 0, CollisionCategory::Laser));
        box.world->shots.push_back(
            new Shot(40, 30.1f, box.world, 0, 0, CollisionCategory::CannonBall));
        begun(engine);
        box.tick(10);
        EXPECT_TRUE(box.world->students.empty());
        EXPECT_EQ(times(begun(engine), "audio/die.wav"), 3);
    }
    {
        SCOPED_TRACE("coin collected");
        Sandbox box({});
        box.launch(32, 30);
        Coin* coin = new Coin(32.5f, 30.5f, box.world, box.world->coinSheet);
        box.world->coins.push_back(coin);
        coin->body->SetLinearVelocity(b2Vec2(0, 0));
        begun(engine);
        box.world->physics->Step(1.0f / 60, 10, 10);  // two contact calls before its update
        box.world->physics->Step(1.0f / 60, 10, 10);
        box.tick(10);
        EXPECT_EQ(box.world->coinsCollected, 1);
        EXPECT_EQ(times(begun(engine), "audio/coin.wav"), 1);
    }
    {
        SCOPED_TRACE("student boards the landed ship");
        Sandbox box(ground);
        box.launch(20, groundLanding);
        box.tick(60);
        b2Vec2 ship = box.world->rocket->body->GetPosition();
        box.world->students.push_back(
            new Student(ship.x - 0.5f, 3.4f, box.world, box.world->studentSheet));
        begun(engine);
        box.tick(30);
        EXPECT_EQ(box.world->studentsRescued, 1);
        EXPECT_EQ(times(begun(engine), "audio/pickup.wav"), 1);
    }
    {
        SCOPED_TRACE("cannon fires into the sky, never from inside Solid rock");
        // Row 9: Solid at x = 30, under the second cannon's muzzle.
        std::vector<std::string> picture(9, std::string(40, '.'));
        picture.front()[29] = '#';
        Sandbox box(picture);
        box.launch(20, 10);
        box.world->rocket->hull = -1;  // no ship to turn toward: the barrels stay put
        box.tick(1);
        Cannon* up = new Cannon(24, 12, box.world, box.world->cannonSheet, box.world->gunTexture);
        up->body->SetTransform(b2Vec2(24, 12), b2_pi);
        up->phase = 0.99f;
        Cannon* buried =
            new Cannon(30.5f, 10.5f, box.world, box.world->cannonSheet, box.world->gunTexture);
        buried->body->SetTransform(b2Vec2(30.5f, 10.5f), 0);
        buried->phase = 0.99f;
        box.world->cannons.push_back(up);
        box.world->cannons.push_back(buried);
        begun(engine);
        box.tick(250);  // the first shots at update 102, the next at 303
        EXPECT_EQ(times(begun(engine), "audio/shot2.wav"), 1);
    }
}

// Every mission launched in turn through the main loop, each flight left by a retry after a
// while (rows 4 to 7 start in orbit and end at once): the menu music stops at each launch, the
// mission's track starts (none for rows 4 to 7), the launch sound starts 9.2 s in every time, and
// the menu music starts over after each flight. Runs last: the game closes the GL context.
TEST_F(SoundFlow, EveryLaunchIsHeardWithItsTrackAndTheMenuMusicComesBack) {
    const int missions[] = {0, 1, 2, 3, 4, 5, 6, 7, 0};
    const size_t flights = sizeof missions / sizeof missions[0];
    const int kFlightFrames = 150;  // long enough for the menu sounds to end and free their sources
    g_bestStudents[7] = 200;        // every row open; no credits, so the shop launches at once
    g_missionSelection = 0;

    // The game's own folder: leaving the results saves there.
    fs::path top = fs::current_path();
    fs::current_path(makeGameFolder());
    SoundEngine::openLoopbackForDevice(kRate);

    std::vector<std::vector<std::string>> atLaunch;
    int flownFrames = 0, lastState = TitleState;
    std::vector<int16_t> mix(2 * kFramesPerSwap);
    ScriptedInput& input = scriptedInput();
    input.hold(GLFW_KEY_DOWN);  // NEW GAME, so that no progress file is read
    input.onSwap = [&] {
        g_soundEngine->render(mix.data(), kFramesPerSwap);
        int state = runningGameState();
        bool launched = state == FlightState && lastState != FlightState;
        lastState = state;
        size_t next = atLaunch.size();
        bool keysDown = !input.keys.empty();
        if (input.swaps >= kFrameLimit || (next == flights && state == MissionSelectState)) {
            press({GLFW_KEY_ESCAPE});
        } else if (state == TitleState) {
            press({input.swaps == 1 ? GLFW_KEY_DOWN : GLFW_KEY_ENTER});
        } else if (launched) {
            atLaunch.push_back(musicHeard(g_soundEngine));
            flownFrames = 0;
            press({});
        } else if (state == FlightState && ++flownFrames == kFlightFrames) {
            runningWorld()->deadFrames = 1000;  // as after a crash: 'Z' retries
            press({GLFW_KEY_Z});
        } else if (keysDown && (state == MissionSelectState || state == ResultsState)) {
            press({});
        } else if (state == MissionSelectState && g_missionSelection != missions[next]) {
            press({g_missionSelection < missions[next] ? GLFW_KEY_DOWN : GLFW_KEY_UP});
        } else if (state == MissionSelectState || state == ResultsState) {
            press({GLFW_KEY_Z});
        }
    };
    EXPECT_EQ(runGame(), 0);
    input.onSwap = nullptr;
    SoundEngine::openLoopbackForDevice(0);
    fs::current_path(top);
    ASSERT_LT(input.swaps, kFrameLimit);
    ASSERT_EQ(atLaunch.size(), flights);

    for (size_t i = 0; i < flights; i++) {
        int m = missions[i];
        std::vector<std::string> expected;
        if (i > 0 && missions[i - 1] < kMissionTracks) {
            expected.push_back("stop " + kTracks[missions[i - 1]]);
        }
        expected.push_back(kMenuMusic + " from 0");
        expected.push_back("stop " + kMenuMusic);
        if (m < kMissionTracks) {
            expected.push_back(kTracks[m] + " from 0");
        }
        expected.push_back(kLaunch + " from 9200");
        EXPECT_EQ(atLaunch[i], expected) << "launch " << i + 1 << ", mission " << m;
    }
    EXPECT_EQ(musicHeard(g_soundEngine),
              std::vector<std::string>({"stop " + kTracks[0], kMenuMusic + " from 0"}));
}
