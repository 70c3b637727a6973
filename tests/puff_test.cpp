#include <GL/gl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cstdlib>
#include <deque>

#include "campaign/campaign_state.h"
#include "flight/explosion.h"
#include "flight/particle.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

// In this program rand() answers from a script when a test queues numbers, so that the extreme
// draws can be reached; otherwise it is the C library's.
namespace {
std::deque<int> g_scriptedRand;
}

extern "C" int rand() noexcept {
    if (!g_scriptedRand.empty()) {
        int r = g_scriptedRand.front();
        g_scriptedRand.pop_front();
        return r;
    }
    static auto libraryRand = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    return libraryRand();
}

namespace {

class Puffs : public FlightTest {
protected:
    void SetUp() override {
        FlightTest::SetUp();
        g_scriptedRand.clear();
    }
    void TearDown() override {
        g_scriptedRand.clear();
        FlightTest::TearDown();
    }

    // A World with the ship held still at (32, shipY), and ground whose surface is y = 2.
    void makeWorld(float shipY = 30) {
        box = std::make_unique<Sandbox>(std::vector<std::string>{std::string(63, '#')});
        box->launch(32, shipY);
        box->world->rocket->body->SetType(b2_staticBody);
        box->world->rocket->fuel = 0;
    }
    Explosion* puff(float x, float y, double rate, float vx = 0, float vy = 0) {
        auto* p =
            new Explosion(box->world, box->world->explosionSheet, x, y, 0.5, rate, 11, vx, vy);
        box->world->explosions.push_back(p);
        return p;
    }
    std::unique_ptr<Sandbox> box;
};

}  // namespace

// Age is summed in doubles: rate 0.02 passes 1.0 at the 50th update, 0.03 at the 34th.
TEST_F(Puffs, PuffLifetimes) {
    makeWorld();
    puff(32, 25, 0.02);
    puff(33, 25, 0.03);
    box->tick(33);
    EXPECT_EQ(box->world->explosions.size(), 2u);
    box->tick(1);
    EXPECT_EQ(box->world->explosions.size(), 1u);
    box->tick(15);
    EXPECT_EQ(box->world->explosions.size(), 1u);
    box->tick(1);
    EXPECT_TRUE(box->world->explosions.empty());
}

TEST_F(Puffs, MirroredUnlessRandSaysZero) {
    makeWorld();
    g_scriptedRand = {0, 1, RAND_MAX};
    EXPECT_FALSE(puff(32, 25, 0.02)->mirror);
    EXPECT_TRUE(puff(32, 25, 0.02)->mirror);
    EXPECT_TRUE(puff(32, 25, 0.02)->mirror);
}

// The ship's explosion: r1 then r2 per puff give vy and vx from -2.475 to 2.5 m/s.
TEST_F(Puffs, ShipPuffSpeedsSpanTheirRange) {
    makeWorld();
    box->world->rocket->body->SetType(b2_dynamicBody);
    box->world->rocket->hull = -1;
    for (int i = 0; i < 10; i++) {
        // r1, r2, then the puff's own draw for its mirror.
        g_scriptedRand.insert(g_scriptedRand.end(), {i == 0 ? 199 : 100, i == 0 ? 0 : 399, 1});
    }
    box->tick(1);
    ASSERT_EQ(box->world->explosions.size(), 10u);
    b2Vec2 first = box->world->explosions.front()->body->GetLinearVelocity();
    EXPECT_NEAR(first.x, 2.5f, 1e-5f);
    EXPECT_NEAR(first.y, -2.475f, 1e-5f);
    b2Vec2 second = (*std::next(box->world->explosions.begin()))->body->GetLinearVelocity();
    EXPECT_NEAR(second.x, -2.475f, 1e-5f);
    EXPECT_NEAR(second.y, 0, 1e-5f);
}

TEST_F(Puffs, PuffsBounceOffTerrainOnly) {
    makeWorld(10);
    Explosion* falling = puff(30, 4, 0.001, 0, -2);
    Explosion* throughShip = puff(31, 10, 0.001, 2, 0);
    box->tick(60);
    // Restitution 0.9 off the ground; nothing stops it at the ship.
    EXPECT_NEAR(falling->body->GetLinearVelocity().y, 1.8f, 0.05f);
    EXPECT_EQ(throughShip->body->GetLinearVelocity(), b2Vec2(2, 0));
}

