#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

// Three rows of rock along the bottom: the surface is y = 4.
std::vector<std::string> flatGround() {
    const std::string rock(62, '#');
    return {rock, rock, rock};
}

// A ship standing on flat ground at x = 20.
struct LandedShip : Sandbox {
    LandedShip() : Sandbox(flatGround()) {
        launch(20.0f, 4.76f);
        tick(60);
    }
};

Shot* fire(World* world, float x, float y, float vx, float vy, int type) {
    Shot* shot = new Shot(x, y, world, vx, vy, type);
    world->shots.push_back(shot);
    return shot;
}

// Updates until the World has no shot left; returns the number of updates, or -1.
int updatesUntilShotsGone(Sandbox& sandbox, int limit) {
    for (int n = 1; n <= limit; ++n) {
        sandbox.tick(1);
        if (sandbox.world->shots.empty()) {
            return n;
        }
    }
    return -1;
}

using ShotTest = FlightTest;

TEST_F(ShotTest, LasersLiveFortyFiveUpdatesAndCannonBallsFourHundredEighty) {
    LandedShip sandbox;
    // Hanging still in clear air near the ship, they touch nothing.
    Shot* laser = fire(sandbox.world, 25.0f, 12.0f, 0.0f, 0.0f, CollisionCategory::Laser);
    EXPECT_EQ(laser->life, 45);
    EXPECT_FLOAT_EQ(laser->body->GetMass(), 1.0f);
    EXPECT_TRUE(laser->body->IsBullet());
    EXPECT_EQ(updatesUntilShotsGone(sandbox, 600), 46);

    Shot* ball = fire(sandbox.world, 15.0f, 12.0f, 0.0f, 0.0f, CollisionCategory::CannonBall);
    EXPECT_EQ(ball->life, 480);
    EXPECT_FLOAT_EQ(ball->body->GetMass(), 1.0f);
    EXPECT_EQ(updatesUntilShotsGone(sandbox, 600), 481);
}

TEST_F(ShotTest, RemembersItsCentreBeforeEachPhysicsStep) {
    LandedShip sandbox;
    Shot* laser = fire(sandbox.world, 25.0f, 12.0f, 6.0f, 0.0f, CollisionCategory::Laser);
    EXPECT_FLOAT_EQ(laser->prevX, 25.0f);
    sandbox.tick(1);
    EXPECT_FLOAT_EQ(laser->prevX, 25.0f);  // updated before it moved
    EXPECT_NEAR(laser->body->GetPosition().x, 25.1f, 1e-5);
    sandbox.tick(1);
    EXPECT_NEAR(laser->prevX, 25.1f, 1e-5);
}

TEST_F(ShotTest, CannonBallStrikesTheShipWithOneKilogramOfMomentum) {
    LandedShip sandbox;
    World* world = sandbox.world;
    // Lift the ship clear of the ground and throw a ball at its side.
    b2Body* ship = world->rocket->body;
    ship->SetTransform(b2Vec2(20.0f, 10.0f), 0.0f);
    ship->SetLinearVelocity(b2Vec2(0, 0));
    const b2Vec2 centre = ship->GetWorldCenter();
    Shot* ball = fire(world, centre.x - 3.0f, centre.y, 6.0f, 0.0f, CollisionCategory::CannonBall);

    const float shipMass = ship->GetMass();
    float shipVx = ship->GetLinearVelocity().x;
    for (int step = 0; step < 60; ++step) {
        const float ballVx = ball->body->GetLinearVelocity().x;
        sandbox.tick(1);
        const float newBallVx = ball->body->GetLinearVelocity().x;
        const float newShipVx = ship->GetLinearVelocity().x;
        if (newBallVx < ballVx) {
            // The step of the hit: the momentum the ball lost is what the ship gained.
            EXPECT_LT(newBallVx, 0.0f);  // it bounced
            EXPECT_NEAR(shipMass * (newShipVx - shipVx), 1.0f * (ballVx - newBallVx), 0.05f);
            EXPECT_GT(newShipVx, 1.0f);
            EXPECT_EQ(ball->life, 0);
            sandbox.tick(1);
            EXPECT_TRUE(world->shots.empty());
            return;
        }
        shipVx = newShipVx;
    }
    ADD_FAILURE() << "the ball never reached the ship";
}

TEST_F(ShotTest, DrawingLeavesColourTexturingAndLineWidthAsItFoundThem) {
    REQUIRE_GL();
    LandedShip sandbox;
    World* world = sandbox.world;
    Shot* laser = fire(world, 25.0f, 12.0f, 6.0f, 0.0f, CollisionCategory::Laser);
    fire(world, 15.0f, 12.0f, 0.0f, 0.0f, CollisionCategory::CannonBall);
    sandbox.tick(2);

    beginFrame();
    glTranslatef(400.0f - world->cameraX, 300.0f - world->cameraY, 0.0f);
    for (Shot* shot : world->shots) {
        shot->draw();
    }
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    GLfloat lineWidth = 0;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);
    EXPECT_EQ(lineWidth, 1.0f);

    // The streak's middle shows the laser's pale green.
    const b2Vec2 head = laser->body->GetWorldCenter();
    const float midX = (laser->prevX + head.x) * 16.0f + 400.0f - world->cameraX;
    const float midY = head.y * 32.0f + 300.0f - world->cameraY;
    const Pixel pixel = readPixel(static_cast<int>(midX), static_cast<int>(midY));
    EXPECT_GT(pixel.r, 200);
    EXPECT_GT(pixel.g, 240);
    EXPECT_GT(pixel.b, 180);
    EXPECT_LT(pixel.b, pixel.g);
}

}  // namespace
