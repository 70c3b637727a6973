#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>

#include "campaign/campaign_state.h"
#include "drawing/font.h"
#include "frontend/mission_select.h"
#include "frontend/progress.h"
#include "frontend/shop.h"
#include "frontend/title.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"

namespace {

// Runs `steps` steps of a screen with the same keys held, as one pass of the main loop does.
template <typename Step>
auto frame(Step step, int steps = 3) {
    auto result = step();
    for (int i = 1; i < steps; i++) {
        step();
    }
    return result;
}

// A font whose glyphs are solid 8 x 16 blocks for the given characters and nothing for the rest,
// so a character's place on the screen can be read back from the pixels.
Font* blockFont(const std::string& opaque) {
    const int cell = 16, cells = 16;
    Image atlas(cell * cells, cell * cells);
    for (unsigned char c : opaque) {
        int left = (c % cells) * cell;
        int bottom = (cells - 1 - c / cells) * cell;  // row 0 is the atlas's top
        for (int y = bottom; y < bottom + cell; y++) {
            for (int x = left; x < left + cell; x++) {
                atlas.set(x, y, {255, 255, 255, 255});
            }
        }
    }
    std::string path = makeScratchDir() + "/font.tga";
    writeTga(path, atlas, 32);
    return new Font(path.c_str(), 10, 16);
}

bool lit(int x, int y) {
    Pixel p = readPixel(x, y);
    return p.r + p.g + p.b > 0;
}

class Menus : public CampaignTest {
protected:
    void SetUp() override {
        CampaignTest::SetUp();
        g_missionSelection = 0;
        g_missionScroll = 0;
        g_shopSelection = 0;
        g_shopCredits = 0;
    }
    void setTotalStudents(int total) { g_bestStudents[7] = total; }
};

// --- Title --------------------------------------------------------------------------------------

TEST_F(Menus, TitleArrowsWrapAndAHeldArrowMovesOnce) {
    TitleMenu menu;
    press({GLFW_KEY_UP});
    EXPECT_EQ(frame([&] { return titleUpdate(menu); }), TitleStays);
    EXPECT_EQ(menu.selection, QuitGame);
    frame([&] { return titleUpdate(menu); });
    EXPECT_EQ(menu.selection, QuitGame) << "held: the latch stops it";

    press({});
    titleUpdate(menu);
    press({GLFW_KEY_DOWN});
    frame([&] { return titleUpdate(menu); });
    EXPECT_EQ(menu.selection, ContinueGame) << "DOWN on QUIT wraps";

    // ENTER pressed while an arrow is held does nothing: the arrow comes first.
    press({GLFW_KEY_DOWN, GLFW_KEY_ENTER});
    EXPECT_EQ(frame([&] { return titleUpdate(menu); }), TitleStays);
    EXPECT_EQ(menu.selection, ContinueGame);
}

TEST_F(Menus, TitleConfirmIgnoresTheLatchAndQuitLoadsNothing) {
    for (bool latched : {true, false}) {
        for (int key : {GLFW_KEY_ENTER, GLFW_KEY_Z}) {
            TitleMenu menu;
            menu.selection = QuitGame;
            menu.latch = latched;
            press({key});
            g_font = nullptr;
            EXPECT_EQ(titleUpdate(menu), TitleQuits);
            EXPECT_EQ(g_font, nullptr);
        }
    }
}

TEST_F(Menus, ContinueReadsTheProgressFileAndNewGameDoesNot) {
    REQUIRE_GL();
    InScratchFolder scratch;
    g_bestStudents[1] = 4;
    saveProgress("data/savegame");

    for (int choice : {NewGame, ContinueGame}) {
        resetCampaign();
        g_font = nullptr;
        TitleMenu menu;
        menu.selection = choice;
        menu.latch = true;
        press({GLFW_KEY_Z});
        EXPECT_EQ(titleUpdate(menu), TitleLeaves);
        EXPECT_NE(g_font, nullptr) << "menu font made";
        EXPECT_EQ(g_bestStudents[1], choice == ContinueGame ? 4 : 0);
    }
}

TEST_F(Menus, TitlePromptBlinksEveryHalfSecond) {
    for (double t : {0.0, 0.49, 1.0, 1.2, 7.4}) {
        EXPECT_TRUE(promptVisible(t)) << t;
    }
    for (double t : {0.5, 0.99, 1.5, 7.6}) {
        EXPECT_FALSE(promptVisible(t)) << t;
    }
}

TEST_F(Menus, TitleDrawsTheMarkerBesideTheChoiceAndTheBannerDoubleSizeInYellow) {
    REQUIRE_GL();
    Font* font = blockFont(">Z");
    TitleMenu menu;
    menu.selection = NewGame;
    beginFrame();
    drawTitle(menu, font);
    EXPECT_TRUE(lit(271, 275)) << "marker at (268, 268)";
    EXPECT_FALSE(lit(271, 307)) << "nothing beside CONTINUE GAME";
    // The banner's Z: the 29th character, 20 pixels apart from x = -310.
    Pixel z = readPixel(258, 400);
    EXPECT_EQ(z.r, 255);
    EXPECT_EQ(z.g, 255);
    EXPECT_LT(z.b, 40);
}

// --- Mission select -----------------------------------------------------------------------------

TEST_F(Menus, MissionsOpenByTotalStudentsDelivered) {
    struct Case {
        int total, lastOpen;
    };
    for (Case c : {Case{1, 1}, Case{4, 1}, Case{5, 2}, Case{12, 3}, Case{36, 4}, Case{139, 4},
                   Case{140, 7}}) {
        setTotalStudents(c.total);
        missionSelectUpdate();
        EXPECT_EQ(g_lastUnlocked, c.lastOpen) << "total " << c.total;
    }
}

TEST_F(Menus, AClosedMissionKeepsEveryLaterOneClosed) {
    const int thresholds[4] = {99, 1, 50, 5};
    EXPECT_EQ(lastOpenMission(thresholds, 4, 10), 1);
    EXPECT_EQ(lastOpenMission(thresholds, 4, 0), 0) << "row 0 needs nothing";
    EXPECT_EQ(lastOpenMission(thresholds, 4, 50), 3);
}

TEST_F(Menus, ANewPlayerGetsMissionZeroAtOnceWithNothingTouched) {
    g_bestStudents[0] = 0;
    g_menuLatch = false;
    g_missionSelection = 0;
    g_missionScroll = 12.5f;
    press({GLFW_KEY_DOWN});
    EXPECT_EQ(missionSelectUpdate(), 0);
    EXPECT_EQ(g_lastUnlocked, 0);
    EXPECT_FALSE(g_menuLatch);
    EXPECT_FLOAT_EQ(g_missionScroll, 12.5f);
}

TEST_F(Menus, MissionSelectKeysActOnceInOrderAndRefusedMovesLatch) {
    setTotalStudents(5);  // rows 0 to 2
    press({GLFW_KEY_DOWN, GLFW_KEY_ENTER});
    EXPECT_EQ(frame(missionSelectUpdate), -1) << "latched from the screen before";
    press({});
    missionSelectUpdate();
    EXPECT_FALSE(g_menuLatch);

    press({GLFW_KEY_DOWN, GLFW_KEY_UP});
    EXPECT_EQ(frame(missionSelectUpdate), -1);
    EXPECT_EQ(g_missionSelection, 1) << "DOWN wins, once";
    press({});
    missionSelectUpdate();
    press({GLFW_KEY_DOWN});
    frame(missionSelectUpdate);
    press({});
    missionSelectUpdate();
    press({GLFW_KEY_DOWN});
    frame(missionSelectUpdate);
    EXPECT_EQ(g_missionSelection, 2) << "refused past the last open row";
    EXPECT_TRUE(g_menuLatch);

    // DOWN held while 'Z' is pressed: nothing until every key is up, then 'Z' chooses.
    press({GLFW_KEY_DOWN, GLFW_KEY_Z});
    EXPECT_EQ(frame(missionSelectUpdate), -1);
    press({});
    missionSelectUpdate();
    press({GLFW_KEY_Z});
    EXPECT_EQ(missionSelectUpdate(), 2);
    EXPECT_EQ(missionSelectUpdate(), -1) << "a held 'Z' chooses once";

    g_missionSelection = 0;
    g_menuLatch = false;
    press({GLFW_KEY_UP});
    missionSelectUpdate();
    EXPECT_EQ(g_missionSelection, 0);
    EXPECT_TRUE(g_menuLatch) << "a refused UP latches too";
}

TEST_F(Menus, TheListEasesAFifthOfTheWayPerStepAndStandsStillOnAChoice) {
    setTotalStudents(1);
    g_menuLatch = false;
    press({GLFW_KEY_DOWN});
    missionSelectUpdate();
    EXPECT_FLOAT_EQ(g_missionScroll, 6.4f);
    missionSelectUpdate();
    EXPECT_FLOAT_EQ(g_missionScroll, 11.52f);
    press({});
    missionSelectUpdate();
    press({GLFW_KEY_ENTER});
    float before = g_missionScroll;
    EXPECT_EQ(missionSelectUpdate(), 1);
    EXPECT_EQ(g_missionScroll, before);
}

TEST_F(Menus, MissionSelectTexts) {
    EXPECT_EQ(missionRowText(3), "MISSION 03");
    EXPECT_EQ(missionRowText(0), "MISSION 00");
    EXPECT_EQ(hydrosphereWord(64.0f), "SUBTERRANEAN");
    EXPECT_EQ(hydrosphereWord(64.5f), "ABUNDANT");
    EXPECT_EQ(hydrosphereWord(0.0f), "NONE");
    EXPECT_EQ(hydrosphereWord(-1.0f), "SUBTERRANEAN");
    EXPECT_EQ(hydrosphereText(3), "HYDROSPHERE: ABUNDANT");
    EXPECT_EQ(gravityText(0), "GRAVITATIONAL FIELD: 3.5");
    EXPECT_EQ(gravityText(1), "GRAVITATIONAL FIELD: 4");
    EXPECT_EQ(gravityText(4), "GRAVITATIONAL FIELD: 0") << "-0.0 negated";
    EXPECT_EQ(densityText(3), "ATMOSPHERIC DENSITY: 0.5");
    EXPECT_EQ(studentsText(0), "STUDENTS DELIVERED: 0 / 3");
    g_bestStudents[2] = 13;
    g_bestCredits[3] = 1000000;
    EXPECT_EQ(studentsText(2), "STUDENTS DELIVERED: 13 / 13");
    EXPECT_EQ(creditsText(3), "CREDITS EARNED:     1e+06 / 1675");

    resetCampaign();
    setTotalStudents(1);
    missionSelectUpdate();
    EXPECT_EQ(totalDeliveredText(), "TOTAL STUDENTS DELIVERED: 1");
    EXPECT_EQ(nextMissionText(), "NEXT MISSION AT:          5");
    setTotalStudents(36);
    missionSelectUpdate();
    EXPECT_EQ(nextMissionText(), "NEXT MISSION AT:          140");
    setTotalStudents(140);
    missionSelectUpdate();
    EXPECT_EQ(nextMissionText(), "NEXT MISSION AT:          -") << "no row after the last";
}

TEST_F(Menus, MissionSelectDrawsOpenRowsOnlySlidByTheScrollBesideAFixedMarker) {
    REQUIRE_GL();
    g_font = blockFont(">0");
    setTotalStudents(5);  // rows 0 to 2
    missionSelectUpdate();
    g_missionScroll = 32;  // settled on row 1
    beginFrame();
    drawMissionSelect();
    EXPECT_TRUE(lit(99, 290)) << "marker at (96, 284)";
    // The row's first "0" is its 9th character: x = 128 + 80.
    EXPECT_TRUE(lit(211, 322)) << "row 0 at y 316";
    EXPECT_TRUE(lit(211, 290)) << "row 1 beside the marker";
    EXPECT_TRUE(lit(211, 258)) << "row 2";
    EXPECT_FALSE(lit(211, 226)) << "closed row 3 has no line";
}

// --- Shop ---------------------------------------------------------------------------------------

TEST_F(Menus, ShopWithNothingToSpendLaunchesAtOnceTouchingNothing) {
    g_bestCredits[0] = 99;
    g_menuLatch = false;
    g_shopCredits = 42;
    press({GLFW_KEY_RIGHT});
    EXPECT_EQ(shopUpdate(), 1);
    EXPECT_EQ(g_weaponLevel, 1);
    EXPECT_EQ(g_shopCredits, 42);
    EXPECT_FALSE(g_menuLatch);
}

TEST_F(Menus, ShopSpendsAndRefundsOneLevelPerPressWithinItsLimits) {
    g_bestCredits[0] = 60;
    g_bestCredits[6] = 40;  // every row counts: 100 in all
    press({GLFW_KEY_RIGHT});
    EXPECT_EQ(frame(shopUpdate), -1);
    EXPECT_EQ(g_shopCredits, 100) << "latched on arrival";
    press({});
    shopUpdate();
    press({GLFW_KEY_RIGHT});
    frame(shopUpdate);
    EXPECT_EQ(g_weaponLevel, 2);
    EXPECT_EQ(g_shopCredits, 0);
    press({});
    shopUpdate();
    press({GLFW_KEY_RIGHT});
    frame(shopUpdate);
    EXPECT_EQ(g_weaponLevel, 2) << "no credits left";

    // Refunds down to level 1 and no further.
    for (int i = 0; i < 2; i++) {
        press({});
        shopUpdate();
        press({GLFW_KEY_LEFT});
        frame(shopUpdate);
    }
    EXPECT_EQ(g_weaponLevel, 1);
    EXPECT_EQ(g_shopCredits, 100);

    // Level 8 is the top even with credits to spare; a later visit charges the levels again.
    g_bestCredits[0] = 2000;
    g_weaponLevel = 8;
    press({});
    shopUpdate();
    press({GLFW_KEY_RIGHT});
    frame(shopUpdate);
    EXPECT_EQ(g_weaponLevel, 8);
    EXPECT_EQ(g_shopCredits, 2040 + 500 - 100 * 12);
}

TEST_F(Menus, ShopSelectionStopsAtBothEndsAndDownBeatsRight) {
    g_bestCredits[0] = 500;
    g_menuLatch = false;
    press({GLFW_KEY_UP});
    frame(shopUpdate);
    EXPECT_EQ(g_shopSelection, 0);
    for (int i = 0; i < 6; i++) {
        press({});
        shopUpdate();
        press({GLFW_KEY_DOWN, GLFW_KEY_RIGHT});
        frame(shopUpdate);
    }
    EXPECT_EQ(g_shopSelection, 4);
    EXPECT_EQ(g_thrustLevel + g_fuelLevel + g_hullLevel + g_turnLevel + g_weaponLevel, 5);

    press({GLFW_KEY_Z});
    EXPECT_EQ(shopUpdate(), -1) << "a latched 'Z' does not launch";
    press({});
    shopUpdate();
    press({GLFW_KEY_Z});
    EXPECT_EQ(shopUpdate(), 1);
    EXPECT_TRUE(g_menuLatch);
}

TEST_F(Menus, ShopMassLineCountsTenPerLevel) {
    EXPECT_EQ(massLine(), "Rocketship Mass: 50");
    g_hullLevel = 4;
    EXPECT_EQ(massLine(), "Rocketship Mass: 80");
    g_thrustLevel = g_fuelLevel = g_hullLevel = g_turnLevel = g_weaponLevel = 8;
    EXPECT_EQ(massLine(), "Rocketship Mass: 400");
    g_shopCredits = 340;
    EXPECT_EQ(creditsLine(), "Credits: 340");
}

TEST_F(Menus, ShopDrawsCreditsGreenMassYellowAndOneBarPerLevel) {
    REQUIRE_GL();
    g_font = blockFont("CR->");
    g_turnLevel = 3;
    g_shopSelection = 2;
    beginFrame();
    drawShop();
    Pixel credits = readPixel(67, 540);
    EXPECT_EQ(credits.r, 0);
    EXPECT_EQ(credits.g, 255);
    Pixel mass = readPixel(67, 70);
    EXPECT_EQ(mass.r, 255);
    EXPECT_EQ(mass.g, 255);
    EXPECT_EQ(mass.b, 0);
    EXPECT_TRUE(lit(371, 240)) << "marker beside row 2";
    // Maneuverability's bar on row 1 (y 268): three dashes from x 580, 10 pixels apart.
    for (int x : {583, 593, 603}) {
        EXPECT_TRUE(lit(x, 275)) << x;
    }
    EXPECT_FALSE(lit(613, 275));
    EXPECT_TRUE(lit(583, 243)) << "row 2 at level 1";
    EXPECT_FALSE(lit(593, 243));
}

}  // namespace
