#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

const float kPi = 3.14159265f;

// Three rows of ground, surface y = 4, and two tiles in the air: rock at (30, 9) and breakable
// rock at (34, 9).
std::vector<std::string> range() {
    std::string rock(62, '#');
    std::vector<std::string> picture(9, std::string(62, '.'));
    picture[3][29] = '#';
    picture[3][33] = '%';
    picture.push_back(rock);
    picture.push_back(rock);
    picture.push_back(rock);
    return picture;
}

// A ship standing on the ground at x = 20 and a cannon at (x, y) with the given base angle.
struct Battery : Sandbox {
    Battery(float x, float y, float angle) : Sandbox(range()) {
        launch(20.0f, 4.76f);
        tick(30);
        cannon = new Cannon(x, y, world, world->cannonSheet, world->gunTexture);
        cannon->body->SetTransform(b2Vec2(x, y), angle);
        world->cannons.push_back(cannon);
    }

    // The ship blows up (a hull below zero); its last centre stays the centre of the wake rule.
    void loseShip() {
        world->rocket->hull = -1.0f;
        tick(1);
    }

    // Updates until a cannon ball appears; returns the number of updates, or -1.
    int updatesUntilFire(int limit) {
        const size_t before = world->shots.size();
        for (int n = 1; n <= limit; ++n) {
            tick(1);
            if (world->shots.size() > before) {
                return n;
            }
        }
        return -1;
    }

    Cannon* cannon;
};

struct CannonTest : FlightTest {
    CannonTest() : FlightTest(3) {}
};

TEST_F(CannonTest, StartsAtARandomAngleAndFirePhase) {
    Sandbox sandbox({"."});
    std::set<float> phases;
    for (int i = 0; i < 200; ++i) {
        Cannon cannon(10.0f, 10.0f, sandbox.world, nullptr, 0);
        EXPECT_GE(cannon.phase, 0.0f);
        EXPECT_LE(cannon.phase, 0.99f);
        EXPECT_GE(cannon.body->GetAngle(), 0.0f);
        EXPECT_LT(cannon.body->GetAngle(), 6.2832f);
        EXPECT_EQ(cannon.health, 1.0f);
        phases.insert(cannon.phase);
    }
    EXPECT_GT(phases.size(), 50u);  // not a handful of whole values
}

TEST_F(CannonTest, FiresEveryTwoHundredAndFirstUpdate) {
    // Barrel up, the ship gone: the balls fly off into the empty sky.
    Battery battery(24.0f, 12.0f, kPi);
    battery.loseShip();
    battery.cannon->phase = 0.99f;
    EXPECT_EQ(battery.updatesUntilFire(300), 102);
    EXPECT_EQ(battery.cannon->phase, 0.0f);
    EXPECT_EQ(battery.updatesUntilFire(300), 201);

    Shot* ball = battery.world->shots.back();
    EXPECT_EQ(ball->type, CollisionCategory::CannonBall);
    EXPECT_NEAR(ball->prevY, 13.0f, 1e-4);  // from the muzzle, a metre out
    EXPECT_NEAR(ball->body->GetLinearVelocity().y, 2.0f, 1e-4);
    EXPECT_NEAR(ball->body->GetLinearVelocity().x, 0.0f, 1e-4);
}

TEST_F(CannonTest, NeverFiresFromAMuzzleInSolidRockButDoesIntoBreakable) {
    // Barrels down into the tops of the two columns.
    Battery solid(30.5f, 10.5f, 0.0f);
    solid.loseShip();
    solid.cannon->phase = 0.0f;
    EXPECT_EQ(solid.updatesUntilFire(450), -1);
    EXPECT_NEAR(solid.cannon->phase, 0.48f, 1e-4);  // restarted twice all the same

    Battery breakable(34.5f, 10.5f, 0.0f);
    breakable.loseShip();
    breakable.cannon->phase = 0.0f;
    EXPECT_EQ(breakable.updatesUntilFire(250), 201);
}

