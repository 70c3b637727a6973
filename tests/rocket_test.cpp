#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cstdlib>

#include "campaign/campaign_state.h"
#include "flight/particle.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

const float kStep = 1.0f / 60.0f;

class RocketTest : public testing::Test {
protected:
    void SetUp() override {
        resetCampaign();
        g_mission = 0;  // gravity -3.5, air density 2, no water
        useScriptedInput();
    }
    void TearDown() override { scriptedInput().releaseAll(); }
};

// The force the ship felt in one step, from its change of velocity (no damping on it).
b2Vec2 forceOverOneStep(Sandbox& box, b2Vec2 velocity) {
    b2Body* body = box.world->rocket->body;
    body->SetLinearVelocity(velocity);
    box.tick(1);
    return (body->GetMass() / kStep) * (body->GetLinearVelocity() - velocity);
}

}  // namespace

// Mission 0 in the air: weight 2.5 kg x -3.5 = -8.75 N, lift 3.5 x 2 = 7 N, and drag
// v x trunc(v) x 0.5 x 2 on each axis.
TEST_F(RocketTest, DragStepsWithWholeMetresPerSecond) {
    Sandbox box({});
    box.launch(32, 30);
    box.world->rocket->fuel = 0;  // no keys, just the air
    ASSERT_FLOAT_EQ(box.world->rocket->body->GetMass(), 2.5f);

    b2Vec2 f = forceOverOneStep(box, b2Vec2(0, -0.9f));
    EXPECT_NEAR(f.y, -1.75f, 1e-3f);
    f = forceOverOneStep(box, b2Vec2(0, -1.5f));
    EXPECT_NEAR(f.y, -1.75f + 1.5f, 1e-3f);
    f = forceOverOneStep(box, b2Vec2(0, -2.5f));
    EXPECT_NEAR(f.y, -1.75f + 5.0f, 1e-3f);
    f = forceOverOneStep(box, b2Vec2(1.5f, 0));
    EXPECT_NEAR(f.x, -1.5f, 1e-3f);
    f = forceOverOneStep(box, b2Vec2(-0.99f, 0));
    EXPECT_NEAR(f.x, 0, 1e-3f);
}

// Mission 2 under water: weight 2.5 x -2.5, lift 2.5 x 20 and drag v x trunc(v) x 5.
TEST_F(RocketTest, WaterLiftsAndDragsHarder) {
    g_mission = 2;
    Sandbox box({});
    box.launch(32, 10);
    box.world->rocket->fuel = 0;
    b2Vec2 f = forceOverOneStep(box, b2Vec2(0, -1.5f));
    EXPECT_NEAR(f.y, -6.25f + 50 + 7.5f, 1e-2f);
}

TEST_F(RocketTest, ThrustOnOddRandStepsUsesFuel) {
    Sandbox box({});
    box.launch(32, 30);
    Rocket* ship = box.world->rocket;
    float fuel = ship->fuel;

    // What rand() will say: one draw per step, three more for each exhaust particle.
    const unsigned seed = 7;
    std::srand(seed);
    int thrusts = 0;
    bool thrustAt[30];
    for (int step = 0; step < 30; step++) {
        thrustAt[step] = std::rand() & 1;
        if (thrustAt[step]) {
            thrusts++;
            std::rand(), std::rand(), std::rand();
        }
    }
    ASSERT_GT(thrusts, 5);
    ASSERT_LT(thrusts, 25);

    std::srand(seed);
    scriptedInput().hold(GLFW_KEY_UP);
    for (int step = 0; step < 30; step++) {
        b2Vec2 v = ship->body->GetLinearVelocity();
        box.tick(1);
        float force = ship->body->GetMass() / kStep * (ship->body->GetLinearVelocity().y - v.y);
        // 40 N of thrust on top of the weight and lift, drag still below 1 m/s.
        if (v.y < 1) {
            EXPECT_NEAR(force, thrustAt[step] ? 38.25f : -1.75f, 1e-2f) << step;
        }
    }
    EXPECT_EQ(static_cast<int>(box.world->particles.size()), thrusts);
    EXPECT_NEAR(ship->fuel, fuel - thrusts * 0.0004f, 1e-5f);
}

TEST_F(RocketTest, TurningKeys) {
    Sandbox box({});
    box.launch(32, 30);
    b2Body* body = box.world->rocket->body;
    scriptedInput().hold(GLFW_KEY_LEFT);
    scriptedInput().hold(GLFW_KEY_RIGHT);
    box.tick(3);
    EXPECT_EQ(body->GetAngularVelocity(), 0);
    scriptedInput().release(GLFW_KEY_RIGHT);
    box.tick(1);
    EXPECT_GT(body->GetAngularVelocity(), 0);
    scriptedInput().release(GLFW_KEY_LEFT);
    scriptedInput().hold(GLFW_KEY_RIGHT);
    box.tick(3);
    EXPECT_LT(body->GetAngularVelocity(), 0);
}

