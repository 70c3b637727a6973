#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "drawing/font.h"
#include "frontend/mission_select.h"
#include "frontend/results.h"
#include "frontend/shop.h"
#include "frontend/title.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

// Where each menu screen puts its texts and pictures, read back from the real draw calls: a
// moved line, a lost gap or another row's data changes the list.
namespace {

using Texts = std::vector<std::string>;

class ScreenLayout : public testing::Test {
protected:
    void SetUp() override {
        if (!hasGlContext()) {
            GTEST_SKIP() << "no GL";
        }
        resetCampaign();
        useScriptedInput();
        font.reset(new Font("graphics/font.tga", 10, 16));
        g_font = font.get();
    }
    void TearDown() override { g_font = nullptr; }

    std::unique_ptr<Font> font;
};

TEST_F(ScreenLayout, Title) {
    TitleMenu menu;
    menu.selection = NewGame;
    scriptedInput().clock = 0.25;
    EXPECT_EQ(placedTexts(drawnScreen([&] { drawTitle(menu, font.get()); })),
              (Texts{
                  "(45, 450) In the year 200X, space kids fly to intergalactic space class in "
                  "the...",
                  "(-310, 386) x2 rgb(1, 1, 0.1)                        --\\\\ ZELVORNIKATROPE "
                  "//--                       ",
                  "(300, 300) CONTINUE GAME",
                  "(300, 268) NEW GAME",
                  "(300, 236) QUIT",
                  "(45, 132)                        [PRESS 'Z' TO SELECT]                        "
                  "   ",
                  "(268, 268) >",
              }));

    // The prompt's dark half second; the marker follows the choice.
    menu.selection = QuitGame;
    scriptedInput().clock = 1.75;
    Texts texts = placedTexts(drawnScreen([&] { drawTitle(menu, font.get()); }));
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[4], "(300, 236) QUIT");
    EXPECT_EQ(texts[5], "(268, 236) >");
}

TEST_F(ScreenLayout, MissionSelect) {
    g_bestStudents[0] = 1;
    g_bestStudents[2] = 4;  // 5 in all: rows 0 to 2 open
    g_bestCredits[2] = 600;
    g_missionSelection = 2;
    missionSelectUpdate();
    g_missionScroll = 64;  // settled on row 2
    EXPECT_EQ(placedTexts(drawnScreen(drawMissionSelect)),
              (Texts{
                  "(96, 284) >",
                  "(128, 348) MISSION 00",
                  "(128, 316) MISSION 01",
                  "(128, 284) MISSION 02",
                  "(400, 400) GRAVITATIONAL FIELD: 2.5",
                  "(400, 368) ATMOSPHERIC DENSITY: 1",
                  "(400, 336) HYDROSPHERE: SUBTERRANEAN",
                  "(400, 304) WEATHER:     CALM",
                  "(400, 240) STUDENTS DELIVERED: 4 / 13",
                  "(400, 208) CREDITS EARNED:     600 / 1050",
                  "(32, 532) Use the UP and DOWN arrow keys to select a mission.",
                  "(32, 500) Press 'Z' to make your choice.                     ",
                  "(32, 64) TOTAL STUDENTS DELIVERED: 5",
                  "(32, 32) NEXT MISSION AT:          12",
              }));

    // Mid-way the list stands off the whole pixel, and the information follows the selection.
    g_missionSelection = 1;
    g_missionScroll = 38.4f;
    Texts texts = placedTexts(drawnScreen(drawMissionSelect));
    ASSERT_EQ(texts.size(), 14u);
    EXPECT_EQ(texts[1], "(128, 322.4) MISSION 00");
    EXPECT_EQ(texts[4], "(400, 400) GRAVITATIONAL FIELD: 4");
    EXPECT_EQ(texts[8], "(400, 240) STUDENTS DELIVERED: 0 / 5");
}

TEST_F(ScreenLayout, Shop) {
    g_weaponLevel = 3;
    g_hullLevel = 8;
    g_fuelLevel = 2;
    g_shopSelection = 3;
    g_shopCredits = 1234;
    DrawnScreen screen = drawnScreen(drawShop);
    EXPECT_EQ(placedTexts(screen),
              (Texts{
                  "(64, 536) rgb(0, 1, 0) Credits: 1234",
                  "(64, 64) rgb(1, 1, 0) Rocketship Mass: 150",
                  "(64, 40) A more massive rocketship will be difficult to steer,",
                  "(64, 16) but it will be less affected by atmospheric conditions.",
                  "(368, 204) >",
                  "(400, 300) Weapons Power   ",
                  "(580, 300) ---",
                  "(400, 268) Maneuverability ",
                  "(580, 268) -",
                  "(400, 236) Hull Resistance ",
                  "(580, 236) --------",
                  "(400, 204) Fuel Capacity   ",
                  "(580, 204) --",
                  "(400, 172) Thrust Power    ",
                  "(580, 172) -",
                  "(64, 468) Spend the credits you earned to upgrade your RocketShip!",
                  "(64, 436) Select a part with the UP and DOWN arrow keys.          ",
                  "(64, 404) Use the left and right arrow keys to modify the part.   ",
                  "(64, 372) When you are ready to go, press 'Z'!                    ",
              }));
    ASSERT_EQ(screen.quads.size(), 1u) << "the ship's picture";
    const DrawnQuad& ship = screen.quads[0];
    EXPECT_EQ(ship.left, 128);
    EXPECT_EQ(ship.bottom, 176);
    EXPECT_EQ(ship.right, 256);
    EXPECT_EQ(ship.top, 304);
    EXPECT_EQ(ship.sLeft, 0);
    EXPECT_EQ(ship.tBottom, 0);
    EXPECT_EQ(ship.sRight, 1);
    EXPECT_EQ(ship.tTop, 1);
}

TEST_F(ScreenLayout, Results) {
    g_bestStudents[0] = 3;
    g_bestStudents[1] = 2;
    g_bestCredits[0] = 75;
    g_bestCredits[1] = 200;
    g_mission = 1;
    recordResults(5, 150);
    scriptedInput().clock = 2.4;
    EXPECT_EQ(placedTexts(drawnScreen(drawResults)),
              (Texts{
                  "(264, 450) STUDENTS DELIVERED:  5",
                  "(264, 418) MISSION BEST:        2",
                  "(264, 386) TOTAL DELIVERED:     8",
                  "(264, 322) CREDITS SCORED:  150",
                  "(264, 290) MISSION BEST:    200",
                  "(264, 258) TOTAL CREDITS:   275",
                  "(45, 132)                       [PRESS 'Z' TO CONTINUE]                       ",
              }));

    scriptedInput().clock = 2.6;
    EXPECT_EQ(drawnScreen(drawResults).texts.size(), 6u) << "the prompt's dark half second";
}

}  // namespace
