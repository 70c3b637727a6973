#include "flight/hud.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "drawing/font.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"

namespace {

// A glyph atlas in which every character looks different: the upper half of glyph c shows the
// bits of c as bars, the lower half a fixed hatch, so blanks are visible too.
std::string writeFontAtlas(const std::string& dir) {
    const int kWidth = 128, kHeight = 256;
    std::vector<Rgba> texels(kWidth * kHeight, Rgba{0, 0, 0, 0});
    for (int code = 0; code < 256; code++) {
        const int left = (code % 16) * 8, topRow = (code / 16) * 16;  // rows from the top
        for (int gy = 0; gy < 16; gy++) {
            for (int gx = 0; gx < 8; gx++) {
                const bool lit =
                    gy < 8 ? ((code >> gy) & 1) && gx >= 1 && gx <= 6 : (gx + gy) % 3 == 0;
                if (lit) {
                    const int fromBottom = kHeight - 1 - (topRow + gy);
                    texels[fromBottom * kWidth + left + gx] = {255, 255, 255, 255};
                }
            }
        }
    }
    const std::string path = dir + "/font.tga";
    writePixels(path, kWidth, kHeight, texels);
    return path;
}

// A sandbox whose HUD font is the recognisable atlas above.
struct Scene : MissionScene {
    Scene(int mission, int size) : MissionScene(mission, size) {
        World* world = sandbox.world;
        delete world->font;
        world->font = new Font(writeFontAtlas(makeScratchDir()).c_str(), 10, 16);
    }

