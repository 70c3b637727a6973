#include "flight/hud.h"

#include <GL/gl.h>
#include <box2d/box2d.h>

#include <cstdio>
#include <cstring>

#include "campaign/campaign_state.h"
#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "flight/minimap.h"
#include "flight/rocket.h"
#include "flight/world.h"

namespace {

// Screen pixels, origin at the bottom left.
const int kHullLabelX = 8, kHullLabelY = 8;
const int kFuelLabelX = 8, kFuelLabelY = 40;
const int kStudentTextX = 40, kStudentTextY = 96;
const int kStudentIconX = 24, kStudentIconY = 108;
const int kStudentIconColumn = 0, kStudentIconRow = 2;
const int kCreditTextX = 40, kCreditTextY = 72;
const int kCoinIconX = 24, kCoinIconY = 80;
// One sheet height above the coin sheet's only row: the repeat wrap shows row 0.
const int kCoinIconColumn = 0, kCoinIconRow = 1;
const int kMinimapX = 664, kMinimapY = 464;  // 8 pixels in from the right and top edges
const int kSecondLineDrop = 32;              // pixels between a message's two lines

const int kCreditsPerStudent = 25;
const int kCreditsPerCoin = 5;

// Steps without a ship or fuel after which a retry is allowed, and the message says so.
const int kRetryFrames = 120;
// Metres below the top of the map where the climb into orbit is announced.
const int kOrbitNoticeDepth = 32;
// The first mission's start: the ship resting on its pad, in whole metres.
const int kStartTileX = 64, kStartTileY = 63;
const int kFirstMissionStudents = 3;

const int kMessageX = 275, kMessageY = 364;
const char* const kCrashed = "   -- YOU CRASHED!! --   ";
const char* const kOutOfFuel = "    -- OUT OF FUEL --    ";
const char* const kTryAgain = "Press 'Z' to try again...";
const char* const kEnteringOrbit = "ENTERING ORBIT...";
const int kOrbitX = 325, kOrbitY = 350;
const char* const kGoToOrbit = "To end the mission, go into orbit!";
const int kGoToOrbitX = 230, kGoToOrbitY = 364;
const char* const kHowToFly = "Use the arrow keys to fly.";
const int kHowToFlyX = 270, kHowToFlyY = 364;
const char* const kHowToRescue = "Land near a student to pick them up.";
const int kHowToRescueX = 220, kHowToRescueY = 364;

// Bars: 24 pixels high, 128 long when full, starting under their labels.
const int kBarLeft = 8;
const float kBarLength = 128.0f;
const int kHullBarBottom = 8, kHullBarTop = 32;
const int kFuelBarBottom = 40, kFuelBarTop = 64;
const float kHullColour[3] = {0.5f, 1.0f, 0.0f};
const float kFuelColour[3] = {0.8f, 0.5f, 0.1f};
const double kFuelPerLevel = 0.75;  // a full tank per fuel upgrade level

void printAt(Font* font, int x, int y, const char* text) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    font->print(text, static_cast<int>(std::strlen(text)));
    glPopMatrix();
}

// "x<have> / <of>" at (x, y).
void printCounter(Font* font, int x, int y, int have, int of) {
    char text[40];
    std::snprintf(text, sizeof text, "x%d / %d", have, of);
    printAt(font, x, y, text);
}

void drawMessage(const World& world) {
    const HudMessage message = chooseHudMessage(world);
    if (!message.firstLine) {
        return;
    }
    glPushMatrix();
    glTranslatef(message.x, message.y, 0.0f);
    world.font->print(message.firstLine, static_cast<int>(std::strlen(message.firstLine)));
    if (message.secondLine) {
        glTranslatef(0.0f, -kSecondLineDrop, 0.0f);
        world.font->print(message.secondLine, static_cast<int>(std::strlen(message.secondLine)));
    }
    glPopMatrix();
}

