#include "frontend/shop.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <sstream>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/font.h"
#include "frontend/totals.h"
#include "platform/input.h"

int g_shopCredits = 0;
int g_shopSelection = 0;

namespace {

const int kPartCount = 5;
const int kPartPrice = 100;    // credits per level
const int kFreeCredits = 500;  // the five start levels use these up
const int kLeastToShop = 100;  // with fewer credits in the bests there is nothing to buy
const int kMinLevel = 1, kMaxLevel = 8;
const float kMassPerLevel = 0.5f;  // kg, as the launch sets it
const float kShownMassScale = 20;  // shown units per kg

const char* const kPartLabels[kPartCount] = {"Weapons Power   ", "Maneuverability ",
                                             "Hull Resistance ", "Fuel Capacity   ",
                                             "Thrust Power    "};
const char* const kHelp[] = {"Spend the credits you earned to upgrade your RocketShip!",
                             "Select a part with the UP and DOWN arrow keys.          ",
                             "Use the left and right arrow keys to modify the part.   ",
                             "When you are ready to go, press 'Z'!                    "};
const char* const kMassHelp[] = {"A more massive rocketship will be difficult to steer,",
                                 "but it will be less affected by atmospheric conditions."};

const float kLineSpacing = 32;  // pixels
const float kCreditsX = 64, kCreditsY = 536;
const float kMassX = 64, kMassY = 64;
const float kPartX = 400, kPartY = 300, kMarkerX = 368;
const float kBarX = 580, kBarStep = 10;
const float kHelpX = 64, kHelpY = 468;
const float kMassHelpY = 40, kMassHelpSpacing = 24;
const float kPictureLeft = 128, kPictureBottom = 176, kPictureSize = 128;

// The level each row edits, top to bottom.
int& partLevel(int row) {
    int* levels[kPartCount] = {&g_weaponLevel, &g_turnLevel, &g_hullLevel, &g_fuelLevel,
                               &g_thrustLevel};
    return *levels[row];
}

int levelSum() {
    return g_thrustLevel + g_fuelLevel + g_hullLevel + g_turnLevel + g_weaponLevel;
}

int clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

void moveSelection(int delta, bool possible) {
    playSound(possible ? g_soundBlip : g_soundBuzz);
    g_shopSelection = clamp(g_shopSelection + delta, 0, kPartCount - 1);
}

void sell() {
    int& level = partLevel(g_shopSelection);
    if (level <= kMinLevel) {
        playSound(g_soundBuzz);
        level = kMinLevel;
        return;
    }
    playSound(g_soundBlip);
    g_shopCredits = saturatingAdd(g_shopCredits, kPartPrice);
    level = clamp(level - 1, kMinLevel, kMaxLevel);
}

void buy() {
    int& level = partLevel(g_shopSelection);
    if (level >= kMaxLevel || g_shopCredits < kPartPrice) {
        playSound(g_soundBuzz);
        return;
    }
    playSound(g_soundBlip);
    g_shopCredits -= kPartPrice;
    level = clamp(level + 1, kMinLevel, kMaxLevel);
}

// Acts on the first held key unless the latch holds it back; false when none is held.
bool handleKey(int key) {
    if (!isKeyDown(key)) {
        return false;
    }
    if (g_menuLatch) {
        return true;
    }
    switch (key) {
        case GLFW_KEY_DOWN:
            moveSelection(+1, g_shopSelection < kPartCount - 1);
            break;
        case GLFW_KEY_UP:
            moveSelection(-1, g_shopSelection > 0);
            break;
        case GLFW_KEY_LEFT:
            sell();
            break;
        case GLFW_KEY_RIGHT:
            buy();
            break;
    }
    g_menuLatch = true;
    return true;
}

void print(float x, float y, const std::string& text) {
    glPushMatrix();
    glTranslatef(x, y, 0);
    g_font->print(text.c_str(), static_cast<int>(text.size()));
    glPopMatrix();
}

void drawParts() {
    print(kMarkerX, kPartY - kLineSpacing * g_shopSelection, ">");
    for (int row = 0; row < kPartCount; row++) {
        float y = kPartY - kLineSpacing * row;
        print(kPartX, y, kPartLabels[row]);
        for (int i = 0; i < partLevel(row); i++) {
            print(kBarX + kBarStep * i, y, "-");
        }
    }
}

void drawPicture() {
    glBindTexture(GL_TEXTURE_2D, g_rocketTexture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(kPictureLeft, kPictureBottom);
    glTexCoord2f(1, 0);
    glVertex2f(kPictureLeft + kPictureSize, kPictureBottom);
    glTexCoord2f(1, 1);
    glVertex2f(kPictureLeft + kPictureSize, kPictureBottom + kPictureSize);
    glTexCoord2f(0, 1);
    glVertex2f(kPictureLeft, kPictureBottom + kPictureSize);
    glEnd();
}

}  // namespace

int shopUpdate() {
    int total = totalBestCredits();
    if (total < kLeastToShop) {
        return 1;
    }
    // total + 500 - 100 x levels, taken as the total less what the levels above 1 cost, so that a
    // total at the int limit is not cut by 500 on the way.
    g_shopCredits = saturatingSubtract(total, kPartPrice * levelSum() - kFreeCredits);
    const int arrows[] = {GLFW_KEY_DOWN, GLFW_KEY_UP, GLFW_KEY_LEFT, GLFW_KEY_RIGHT};
    for (int key : arrows) {
        if (handleKey(key)) {
            return -1;
        }
    }
    if (isKeyDown(GLFW_KEY_ENTER) || isKeyDown(GLFW_KEY_Z)) {
        if (g_menuLatch) {
            return -1;
        }
        playSound(g_soundSelect);
        g_menuLatch = true;
        return 1;
    }
    g_menuLatch = false;
    return -1;
}

void drawShop() {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(0, 1, 0);
    print(kCreditsX, kCreditsY, creditsLine());
    glColor3f(1, 1, 0);
    print(kMassX, kMassY, massLine());
    glColor3f(1, 1, 1);
    print(kMassX, kMassHelpY, kMassHelp[0]);
    print(kMassX, kMassHelpY - kMassHelpSpacing, kMassHelp[1]);
    drawParts();
    float y = kHelpY;
    for (const char* line : kHelp) {
        print(kHelpX, y, line);
        y -= kLineSpacing;
    }
    drawPicture();
}

int shownShipMass() {
    float mass = kMassPerLevel * levelSum();
    return static_cast<int>(mass * kShownMassScale);
}

std::string creditsLine() {
    return "Credits: " + std::to_string(g_shopCredits);
}

std::string massLine() {
    return "Rocketship Mass: " + std::to_string(shownShipMass());
}
