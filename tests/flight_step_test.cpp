#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <box2d/box2d.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "flight/explosion.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "platform/scripted_input.h"
#include "platform/sound.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

using FlightStep = FlightTest;

// A still puff placed so that the ship's last centre lies at `offset` in the puff's own frame,
// the puff turned by `angle`.
Explosion* puffAt(World* world, b2Vec2 offset, float angle = 0) {
    b2Vec2 ship(world->lastShipX, world->lastShipY);
    b2Rot turn(angle);
    b2Vec2 position = ship - b2Mul(turn, offset);
    auto* puff =
        new Explosion(world, world->explosionSheet, position.x, position.y, 0.5, 0.001, 11, 0, 0);
    puff->body->SetTransform(position, angle);
    world->explosions.push_back(puff);
    return puff;
}

// Plays effects into memory and measures them, to count how many copies of a sound were played.
class EffectCounter {
public:
    explicit EffectCounter(SoundSource** slot) : slot(slot) {
        engine = SoundEngine::openLoopback(kRate);
        std::string file = makeScratchDir() + "/tone.wav";
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
        std::vector<double> tone(kRenderFrames);  // over by the end of one render
        for (size_t i = 0; i < tone.size(); i++) {
            tone[i] = 0.1 * std::sin(2 * M_PI * 440 * i / kRate);
        }
        sf_writef_double(out, tone.data(), static_cast<sf_count_t>(tone.size()));
        sf_close(out);
        saved = *slot;
        *slot = engine->addSource(file.c_str(), true);
        g_soundEngine = engine;
    }
    ~EffectCounter() {
        *slot = saved;
        g_soundEngine = nullptr;
        delete engine;
    }
    bool silent() const { return engine->isSilent(); }
    // Loudness of what was played since the last call.
    double loudness() {
        std::vector<int16_t> mix(2 * kRenderFrames);
        engine->render(mix.data(), kRenderFrames);
        double sum = 0;
        for (int16_t s : mix) {
            sum += double(s) * s;
        }
        return std::sqrt(sum / mix.size());
    }
    // Copies played since the last call, measured against one copy played now.
    double copiesPlayed() {
        double played = loudness();
        engine->play(*slot);
        return played / loudness();
    }

private:
    static const int kRate = 22050;
    static const int kRenderFrames = kRate / 10;
    SoundEngine* engine;
    SoundSource** slot;
    SoundSource* saved;
};

}  // namespace

// A hull below zero blows the ship into ten puffs, flung at (100 - r % 200) x 2.5 / 100 m/s
// with r1 for y and r2 for x, and its body, and the ship, are gone before the puffs' first update.
TEST_F(FlightStep, ShipExplodesIntoTenPuffs) {
    Sandbox box({});
    box.launch(32, 30);
    b2Vec2 centre = box.world->rocket->body->GetWorldCenter();
    int bodies = box.world->physics->GetBodyCount();

    const unsigned seed = 11;
    std::srand(seed);
    std::vector<b2Vec2> expected;
    for (int i = 0; i < 10; i++) {
        int r1 = std::rand();
        int r2 = std::rand();
        std::rand();  // the puff's mirror
        expected.push_back(b2Vec2((100 - r2 % 200) * 0.025f, (100 - r1 % 200) * 0.025f));
    }
    std::srand(seed);
    box.world->rocket->hull = -0.001f;
    box.world->rocket->fuel = 0;
    EXPECT_EQ(box.tick(1), 0);

    EXPECT_EQ(box.world->rocket, nullptr);
    ASSERT_EQ(box.world->explosions.size(), 10u);
    EXPECT_EQ(box.world->physics->GetBodyCount(), bodies - 1 + 10);
    int i = 0;
    for (Explosion* puff : box.world->explosions) {
        EXPECT_DOUBLE_EQ(puff->age, 0.02);  // updated in the step that made it
        EXPECT_NEAR(puff->body->GetLinearVelocity().x, expected[i].x, 1e-5f);
        EXPECT_NEAR(puff->body->GetLinearVelocity().y, expected[i].y, 1e-5f);
        i++;
    }
    // The wreck's place stays the centre of the wake rule, and the camera stays put.
    EXPECT_FLOAT_EQ(box.world->lastShipX, centre.x);
    EXPECT_FLOAT_EQ(box.world->lastShipY, centre.y);
    int cameraX = box.world->cameraX, cameraY = box.world->cameraY;

    // The puffs live 50 updates.
    box.tick(48);
    EXPECT_EQ(box.world->explosions.size(), 10u);
    box.tick(1);
    EXPECT_TRUE(box.world->explosions.empty());
    EXPECT_EQ(box.world->cameraX, cameraX);
    EXPECT_EQ(box.world->cameraY, cameraY);
    // An empty tank in the step of the explosion counts once, then each step without a ship.
    EXPECT_EQ(box.world->deadFrames, 50);
}