// A particle is updated 37 times (life 85 to 48) and ends at its 38th update.
TEST_F(Puffs, ParticleLife) {
    makeWorld();
    auto* particle = new Particle(32, 25, box->world, 0, 0);
    box->world->particles.push_back(particle);
    box->tick(37);
    ASSERT_EQ(box->world->particles.size(), 1u);
    EXPECT_EQ(particle->life, 48);
    box->tick(1);
    EXPECT_TRUE(box->world->particles.empty());
}

// r1 spins it at (100 - r1 % 200) / 2 rad/s; r2 and r3 jitter vy and vx by (50 - r % 100) / 40.
TEST_F(Puffs, ParticleSpinAndJitterSpanTheirRanges) {
    makeWorld();
    g_scriptedRand = {199, 99, 0};
    Particle low(32, 25, box->world, 1, 2);
    EXPECT_FLOAT_EQ(low.body->GetAngularVelocity(), -49.5f);
    EXPECT_FLOAT_EQ(low.body->GetLinearVelocity().x, 1 + 1.25f);
    EXPECT_FLOAT_EQ(low.body->GetLinearVelocity().y, 2 - 1.225f);
    g_scriptedRand = {0, 37, 163};
    Particle high(32, 25, box->world, 0, 0);
    EXPECT_FLOAT_EQ(high.body->GetAngularVelocity(), 50);
    EXPECT_FLOAT_EQ(high.body->GetLinearVelocity().x, -13 / 40.0f);
    EXPECT_FLOAT_EQ(high.body->GetLinearVelocity().y, 13 / 40.0f);
    box->world->physics->DestroyBody(low.body);
    box->world->physics->DestroyBody(high.body);
}

// Each jitter is (50 - r % 100) / 40 m/s to the last bit, for every r: r2 for vy, r3 for vx.
TEST_F(Puffs, ParticleJitterIsAnExactFortieth) {
    makeWorld();
    int inexact = 0;
    for (int r = 0; r < 100; r++) {
        g_scriptedRand = {0, r, 99 - r};
        Particle particle(32, 25, box->world, 0, 0);
        const b2Vec2 velocity = particle.body->GetLinearVelocity();
        inexact += velocity.x != (50 - (99 - r) % 100) / 40.0f;
        inexact += velocity.y != (50 - r % 100) / 40.0f;
        box->world->physics->DestroyBody(particle.body);
    }
    EXPECT_EQ(inexact, 0);
}

// With the camera still and the particle at rest the streak is one dot, 20 pixels wide at
// mid-life, grey by its life; the draw leaves the drawing state as it found it.
TEST_F(Puffs, ParticleDrawsADotAndRestoresState) {
    REQUIRE_GL();
    makeWorld();
    World* world = box->world;
    world->cameraX = world->prevCameraX = 0;
    world->cameraY = world->prevCameraY = 0;
    Particle particle(10, 8, world, 0, 0);  // pixel (320, 256)
    particle.body->SetLinearVelocity(b2Vec2(0, 0));
    particle.prevX = 10;
    particle.prevY = 8;
    auto drawnAt = [&](int life, int x) {
        particle.life = life;
        beginFrame();
        particle.draw();
        return readPixel(x, 256);
    };
    Pixel centre = drawnAt(67, 320);
    EXPECT_NEAR(centre.r, 255 * 67 / 81.0, 2);
    EXPECT_EQ(centre.r, centre.b);
    EXPECT_GT(drawnAt(67, 328).r, 0);
    EXPECT_EQ(drawnAt(67, 332).r, 0);
    EXPECT_EQ(drawnAt(84, 328).r, 0);    // about 8.7 pixels wide when young
    EXPECT_EQ(drawnAt(84, 320).r, 255);  // brighter than white is white

    GLfloat width, size, colour[4];
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetFloatv(GL_POINT_SIZE, &size);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(colour[0] + colour[1] + colour[2], 3);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    world->physics->DestroyBody(particle.body);
}