TEST_F(CannonTest, TurnsItsBarrelTowardTheShipWhileThereIsOne) {
    // The torque of one update acts in the next physics step. The base's x axis points right: a
    // ship to the right turns it counter-clockwise, which swings the barrel toward the ship.
    Battery right(16.0f, 8.0f, 0.0f);
    right.tick(2);
    EXPECT_GT(right.cannon->body->GetAngularVelocity(), 0.0f);

    Battery left(24.0f, 8.0f, 0.0f);
    left.tick(2);
    EXPECT_LT(left.cannon->body->GetAngularVelocity(), 0.0f);

    // Without a ship only the damping acts on the swing.
    left.tick(10);
    left.loseShip();
    const float swing = left.cannon->body->GetAngularVelocity();
    ASSERT_LT(swing, -0.5f);
    left.tick(1);
    EXPECT_NEAR(left.cannon->body->GetAngularVelocity(), swing / (1.0f + 5.0f / 60.0f), 1e-4);

    // Straight above the ship (in line with the base's y axis): no torque.
    Battery above(20.0f, 8.0f, 0.0f);
    const float shipX = above.world->rocket->body->GetPosition().x;
    above.cannon->body->SetTransform(b2Vec2(shipX, 8.0f), 0.0f);
    above.tick(2);
    ASSERT_EQ(above.world->rocket->body->GetPosition().x, shipX);
    EXPECT_EQ(above.cannon->body->GetAngularVelocity(), 0.0f);
}

TEST_F(CannonTest, BurstsIntoTenPuffsAndFiveCoinsOnlyBelowZeroHealth) {
    Battery battery(24.0f, 8.0f, 0.0f);
    World* world = battery.world;
    battery.cannon->health = 0.0f;
    battery.tick(1);
    ASSERT_EQ(world->cannons.size(), 1u);

    const int bodies = world->physics->GetBodyCount();
    const int joints = world->physics->GetJointCount();
    const size_t puffs = world->explosions.size();
    battery.cannon->health = -0.01f;
    battery.tick(1);
    EXPECT_TRUE(world->cannons.empty());
    EXPECT_EQ(world->explosions.size(), puffs + 10);
    EXPECT_EQ(world->coins.size(), 5u);
    EXPECT_EQ(world->physics->GetBodyCount(), bodies - 1 + 10 + 5);  // the anchor stays
    EXPECT_EQ(world->physics->GetJointCount(), joints - 1);
}

TEST_F(CannonTest, TakesFewerLaserHitsAtHigherWeaponLevels) {
    const int hitsNeeded[3] = {3, 2, 1};
    for (int level = 1; level <= 3; ++level) {
        g_weaponLevel = level;
        Battery battery(26.0f, 8.0f, 0.0f);
        World* world = battery.world;
        int hits = 0;
        while (!world->cannons.empty() && hits < 5) {
            // A laser from the left, through the base's centre; wait until it is gone.
            world->shots.push_back(
                new Shot(23.0f, 8.0f, world, 20.0f, 0.0f, CollisionCategory::Laser));
            ++hits;
            for (int step = 0; step < 60 && !world->shots.empty(); ++step) {
                battery.tick(1);
            }
        }
        EXPECT_EQ(hits, hitsNeeded[level - 1]) << "weapon level " << level;
        EXPECT_TRUE(world->cannons.empty());
        EXPECT_EQ(world->coins.size(), 5u);
    }
}

TEST_F(CannonTest, DrawingAShakingCannonLeavesTheTransformAsItFoundIt) {
    REQUIRE_GL();
    Battery battery(24.0f, 8.0f, 1.0f);
    battery.cannon->shake = 6;
    beginFrame();
    while (glGetError() != GL_NO_ERROR) {
    }
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    battery.cannon->draw();
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(before[i], after[i]);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