TEST_F(FlightStep, ShipExplosionPlaysOneSound) {
    EffectCounter counter(&g_soundExplosion2);
    if (counter.silent()) {
        GTEST_SKIP() << "no loopback sound";
    }
    Sandbox box({});
    box.launch(32, 30);
    box.tick(1);
    counter.loudness();
    box.world->rocket->hull = -1;
    box.tick(5);
    EXPECT_NEAR(counter.copiesPlayed(), 1.0, 0.2);
}

TEST_F(FlightStep, HullOfExactlyZeroHolds) {
    Sandbox box({});
    box.launch(32, 30);
    box.world->rocket->hull = 0;
    box.tick(3);
    EXPECT_NE(box.world->rocket, nullptr);
}

// The orbit test reads the position the last physics step left, before the fuel and hull tests.
TEST_F(FlightStep, OrbitLine) {
    Sandbox box({}, 64);  // the line is y = 48
    box.launch(32, 48);
    box.world->rocket->fuel = 0;
    EXPECT_EQ(box.tick(1), 0);
    EXPECT_EQ(box.world->deadFrames, 1);

    // Carried over the line by a physics step, the ship ends the mission in the next step,
    // before a hull lost meanwhile can blow it up.
    box.launch(32, 47.95f);
    box.world->rocket->body->SetLinearVelocity(b2Vec2(0, 6));
    EXPECT_EQ(box.tick(1), 0);
    ASSERT_GT(box.world->rocket->body->GetPosition().y, 48);
    box.world->rocket->hull = -1;
    EXPECT_EQ(box.tick(1), 1);
    EXPECT_NE(box.world->rocket, nullptr);
}

TEST_F(FlightStep, RetryAfterMoreThan120Steps) {
    Sandbox box({});
    box.launch(32, 30);
    box.world->rocket->fuel = 0;
    scriptedInput().hold(GLFW_KEY_Z);
    box.world->deadFrames = 120;
    EXPECT_EQ(box.tick(1), 0);
    EXPECT_EQ(box.world->deadFrames, 121);

    // The retry comes before anything of the step.
    b2Vec2 position = box.world->rocket->body->GetPosition();
    int cameraY = box.world->cameraY;
    EXPECT_EQ(box.tick(1), -1);
    EXPECT_EQ(box.world->deadFrames, 121);
    EXPECT_EQ(box.world->rocket->body->GetPosition(), position);
    EXPECT_EQ(box.world->cameraY, cameraY);

    // A refilled tank does not take the retry back.
    box.world->rocket->fuel = 1;
    EXPECT_EQ(box.tick(1), -1);
}

// The ship's last centre must lie strictly inside the 32 m square turned with the object.
TEST_F(FlightStep, WakeRule) {
    Sandbox box({});
    box.launch(32, 30);
    World* world = box.world;
    // A ship held in place, its centre at its origin, so that the offsets below are exact.
    world->rocket->body->SetType(b2_staticBody);
    world->rocket->fuel = 0;
    box.tick(1);
    ASSERT_EQ(b2Vec2(world->lastShipX, world->lastShipY), b2Vec2(32, 30));
    // Puffs of rate 0.001: their age counts their updates.
    Explosion* inside = puffAt(world, b2Vec2(15.99f, -15.99f));
    Explosion* right = puffAt(world, b2Vec2(16.0f, 0));
    Explosion* below = puffAt(world, b2Vec2(0, -16.0f));
    // Turned 45 degrees: 12 m along both world axes is 16.97 m along its own x.
    Explosion* turnedOut = puffAt(world, b2Vec2(16.97f, 0), b2_pi / 4);
    Explosion* turnedIn = puffAt(world, b2Vec2(11.67f, -11.67f), b2_pi / 4);
    right->body->SetLinearVelocity(b2Vec2(1, 0));

    box.tick(1);
    EXPECT_DOUBLE_EQ(inside->age, 0.001);
    EXPECT_DOUBLE_EQ(turnedIn->age, 0.001);
    EXPECT_EQ(right->age, 0);
    EXPECT_EQ(below->age, 0);
    EXPECT_EQ(turnedOut->age, 0);
    // Out of range a body sleeps with its velocity gone...
    EXPECT_FALSE(right->body->IsAwake());
    EXPECT_EQ(right->body->GetLinearVelocity(), b2Vec2(0, 0));

    // ... and comes back without it.
    right->body->SetTransform(right->body->GetPosition() + b2Vec2(0.5f, 0), 0);
    box.tick(1);
    EXPECT_DOUBLE_EQ(right->age, 0.001);
    EXPECT_TRUE(right->body->IsAwake());
    EXPECT_EQ(right->body->GetLinearVelocity(), b2Vec2(0, 0));
}

