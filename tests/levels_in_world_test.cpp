#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "tests/shipped_levels.h"
#include "tests/test_support.h"
#include "tools/levels/checker.h"
#include "tools/levels/missions.h"

namespace {

// The shipped levels in the real World, stepped by the real flight step.
class LevelsInWorld : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL();
        resetCampaign();
        srand(11);
    }

    World* load(int mission) {
        delete world;
        g_mission = mission;
        world = new World(g_worldSize[mission]);
        world->loadMap(shippedMap(mission).c_str());
        world->loadObjects(shippedObjects(mission).c_str());
        world->physics->SetContactListener(&listener);
        launchShip(world);
        return world;
    }

    // Holds the ship still at (x, y) without letting it touch anything, so that only the wake
    // rule feels it, with the camera (and the terrain bodies) around it.
    void hoverGhost(float x, float y) {
        b2Body* ship = world->rocket->body;
        ship->SetEnabled(false);
        ship->SetTransform(b2Vec2(x, y), 0);
        ship->SetLinearVelocity(b2Vec2(0, 0));
        b2Vec2 centre = ship->GetWorldCenter();
        world->cameraX = world->prevCameraX = static_cast<int>(centre.x * 32);
        world->cameraY = world->prevCameraY = static_cast<int>(centre.y * 32);
        world->updateTileBodies();
    }
    void stepHovering(int steps, b2Vec2 at) {
        for (int i = 0; i < steps; i++) {
            world->rocket->body->SetTransform(at, 0);
            world->rocket->body->SetLinearVelocity(b2Vec2(0, 0));
            world->rocket->hull = static_cast<float>(g_hullLevel);
            ASSERT_EQ(world->update(), 0);
        }
    }

    void TearDown() override { delete world; }

    World* world = nullptr;
    myContactListener listener;
};

TEST_F(LevelsInWorld, LoadTheMissionsStudentsAndCoins) {
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        EXPECT_EQ(world->studentsTotal, g_maxStudents[m]) << m;
        EXPECT_EQ(25 * world->studentsTotal + 5 * world->coinsTotal, g_maxCredits[m]) << m;
        delete world;
        world = nullptr;
    }
}

TEST_F(LevelsInWorld, TheShipSettlesOnThePadUnderItsStart) {
    const int kSteps = 300;  // five seconds
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        for (int i = 0; i < kSteps; i++) {
            ASSERT_EQ(world->update(), 0) << m;
        }
        b2Body* ship = world->rocket->body;
        EXPECT_EQ(world->rocket->hull, g_hullLevel) << m;
        EXPECT_LT(ship->GetLinearVelocity().Length(), 0.05f) << m;
        EXPECT_NEAR(ship->GetPosition().x, g_worldSize[m] / 2, 0.1f) << m;
        EXPECT_NEAR(ship->GetPosition().y, kMissionLayouts[m].padTop + 0.75f, 0.05f) << m;
        if (m == 0) {
            EXPECT_EQ(static_cast<int>(ship->GetPosition().y), 63);
        }
        delete world;
        world = nullptr;
    }
}

TEST_F(LevelsInWorld, EveryStudentStandsWhereItWasPlaced) {
    const int kSteps = 60;
    const float kAbove = 2.0f;  // m: the ship in the air over the student, too high to be seen
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        std::vector<Student*> students(world->students.begin(), world->students.end());
        for (size_t i = 0; i < students.size(); i++) {
            b2Vec2 start = students[i]->body->GetPosition();
            b2Vec2 hover(start.x, start.y + kAbove);
            hoverGhost(hover.x, hover.y);
            stepHovering(kSteps, hover);
            ASSERT_EQ(world->studentsKilled, 0) << m << " " << i;
            b2Vec2 now = students[i]->body->GetPosition();
            EXPECT_NEAR(now.x, start.x, 0.02f) << "mission " << m << " student " << i;
            EXPECT_NEAR(now.y, start.y, 0.05f) << "mission " << m << " student " << i;
            EXPECT_LT(students[i]->body->GetLinearVelocity().Length(), 0.05f) << m << " " << i;
        }
        delete world;
        world = nullptr;
    }
}

// The whole rescue, for every student: a ship set down on the landing spot beside it settles,
// the student walks over the flat ground to it and boards. Cannons are left out: only the
// ground is on trial here.
TEST_F(LevelsInWorld, EveryStudentWalksToAShipLandedBesideItAndBoards) {
    const int kSteps = 1200;         // 20 s: nine metres at 0.6 m/s, and time to settle
    const float kShipAbove = 0.76f;  // m: the resting ship's origin over the floor
    std::string scratch = makeScratchDir();
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<uint8_t> objects = readBytes(shippedObjects(m));
        std::vector<LandingSpot> spots = findLandingSpots(m, readBytes(shippedMap(m)), objects);
        std::vector<uint8_t> studentsOnly;
        for (size_t at = 0; at + 12 <= objects.size(); at += 12) {
            if (objects[at] == kStudent) {
                studentsOnly.insert(studentsOnly.end(), &objects[at], &objects[at] + 12);
            }
        }
        std::string path = scratch + "/" + shippedObjects(m).substr(5);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(studentsOnly.data()), studentsOnly.size());
        ASSERT_EQ(spots.size(), static_cast<size_t>(g_maxStudents[m]));
        for (size_t i = 0; i < spots.size(); i++) {
            ASSERT_TRUE(spots[i].found) << m << " " << i;
            load(m);
            world->loadObjects(path.c_str());
            hoverGhost(spots[i].x, spots[i].y + kShipAbove);
            world->rocket->body->SetEnabled(true);
            int rescued = 0;
            for (int step = 0; step < kSteps && rescued == 0; step++) {
                ASSERT_EQ(world->update(), 0);
                rescued = world->studentsRescued;
            }
            EXPECT_EQ(rescued, 1) << "mission " << m << " student " << i << ", ship at ("
                                  << spots[i].x << ", " << spots[i].y << ")";
            EXPECT_EQ(world->studentsKilled, 0) << m << " " << i;
            EXPECT_EQ(world->rocket->hull, g_hullLevel) << m << " " << i;
            delete world;
            world = nullptr;
        }
    }
}

TEST_F(LevelsInWorld, EveryCannonGetsAShotAwayAtAShipAboveIt) {
    const int kSteps = 202;     // a full fire cycle
    const float kAbove = 5.0f;  // m
    // Off the line straight up: a barrel pointing straight away from the ship gets no torque.
    const float kAside = 2.0f;        // m
    const float kFromMuzzle = 1.25f;  // m from the base: a ball just out of this barrel
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        std::vector<Cannon*> cannons(world->cannons.begin(), world->cannons.end());
        for (size_t i = 0; i < cannons.size(); i++) {
            b2Vec2 base = cannons[i]->body->GetPosition();
            b2Vec2 hover(base.x + kAside, base.y + kAbove);
            hoverGhost(hover.x, hover.y);
            bool fired = false;
            for (int step = 0; step < kSteps && !fired; step++) {
                stepHovering(1, hover);
                for (Shot* shot : world->shots) {
                    fired |= shot->type == CollisionCategory::CannonBall &&
                             (shot->body->GetPosition() - base).Length() < kFromMuzzle;
                }
            }
            EXPECT_TRUE(fired) << "mission " << m << " cannon " << i << " at (" << base.x << ", "
                               << base.y << ")";
            for (Shot* shot : world->shots) {
                shot->end();  // clear the air for the next cannon
            }
            stepHovering(1, hover);
        }
        delete world;
        world = nullptr;
    }
}

}  // namespace