// Hull lost is 0.02 x damaging speed x mass (2.5 kg); the lower hull takes 2 m/s off.
TEST_F(RocketTest, ImpactDamage) {
    Sandbox box({});
    box.launch(32, 30);
    Rocket* ship = box.world->rocket;
    const float hull = ship->hull;

    ship->impact(2, -0.6f);
    ship->impact(0, 0.3f);
    ship->impact(1.5f, -0.51f);
    EXPECT_EQ(ship->hull, hull);
    EXPECT_EQ(ship->shake, 0);

    ship->impact(3, -0.6f);
    EXPECT_NEAR(ship->hull, hull - 0.05f, 1e-6f);
    EXPECT_EQ(ship->shake, 4);

    ship->impact(2, 0);
    EXPECT_NEAR(ship->hull, hull - 0.15f, 1e-6f);
    EXPECT_EQ(ship->shake, 8);

    // The shake is set, not added.
    ship->impact(3, -0.6f);
    EXPECT_EQ(ship->shake, 4);
    // The contact exactly at -0.5 is not on the lower hull.
    ship->impact(1, -0.5f);
    EXPECT_NEAR(ship->hull, hull - 0.25f, 1e-6f);
}

TEST_F(RocketTest, ZHeldFromTheShopDoesNotFire) {
    Sandbox box({});
    scriptedInput().hold(GLFW_KEY_Z);
    box.launch(32, 30);
    box.tick(20);
    EXPECT_TRUE(box.world->shots.empty());
    scriptedInput().release(GLFW_KEY_Z);
    box.tick(1);
    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(1);
    EXPECT_EQ(box.world->shots.size(), 1u);
}

TEST_F(RocketTest, HeldZFiresOnceAndShotsAreTenStepsApart) {
    Sandbox box({});
    box.launch(32, 30);
    box.tick(1);  // the launch latch is let go
    auto& shots = box.world->shots;

    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(1);
    ASSERT_EQ(shots.size(), 1u);
    // The laser leaves the centre of mass at 20 m/s out of the nose.
    EXPECT_NEAR(shots.front()->body->GetLinearVelocity().y, 20, 0.1f);
    box.tick(30);
    EXPECT_EQ(shots.size(), 1u);

    // Fire, let go, press again 3 steps later: the second shot comes 10 steps after the first.
    scriptedInput().release(GLFW_KEY_Z);
    box.tick(1);
    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(1);
    ASSERT_EQ(shots.size(), 2u);
    scriptedInput().release(GLFW_KEY_Z);
    box.tick(2);
    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(7);
    EXPECT_EQ(shots.size(), 2u);
    box.tick(1);  // the 10th step after the second shot
    EXPECT_EQ(shots.size(), 3u);
}

TEST_F(RocketTest, EmptyTankIgnoresTheGunButKeepsARequest) {
    Sandbox box({});
    box.launch(32, 30);
    Rocket* ship = box.world->rocket;
    box.tick(1);
    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(1);
    ASSERT_EQ(box.world->shots.size(), 1u);
    scriptedInput().release(GLFW_KEY_Z);
    box.tick(1);
    scriptedInput().hold(GLFW_KEY_Z);
    box.tick(1);  // latched while the gun cools
    ASSERT_EQ(box.world->shots.size(), 1u);

    float fuel = ship->fuel;
    ship->fuel = 0;
    float cooldown = ship->gunCooldown;
    scriptedInput().release(GLFW_KEY_Z);
    box.tick(20);
    EXPECT_EQ(ship->gunCooldown, cooldown);
    EXPECT_EQ(box.world->shots.size(), 1u);

    // A press made while dry is not read; the request latched before fires once refilled.
    ship->fuel = fuel;
    box.tick(8);
    EXPECT_EQ(box.world->shots.size(), 2u);
}

TEST_F(RocketTest, DrawScalesTurnsAndFlashes) {
    REQUIRE_GL();
    Sandbox box({});
    box.launch(10, 8);
    Rocket* ship = box.world->rocket;
    ship->body->SetTransform(b2Vec2(10, 8), 0);  // origin at pixel (320, 256)

    GLuint red;
    glGenTextures(1, &red);
    glBindTexture(GL_TEXTURE_2D, red);
    const uint8_t texel[4] = {255, 0, 0, 255};
    std::vector<uint8_t> image(64 * 64 * 4);
    for (size_t i = 0; i < image.size(); i += 4) {
        std::copy(texel, texel + 4, &image[i]);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    ship->texture = red;

    auto drawn = [&](int x, int y) {
        beginFrame();
        ship->draw();
        return readPixel(x, y);
    };
    // At rest the quad is 37.5 x 48 pixels around the origin.
    EXPECT_EQ(drawn(320, 256).r, 255);
    EXPECT_EQ(drawn(336, 256).r, 255);
    EXPECT_EQ(drawn(342, 256).r, 0);
    EXPECT_EQ(drawn(320, 278).r, 255);
    // A boarding swells it to 0.95.
    ship->pulse = 0.2f;
    EXPECT_EQ(drawn(342, 256).r, 255);
    ship->pulse = 0;
    // Turned a quarter, its length lies across.
    ship->body->SetTransform(b2Vec2(10, 8), b2_pi / 2);
    EXPECT_EQ(drawn(342, 256).r, 255);
    EXPECT_EQ(drawn(320, 278).r, 0);
    ship->body->SetTransform(b2Vec2(10, 8), 0);

    // A hit flashes it white, and the flash does not outlast the draw.
    ship->shake = 1;
    Pixel flashed = drawn(320, 256);
    EXPECT_EQ(flashed.r, 255);
    EXPECT_EQ(flashed.g, 255);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    ship->shake = 0;
    EXPECT_EQ(drawn(320, 256).g, 0);

    ship->texture = 0;
    glDeleteTextures(1, &red);
}
