#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/explosion.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"

namespace {

const float kShipX = 20.0f;

// Three rows of ground under the ship and the students, surface y = 4; `underStudents` is the
// kind of the top row's columns 6 to 15 (x = 6..15).
std::vector<std::string> ground(char underStudents = '#') {
    const std::string rock(62, '#');
    std::string top = rock;
    top.replace(5, 10, std::string(10, underStudents));
    return {top, rock, rock};
}

// A ship standing on the ground at x = 20 and one student standing at `x`.
struct LandingSite : Sandbox {
    explicit LandingSite(float x, char underStudents = '#') : Sandbox(ground(underStudents)) {
        launch(kShipX, 4.76f);
        student = new Student(x, 4.4f, world, world->studentSheet);
        world->students.push_back(student);
        tick(60);
    }

    // Puts the student at rest `dx` metres left of the ship's origin and runs one step; with a
    // height offset, at the height where the landed-ship test reads that offset.
    void stepWithStudentAt(float dx) { place(dx, student->body->GetPosition().y); }
    void stepWithStudentAt(float dx, float heightOffset) {
        place(dx, (world->rocket->body->GetPosition().y - 0.5f) - heightOffset);
    }
    void place(float dx, float y) {
        student->body->SetTransform(b2Vec2(world->rocket->body->GetPosition().x - dx, y), 0.0f);
        student->body->SetLinearVelocity(b2Vec2(0, 0));
        tick(1);
    }

    Student* student;
};

struct StudentTest : FlightTest {
    StudentTest() : FlightTest(7) {}
};

TEST_F(StudentTest, StartsWithARandomFacingAndAPhaseInHundredthsOfFour) {
    Sandbox sandbox({"."});
    std::set<float> phases;
    std::set<bool> facings;
    for (int i = 0; i < 200; ++i) {
        Student student(10.0f, 10.0f, sandbox.world, sandbox.world->studentSheet);
        EXPECT_GE(student.phase, 0.0f);
        EXPECT_LE(student.phase, 3.96f + 1e-6f);
        phases.insert(student.phase);
        facings.insert(student.facingLeft);
    }
    EXPECT_GT(phases.size(), 50u);  // not a handful of whole values
    EXPECT_EQ(facings.size(), 2u);
}

TEST_F(StudentTest, WalksAlongFlatRockToALandedShipAndBoardsIt) {
    LandingSite site(14.5f);
    World* world = site.world;
    Rocket* ship = world->rocket;
    const float startX = site.student->body->GetPosition().x;
    site.tick(1);
    EXPECT_TRUE(site.student->walking);
    EXPECT_FALSE(site.student->facingLeft);
    EXPECT_NEAR(site.student->body->GetPosition().x, startX + 0.01f, 1e-4);

    ship->hull = static_cast<float>(g_hullLevel) - 0.1f;
    ship->fuel = g_fuelLevel * 0.75f - 0.05f;
    for (int step = 0; step < 600 && !world->students.empty(); ++step) {
        site.tick(1);
    }
    ASSERT_TRUE(world->students.empty());
    EXPECT_EQ(world->studentsRescued, 1);
    EXPECT_EQ(world->studentsKilled, 0);
    EXPECT_EQ(ship->hull, static_cast<float>(g_hullLevel));
    EXPECT_LE(ship->fuel, g_fuelLevel * 0.75f);
    EXPECT_GT(ship->fuel, g_fuelLevel * 0.75f - 0.01f);
    EXPECT_GT(ship->pulse, 0.0f);
}

TEST_F(StudentTest, BoardsWithinOneMetreAndWalksBeyondIt) {
    LandingSite site(14.5f);
    site.stepWithStudentAt(1.01f);
    EXPECT_EQ(site.world->studentsRescued, 0);
    EXPECT_TRUE(site.student->walking);

    // Refills stop at the ship's limits.
    Rocket* ship = site.world->rocket;
    ship->hull = static_cast<float>(g_hullLevel);
    ship->fuel = g_fuelLevel * 0.75f;
    site.stepWithStudentAt(1.0f);
    EXPECT_EQ(site.world->studentsRescued, 1);
    EXPECT_TRUE(site.world->students.empty());
    EXPECT_EQ(ship->hull, static_cast<float>(g_hullLevel));
    EXPECT_EQ(ship->fuel, g_fuelLevel * 0.75f);
}

TEST_F(StudentTest, StaysPutUnlessTheShipHasLandedCloseOnItsLevel) {
    LandingSite site(14.5f);
    const auto walked = [&site](float xBefore) {
        return site.student->walking && site.student->body->GetPosition().x != xBefore;
    };
    const auto shipX = [&site]() { return site.world->rocket->body->GetPosition().x; };

    site.stepWithStudentAt(9.99f);
    EXPECT_TRUE(walked(shipX() - 9.99f));
    site.stepWithStudentAt(10.0f);
    EXPECT_FALSE(walked(shipX() - 10.0f));
    site.stepWithStudentAt(-10.0f);
    EXPECT_FALSE(walked(shipX() + 10.0f));
    EXPECT_TRUE(site.student->facingLeft);  // the ship is to its left

    // A ship still moving has not landed.
    site.world->rocket->body->SetLinearVelocity(b2Vec2(0.0f, 0.06f));
    site.stepWithStudentAt(5.0f);
    EXPECT_FALSE(walked(shipX() - 5.0f));
    EXPECT_FALSE(site.student->facingLeft);
    site.world->rocket->body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));

    // The ship's origin must stand 0.5 m above the student's, give or take less than 0.25 m.
    site.stepWithStudentAt(5.0f, 0.24f);
    EXPECT_TRUE(walked(shipX() - 5.0f));
    site.stepWithStudentAt(5.0f, 0.25f);
    EXPECT_FALSE(walked(shipX() - 5.0f));
    EXPECT_EQ(site.world->studentsRescued, 0);
}

