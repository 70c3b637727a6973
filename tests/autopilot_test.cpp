#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/pilot/autopilot.h"

// The autopilot on small maps: it flies the real World through the keys alone.
namespace {

const int kSize = 64;            // tiles: the orbit line is at y = 48
const int kGroundRows = 3;       // solid rows under the surface y = 4
const float kStudentY = 4.375f;  // a student's origin standing on y = 4

// Rows from the top of the picture down to y = 1: open sky over `kGroundRows` of rock, with
// `extra` rows (listed top first) just above the ground.
std::vector<std::string> groundWith(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> picture = extra;
    for (int row = 0; row < kGroundRows; row++) {
        picture.push_back(std::string(kSize - 2, '#'));
    }
    return picture;
}

struct Flight : Sandbox {
    explicit Flight(const std::vector<std::string>& picture) : Sandbox(picture, kSize) {}

    Student* addStudent(float x) {
        Student* student = new Student(x, kStudentY, world, world->studentSheet);
        world->students.push_back(student);
        world->studentsTotal++;
        return student;
    }
    void addCannon(float x, float y) {
        world->cannons.push_back(new Cannon(x, y, world, world->cannonSheet, world->gunTexture));
        world->coinsTotal += 5;
    }
    // Steps with the autopilot at the keys until `done` holds or the World returns non-zero.
    int flyUntil(Autopilot& pilot, int steps, bool (*done)(World*)) {
        for (int i = 0; i < steps; i++) {
            pilot.step();
            int result = world->update();
            if (result != 0 || done(world)) {
                return result;
            }
        }
        return 0;
    }
};

bool never(World*) {
    return false;
}
bool rescued(World* world) {
    return world->studentsRescued > 0;
}

struct AutopilotTest : FlightTest {
    AutopilotTest() : FlightTest(3) {}
};

TEST_F(AutopilotTest, LandsBesideAStudentGentlyWaitsForItAndClimbsToOrbit) {
    Flight flight(groundWith());
    flight.addStudent(20.5f);
    flight.launch(40.0f, 10.0f);
    Autopilot pilot(flight.world);

    EXPECT_EQ(flight.flyUntil(pilot, 60 * 60, rescued), 0);
    EXPECT_EQ(flight.world->studentsRescued, 1) << pilot.logText();
    EXPECT_EQ(flight.world->studentsKilled, 0);
    EXPECT_FLOAT_EQ(flight.world->rocket->hull, 1.0f) << "a touchdown that costs nothing";
    b2Vec2 ship = flight.world->rocket->body->GetPosition();
    EXPECT_NEAR(ship.y, 4.75f, 0.05f) << "standing on the ground beside the student";
    EXPECT_GE(std::abs(ship.x - 20.5f), 1.0f) << "it walked to the ship, not the ship onto it";

    EXPECT_EQ(flight.flyUntil(pilot, 60 * 60, never), 1) << pilot.logText();
    EXPECT_TRUE(pilot.headingForOrbit());
}

TEST_F(AutopilotTest, PlansThroughPassagesWideEnoughForTheShipOnly) {
    // A wall across the map at x = 30..31, with a 4-tile opening low down and a 1-tile slit
    // higher up; the ship is to the left of it.
    std::vector<std::string> picture(kSize - 1, std::string(kSize - 2, '.'));
    for (int y = 1; y < kSize; y++) {
        bool opening = y >= 10 && y <= 13;
        bool slit = y == 30;
        if (!opening && !slit) {
            picture[kSize - 1 - y].replace(29, 2, "##");
        }
    }
    Flight flight(picture);
    World* world = flight.world;
    ClearanceGrid grid(*world, true);
    EXPECT_NEAR(grid.at(b2Vec2(30.0f, 12.0f)), 2.0f, 0.01f) << "middle of the opening";
    EXPECT_EQ(grid.at(b2Vec2(30.5f, 20.5f)), 0.0f) << "inside the wall";

    FlightPlan plan(grid, b2Vec2(10.0f, 30.0f), 0.0f);
    b2Vec2 beyond(50.0f, 30.0f);
    ASSERT_GE(plan.costTo(beyond), 0.0f);
    std::vector<b2Vec2> legs = plan.pathTo(beyond);
    ASSERT_GE(legs.size(), 2u);
    bool throughOpening = false;
    for (size_t i = 0; i + 1 < legs.size(); i++) {
        for (float t = 0; t <= 1.0f; t += 0.02f) {
            b2Vec2 q = legs[i] + t * (legs[i + 1] - legs[i]);
            EXPECT_GE(grid.at(q), 0.75f) << "at (" << q.x << ", " << q.y << ")";
            throughOpening |= q.x > 29.0f && q.x < 32.0f && q.y > 10.0f && q.y < 14.0f;
        }
    }
    EXPECT_TRUE(throughOpening) << "the slit at y = 30 is too narrow";
    EXPECT_GT(plan.lengthTo(beyond), 40.0f);
}

TEST_F(AutopilotTest, ShootsABreakableWallOpenToReachAStudentBehindIt) {
    // A pocket on the ground, 12 tiles wide and 4 high, walled up with Breakable rock.
    std::string roof = std::string(14, '#') + std::string(kSize - 16, '.');
    std::string inside = std::string(12, '.') + "%%" + std::string(kSize - 16, '.');
    Flight flight(groundWith({roof, inside, inside, inside, inside}));
    flight.addStudent(6.5f);
    flight.launch(30.0f, 12.0f);
    Autopilot pilot(flight.world);

    flight.flyUntil(pilot, 60 * 120, rescued);
    EXPECT_EQ(flight.world->studentsRescued, 1) << pilot.logText();
    EXPECT_EQ(flight.world->studentsKilled, 0);
    int opened = 0;
    for (int y = 4; y <= 7; y++) {
        opened +=
            (flight.world->getTile(13, y) == Backdrop) + (flight.world->getTile(14, y) == Backdrop);
    }
    EXPECT_GE(opened, 2);
}

TEST_F(AutopilotTest, ShootsTheCannonCoveringALandingSpotFirst) {
    Flight flight(groundWith());
    flight.addStudent(20.5f);
    flight.addCannon(32.5f, 4.5f);
    flight.launch(48.0f, 20.0f);
    Autopilot pilot(flight.world);

    flight.flyUntil(pilot, 60 * 120, rescued);
    EXPECT_TRUE(flight.world->cannons.empty()) << pilot.logText();
    EXPECT_EQ(flight.world->studentsRescued, 1) << pilot.logText();
    EXPECT_EQ(flight.world->studentsKilled, 0);
}

TEST_F(AutopilotTest, LeavesForOrbitWhenOneMoreHitCouldDestroyTheShip) {
    Flight flight(groundWith());
    flight.addStudent(20.5f);
    flight.launch(40.0f, 10.0f);
    flight.world->rocket->hull = 0.3f;
    Autopilot pilot(flight.world);

    EXPECT_EQ(flight.flyUntil(pilot, 60 * 60, never), 1) << pilot.logText();
    EXPECT_EQ(flight.world->studentsRescued, 0);
}

}  // namespace