// Where a bar ends for a fill ratio: empty at 0 or less and for a ratio that is not a number,
// not capped above.
float barEnd(double ratio) {
    if (!(ratio > 0.0)) {
        return static_cast<float>(kBarLeft);
    }
    return static_cast<float>(kBarLeft + kBarLength * ratio);
}

void drawBars(const Rocket& rocket) {
    const float hullEnd = barEnd(static_cast<double>(rocket.hull / g_hullLevel));
    const float fuelEnd = barEnd(rocket.fuel / (g_fuelLevel * kFuelPerLevel));
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor3fv(kHullColour);
    glVertex2f(kBarLeft, kHullBarBottom);
    glVertex2f(kBarLeft, kHullBarTop);
    glVertex2f(hullEnd, kHullBarTop);
    glVertex2f(hullEnd, kHullBarBottom);
    glColor3fv(kFuelColour);
    glVertex2f(kBarLeft, kFuelBarBottom);
    glVertex2f(kBarLeft, kFuelBarTop);
    glVertex2f(fuelEnd, kFuelBarTop);
    glVertex2f(fuelEnd, kFuelBarBottom);
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
}

HudMessage twoLines(const char* first, const char* second) {
    HudMessage message;
    message.firstLine = first;
    message.secondLine = second;
    message.x = kMessageX;
    message.y = kMessageY;
    return message;
}

HudMessage oneLine(const char* text, int x, int y) {
    HudMessage message;
    message.firstLine = text;
    message.x = x;
    message.y = y;
    return message;
}

}  // namespace

HudMessage chooseHudMessage(const World& world) {
    const bool retryAllowed = world.deadFrames > kRetryFrames;
    if (!world.rocket) {
        return retryAllowed ? twoLines(kCrashed, kTryAgain) : HudMessage();
    }
    const Rocket& rocket = *world.rocket;
    const b2Vec2 position = rocket.body->GetPosition();
    if (rocket.fuel <= 0 && retryAllowed) {
        return twoLines(kOutOfFuel, kTryAgain);
    }
    if (position.y > static_cast<float>(world.height - kOrbitNoticeDepth)) {
        return oneLine(kEnteringOrbit, kOrbitX, kOrbitY);
    }
    if (g_mission != 0) {
        return HudMessage();
    }
    if (world.studentsRescued != 0) {
        if (world.studentsRescued + world.studentsKilled == kFirstMissionStudents) {
            return oneLine(kGoToOrbit, kGoToOrbitX, kGoToOrbitY);
        }
        return HudMessage();
    }
    if (static_cast<int>(position.x) == kStartTileX &&
        static_cast<int>(position.y) == kStartTileY) {
        return oneLine(kHowToFly, kHowToFlyX, kHowToFlyY);
    }
    return oneLine(kHowToRescue, kHowToRescueX, kHowToRescueY);
}

void drawHud(World& world) {
    // Labels; the bars drawn last lie behind them.
    printAt(world.font, kHullLabelX, kHullLabelY, "Hull");
    printAt(world.font, kFuelLabelX, kFuelLabelY, "Fuel");

    // Counters with their icons.
    printCounter(world.font, kStudentTextX, kStudentTextY, world.studentsRescued,
                 world.studentsTotal);
    world.studentSheet->draw(kStudentIconColumn, kStudentIconRow, kStudentIconX, kStudentIconY,
                             false, 0);
    const int credits =
        kCreditsPerStudent * world.studentsRescued + kCreditsPerCoin * world.coinsCollected;
    const int maxCredits =
        kCreditsPerStudent * world.studentsTotal + kCreditsPerCoin * world.coinsTotal;
    printCounter(world.font, kCreditTextX, kCreditTextY, credits, maxCredits);
    world.coinSheet->draw(kCoinIconColumn, kCoinIconRow, kCoinIconX, kCoinIconY, false, 0);

    // The radar.
    if (world.minimap) {
        glPushMatrix();
        glTranslatef(kMinimapX, kMinimapY, 0.0f);
        world.minimap->draw();
        glPopMatrix();
    }

    drawMessage(world);
    if (world.rocket) {
        drawBars(*world.rocket);
    }
}