    // The pixels of a screen rectangle, bounds inclusive.
    static std::vector<uint8_t> grab(int x0, int y0, int x1, int y1) {
        std::vector<uint8_t> rgb((x1 - x0 + 1) * (y1 - y0 + 1) * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x0, y0, x1 - x0 + 1, y1 - y0 + 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    // A frame holding only `lines` (32 pixels apart) printed with the world's font at (x, y).
    void drawText(int x, int y, const std::vector<const char*>& lines) {
        beginFrame();
        for (const char* line : lines) {
            glPushMatrix();
            glTranslatef(x, y, 0);
            sandbox.world->font->print(line, static_cast<int>(std::strlen(line)));
            glPopMatrix();
            y -= 32;
        }
    }
};

TEST(HudDraw, HullAndFuelBars) {
    REQUIRE_GL();
    g_mission = 0;
    g_hullLevel = 2;
    g_fuelLevel = 4;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    sandbox.launch(64.5f, 100.0f);
    world->cameraX = world->cameraY = 8000;  // nothing of the world behind the HUD
    Rocket* ship = world->rocket;
    const float kHull[3] = {127.5f, 255, 0}, kFuel[3] = {204, 127.5f, 25.5f};
    auto hullAt = [&](int x) { return pixelNear(readPixel(x, 20), kHull[0], kHull[1], kHull[2]); };
    auto fuelAt = [&](int x) { return pixelNear(readPixel(x, 52), kFuel[0], kFuel[1], kFuel[2]); };

    ship->hull = 2.0f;  // full
    ship->fuel = 3.0f;  // full: 4 levels of 0.75
    beginFrame();
    world->draw();
    EXPECT_TRUE(hullAt(135));
    EXPECT_FALSE(hullAt(136));
    EXPECT_TRUE(fuelAt(135));
    EXPECT_FALSE(fuelAt(136));

    ship->hull = 1.0f;  // half: ends at 72
    ship->fuel = 6.0f;  // twice full: not capped, ends at 264
    beginFrame();
    world->draw();
    EXPECT_TRUE(hullAt(71));
    EXPECT_FALSE(hullAt(72));
    EXPECT_TRUE(fuelAt(263));
    EXPECT_FALSE(fuelAt(264));

    for (float empty : {0.0f, -1.0f, std::nanf("")}) {
        ship->hull = ship->fuel = empty;
        beginFrame();
        world->draw();
        for (int x = 50; x <= 140; x += 10) {
            EXPECT_FALSE(hullAt(x)) << empty << " at " << x;
            EXPECT_FALSE(fuelAt(x)) << empty << " at " << x;
        }
    }

    // Without a ship there are no bars.
    ship->hull = -1.0f;
    ship->fuel = 3.0f;
    sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->cameraX = world->cameraY = 8000;
    beginFrame();
    world->draw();
    EXPECT_FALSE(hullAt(100));
    EXPECT_FALSE(fuelAt(100));
    resetCampaign();
}

// The message chosen for each state of the flight, with its exact text and place.
TEST(HudDraw, MessageFollowsTheFlightState) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    sandbox.launch(64.5f, 63.75f);  // on mission 0's start tile (64, 63)
    Rocket* ship = world->rocket;
    auto message = [&]() {
        const HudMessage m = chooseHudMessage(*world);
        std::string text = m.firstLine ? m.firstLine : "";
        if (m.secondLine) {
            text += std::string("|") + m.secondLine;
        }
        return text + " @" + std::to_string(m.x) + "," + std::to_string(m.y);
    };
    auto moveShip = [&](float x, float y) { ship->body->SetTransform(b2Vec2(x, y), 0.0f); };

    EXPECT_EQ(message(), "Use the arrow keys to fly. @270,364");
    moveShip(65.5f, 63.75f);
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");

    // An empty tank is announced only once a retry is allowed.
    ship->fuel = 0.0f;
    world->deadFrames = 120;
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");
    world->deadFrames = 121;
    EXPECT_EQ(message(), "    -- OUT OF FUEL --    |Press 'Z' to try again... @275,364");

    // Orbit: strictly above 32 m below the top; below the empty tank in priority.
    moveShip(65.5f, 96.0f);
    EXPECT_EQ(message(), "    -- OUT OF FUEL --    |Press 'Z' to try again... @275,364");
    ship->fuel = 1.0f;
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");
    moveShip(65.5f, 96.01f);
    EXPECT_EQ(message(), "ENTERING ORBIT... @325,350");

    moveShip(30.5f, 50.0f);
    world->studentsRescued = 1;
    world->studentsKilled = 2;
    EXPECT_EQ(message(), "To end the mission, go into orbit! @230,364");
    world->studentsKilled = 1;
    EXPECT_EQ(message(), " @0,0");
    g_mission = 1;
    world->studentsKilled = 2;
    EXPECT_EQ(message(), " @0,0");
    g_mission = 0;

    // The ship lost: nothing until a retry is allowed.
    ship->hull = -1.0f;
    sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->deadFrames = 120;
    EXPECT_EQ(message(), " @0,0");
    world->deadFrames = 121;
    EXPECT_EQ(message(), "   -- YOU CRASHED!! --   |Press 'Z' to try again... @275,364");
}

// What the frame shows where messages stand, compared with the same text printed alone.
TEST(HudDraw, MessagesAndCountersAreDrawnWhereTheyBelong) {
    REQUIRE_GL();
    Scene scene(0, 128);
    World* world = scene.sandbox.world;
    const int kBox[4] = {200, 300, 640, 400};
    auto messageBox = [&]() { return Scene::grab(kBox[0], kBox[1], kBox[2], kBox[3]); };

    // The crash message appears once a retry is allowed.
    world->rocket->hull = -1.0f;
    scene.sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->cameraX = world->cameraY = 8000;  // nothing of the world behind the text
    world->deadFrames = 120;
    scene.draw();
    const std::vector<uint8_t> drawn120 = messageBox();
    scene.drawText(0, 0, {});
    EXPECT_EQ(drawn120, messageBox());

    world->deadFrames = 121;
    scene.draw();
    const std::vector<uint8_t> drawn121 = messageBox();
    scene.drawText(275, 364, {"   -- YOU CRASHED!! --   ", "Press 'Z' to try again..."});
    EXPECT_EQ(drawn121, messageBox());
    scene.drawText(275, 364, {"    -- OUT OF FUEL --    ", "Press 'Z' to try again..."});
    EXPECT_NE(drawn121, messageBox());

    // Counters in plain decimals: students, and credits at 25 a student and 5 a coin.
    world->studentsRescued = 2;
    world->studentsTotal = 3;
    world->coinsCollected = 5;
    world->coinsTotal = 10;
    scene.draw();
    const std::vector<uint8_t> students = Scene::grab(41, 95, 140, 113);
    const std::vector<uint8_t> credits = Scene::grab(41, 71, 140, 89);
    scene.drawText(40, 96, {"x2 / 3"});
    EXPECT_EQ(students, Scene::grab(41, 95, 140, 113));
    scene.drawText(40, 72, {"x75 / 125"});
    EXPECT_EQ(credits, Scene::grab(41, 71, 140, 89));
}

TEST(HudDraw, MissionZeroHintIsDrawnOverTheWorld) {
    REQUIRE_GL();
    Scene scene(0, 128);
    World* world = scene.sandbox.world;
    scene.sandbox.launch(64.5f, 63.75f);
    world->cameraX = world->cameraY = 8000;
    scene.draw();
    const std::vector<uint8_t> drawn = Scene::grab(200, 300, 640, 400);
    scene.drawText(270, 364, {"Use the arrow keys to fly."});
    EXPECT_EQ(drawn, Scene::grab(200, 300, 640, 400));
}

}  // namespace
