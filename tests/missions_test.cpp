#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "frontend/results.h"
#include "frontend/title.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

// Every shipped mission, loaded and launched as the game does it, then flown and drawn. With
// MORVELAN_SCREENSHOTS naming a folder, the frames are saved there for the README.
namespace {

const int kSettleSteps = 180;  // three seconds: long enough to come to rest on the pad
const float kPixelsPerMetre = 32.0f;

void saveIfAsked(const std::string& name) {
    if (const char* folder = std::getenv("MORVELAN_SCREENSHOTS")) {
        saveScreenshot(std::string(folder) + "/" + name + ".ppm");
    }
}

// Draws two frames as the main loop does, so that the second is cleared with the sky colour the
// first worked out.
void drawFlightFrame(World* world) {
    for (int frame = 0; frame < 2; frame++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glLoadIdentity();
        world->draw();
    }
}

bool sameColour(Pixel pixel, float r, float g, float b) {
    const float tolerance = 2.0f / 255;
    return std::fabs(pixel.r / 255.0f - r) <= tolerance &&
           std::fabs(pixel.g / 255.0f - g) <= tolerance &&
           std::fabs(pixel.b / 255.0f - b) <= tolerance;
}

// A point 4 to 7 m beside and 1 to 4 m above `place` with open air all around it.
b2Vec2 openAirNear(World* world, b2Vec2 place) {
    for (int up = 1; up <= 4; up++) {
        for (int side = 4; side <= 7; side++) {
            for (int sign : {-1, 1}) {
                const int x = static_cast<int>(place.x) + sign * side;
                const int y = static_cast<int>(place.y) + up;
                bool open = true;
                for (int i = -2; i <= 2; i++) {
                    for (int j = -2; j <= 2; j++) {
                        open = open && !isSolidTile(world->getTile(x + i, y + j));
                    }
                }
                if (open) {
                    return b2Vec2(x + 0.5f, y + 0.5f);
                }
            }
        }
    }
    return b2Vec2(place.x, place.y + 3.0f);
}

class MissionFlight : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        REQUIRE_GL();
        resetCampaign();
        useScriptedInput();
        g_mission = GetParam();
        std::srand(7);
        world = loadMission(g_mission, &listener);
        launchShip(world);
    }
    void TearDown() override { delete world; }

    World* world = nullptr;
    myContactListener listener;
};

TEST_P(MissionFlight, TheShipSettlesUnharmedAndTheSkyShowsAboveIt) {
    const b2Vec2 start = world->rocket->body->GetPosition();
    for (int i = 0; i < kSettleSteps; i++) {
        ASSERT_EQ(world->update(), 0);
    }
    ASSERT_NE(world->rocket, nullptr);
    EXPECT_FLOAT_EQ(world->rocket->hull, static_cast<float>(g_hullLevel));
    EXPECT_FLOAT_EQ(world->rocket->fuel, g_fuelLevel * 0.75f);
    // Below its start, near the map's centre column: it stands on something.
    const b2Vec2 rest = world->rocket->body->GetPosition();
    EXPECT_LE(rest.y, start.y);
    EXPECT_NEAR(rest.x, start.x, 2.0f);

    drawFlightFrame(world);
    float sky[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, sky);
    // The top middle of the screen, above the ship, is open sky.
    EXPECT_TRUE(sameColour(readPixel(400, 560), sky[0], sky[1], sky[2]));

    // For the README: the ship beside the mission's first student.
    ASSERT_FALSE(world->students.empty());
    const b2Vec2 student = world->students.front()->body->GetPosition();
    world->rocket->body->SetTransform(openAirNear(world, student), 0.0f);
    world->update();
    world->update();
    drawFlightFrame(world);
    saveIfAsked("mission-" + std::to_string(g_mission));
}

INSTANTIATE_TEST_SUITE_P(Shipped, MissionFlight, testing::Values(0, 1, 2, 3));

// A cannon of mission 1 fires at a ship hovering beside it while the ship fires back.
TEST(MissionFight, CannonAndShipExchangeFire) {
    REQUIRE_GL();
    resetCampaign();
    ScriptedInput& input = useScriptedInput();
    g_mission = 1;
    std::srand(3);
    myContactListener listener;
    World* world = loadMission(1, &listener);
    launchShip(world);
    ASSERT_FALSE(world->cannons.empty());
    const b2Vec2 cannon = world->cannons.front()->body->GetPosition();
    const b2Vec2 hover = openAirNear(world, cannon);
    // The nose (the ship's +y axis) turned toward the cannon.
    const float aim = std::atan2(-(cannon.x - hover.x), cannon.y - hover.y);

    bool ballSeen = false, laserSeen = false;
    int ballsFired = 0;
    for (int step = 0; step < 600 && !(ballSeen && laserSeen); step++) {
        // Held in place for the picture: the fight, not the flying, is what it shows.
        world->rocket->body->SetTransform(hover, aim);
        world->rocket->body->SetLinearVelocity(b2Vec2(0, 0));
        world->rocket->body->SetAngularVelocity(0);
        // Fire back once a ball is on its way, so both show in one frame.
        if (ballsFired > 0 && step % 20 == 0) {
            input.hold(GLFW_KEY_Z);
        } else {
            input.release(GLFW_KEY_Z);
        }
        const size_t shotsBefore = world->shots.size();
        ASSERT_EQ(world->update(), 0);
        ASSERT_NE(world->rocket, nullptr);
        ballsFired += world->shots.size() > shotsBefore && world->shots.back()->type == 32;
        ballSeen = laserSeen = false;
        for (Shot* shot : world->shots) {
            ballSeen |= shot->type == 32;
            laserSeen |= shot->type == 8;
        }
    }
    EXPECT_GT(ballsFired, 0);
    EXPECT_TRUE(ballSeen && laserSeen);
    drawFlightFrame(world);
    saveIfAsked("mission-1-fight");
    delete world;
}

// The results of a first flight of mission 0, and the map editor over the same mission.
TEST(MissionScreens, ResultsAndEditor) {
    REQUIRE_GL();
    resetCampaign();
    useScriptedInput();
    g_mission = 0;
    g_bestStudents[0] = 2;
    g_bestCredits[0] = 50;
    recordResults(3, 75);
    loadMenuResources();
    beginFrame();
    drawResults();
    saveIfAsked("results");

    myContactListener listener;
    World* world = loadMission(0, &listener);
    launchShip(world);
    world->update();
    world->editorMode = true;
    ScriptedInput& input = scriptedInput();
    input.pointerX = 480;  // a little right of and above the ship
    input.pointerY = 220;
    input.hold(GLFW_KEY_LEFT_SHIFT);
    input.holdButton(GLFW_MOUSE_BUTTON_LEFT);
    world->edit();
    input.releaseAll();
    EXPECT_EQ(world->getTile(static_cast<int>(world->cursorX), static_cast<int>(world->cursorY)),
              4);
    drawFlightFrame(world);
    // The cursor is drawn in green where the pointer is, unless the paint covers it.
    const int cursorX = static_cast<int>(world->cursorX * kPixelsPerMetre) - world->cameraX + 400;
    const int cursorY = static_cast<int>(world->cursorY * kPixelsPerMetre) - world->cameraY + 300;
    Pixel cursor = readPixel(cursorX, cursorY);
    EXPECT_EQ(cursor.g, 255);
    saveIfAsked("editor");
    delete world;
}

}  // namespace