TEST_F(FlightStep, WithoutAShipTheStepGoesOn) {
    Sandbox box({});
    box.launch(32, 30);
    box.world->rocket->hull = -1;
    box.tick(1);
    ASSERT_EQ(box.world->rocket, nullptr);
    Explosion* puff = puffAt(box.world, b2Vec2(1, 0));
    puff->body->SetLinearVelocity(b2Vec2(0, 1));
    b2Vec2 position = puff->body->GetPosition();
    int cameraX = box.world->cameraX;
    box.tick(1);
    EXPECT_DOUBLE_EQ(puff->age, 0.001);
    EXPECT_GT(puff->body->GetPosition().y, position.y);
    EXPECT_EQ(box.world->cameraX, cameraX);
    EXPECT_EQ(box.world->prevCameraX, cameraX);

    scriptedInput().hold(GLFW_KEY_TAB);
    box.tick(1);
    EXPECT_TRUE(box.world->editorMode);
}

TEST_F(FlightStep, HeldTabEntersTheEditorOnce) {
    Sandbox box({});
    box.launch(32, 30);
    scriptedInput().hold(GLFW_KEY_TAB);
    box.tick(1);
    EXPECT_TRUE(box.world->editorMode);
    box.world->editorMode = false;  // as the editor leaves it
    box.tick(3);
    EXPECT_FALSE(box.world->editorMode);
    scriptedInput().release(GLFW_KEY_TAB);
    box.tick(1);
    scriptedInput().hold(GLFW_KEY_TAB);
    box.tick(1);
    EXPECT_TRUE(box.world->editorMode);
}

// A World is safe to draw or delete before any map is loaded: its grids start empty.
TEST_F(FlightStep, FreshWorldBeforeLoading) {
    World* world = new World(48);
    EXPECT_EQ(world->rocket->body->GetPosition(), b2Vec2(0, 0));
    EXPECT_EQ(world->cameraX, 8000);
    for (int i = 0; i < 48 * 48; i++) {
        ASSERT_EQ(world->tiles[i], 0);
        ASSERT_EQ(world->tileBodies[i], nullptr);
        ASSERT_EQ(world->tileDirty[i], 0);
    }
    if (hasGlContext()) {
        beginFrame();
        world->draw();
    }
    delete world;
}

// A World owns everything it made: a hundred missions in one run must not grow the heap.
TEST_F(FlightStep, WorldsReleaseWhatTheyOwn) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator is not what mallinfo2 reports";
#endif
    myContactListener listener;
    auto flyOneMission = [&listener]() {
        World* world = new World(g_worldSize[0]);
        world->loadMap("data/world00");
        world->loadObjects("data/objects00");
        world->physics->SetContactListener(&listener);
        launchShip(world);
        scriptedInput().hold(GLFW_KEY_UP);
        for (int step = 0; step < 40; step++) {
            if (step % 12 == 0) {
                scriptedInput().hold(GLFW_KEY_Z);
            } else {
                scriptedInput().release(GLFW_KEY_Z);
            }
            world->update();
        }
        world->rocket->hull = -1;  // and lose the ship, puffs and all
        world->update();
        scriptedInput().releaseAll();
        delete world;
    };
    // The GL driver and the C library settle their own pools over the first missions; heap in
    // use counts what the arena and large mappings hold together, as large blocks move between
    // the two.
    auto inUse = []() {
        struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    for (int i = 0; i < 200; i++) {
        flyOneMission();
    }
    size_t settled = inUse();
    for (int i = 0; i < 100; i++) {
        flyOneMission();
    }
    size_t after = inUse();
    EXPECT_LT(after, settled + 32 * 1024) << "grew by " << (after - settled) << " bytes";
}