TEST_F(StudentTest, DoesNotWalkOnBreakableGround) {
    LandingSite site(10.5f, '%');
    const float x = site.student->body->GetPosition().x;
    site.tick(30);
    EXPECT_TRUE(site.student->walking);
    EXPECT_EQ(site.student->body->GetPosition().x, x);
}

TEST_F(StudentTest, ShotStudentDiesInAPuffThatFliesOn) {
    LandingSite site(14.5f);
    World* world = site.world;
    // A laser from the left, level with the student's middle.
    const b2Vec2 target = site.student->body->GetWorldCenter();
    world->shots.push_back(
        new Shot(target.x - 2.0f, target.y, world, 20.0f, 0.0f, CollisionCategory::Laser));
    for (int step = 0; step < 20 && site.student->life >= 0.0f; ++step) {
        site.tick(1);
    }
    ASSERT_LT(site.student->life, 0.0f);
    const b2Vec2 velocity = site.student->body->GetLinearVelocity();
    EXPECT_GT(velocity.x, 0.0f);  // knocked away by the shot
    const size_t puffs = world->explosions.size();

    site.tick(1);
    EXPECT_TRUE(world->students.empty());
    EXPECT_EQ(world->studentsKilled, 1);
    EXPECT_EQ(world->studentsRescued, 0);
    ASSERT_EQ(world->explosions.size(), puffs + 1);
    Explosion* puff = world->explosions.back();
    EXPECT_EQ(puff->row, 1);
    EXPECT_EQ(puff->frames, 4);
    EXPECT_EQ(puff->sheet, world->studentSheet);
    EXPECT_NEAR(puff->body->GetLinearVelocity().x, velocity.x, 0.05f);
}

TEST_F(StudentTest, SurvivesAHitThatHasHealedAboveZero) {
    LandingSite site(14.5f);
    site.student->life = -0.05f;  // heals to 0.05 at its next update
    site.stepWithStudentAt(5.0f);
    EXPECT_EQ(site.world->students.size(), 1u);
    EXPECT_EQ(site.world->studentsKilled, 0);
}

}  // namespace
