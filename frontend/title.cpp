#include "frontend/title.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <cstring>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/font.h"
#include "drawing/texture.h"
#include "frontend/progress.h"
#include "platform/input.h"

namespace {

const char* const kProgressFile = "data/savegame";
const char* const kFontFile = "graphics/font.tga";
const char* const kRocketFile = "graphics/rocket.tga";
const int kFontAdvance = 10;  // pixels
const int kFontHeight = 16;   // pixels

const char* const kIntro =
    "In the year 200X, space kids fly to intergalactic space class in the...";
// Drawn at twice the size, so its 25 visible characters run from x 150 to 650.
const char* const kBanner =
    "                       --\\\\ ZELVORNIKATROPE //--                       ";
const float kBannerX = -310, kBannerY = 386, kBannerScale = 2;
const float kBannerColour[3] = {1.0f, 1.0f, 0.1f};
const float kIntroX = 45, kIntroY = 450;
const char* const kChoices[TitleChoiceCount] = {"CONTINUE GAME", "NEW GAME", "QUIT"};
const float kChoiceX = 300, kFirstChoiceY = 300, kChoiceSpacing = 32;
const float kMarkerX = 268;
// Cut to 71 characters, so it ends two blanks short of its 73.
const char* const kPrompt =
    "                       [PRESS 'Z' TO SELECT]                             ";
const int kPromptLength = 71;
const float kPromptX = 45, kPromptY = 132;

void print(Font* font, float x, float y, const char* text, int length) {
    glPushMatrix();
    glTranslatef(x, y, 0);
    font->print(text, length);
    glPopMatrix();
}

void print(Font* font, float x, float y, const char* text) {
    print(font, x, y, text, static_cast<int>(std::strlen(text)));
}

void confirm(int selection) {
    playSound(g_soundSelect);
    if (selection == ContinueGame) {
        loadProgress(kProgressFile);
    }
    if (selection != QuitGame) {
        loadMenuResources();
    }
}

}  // namespace

TitleOutcome titleUpdate(TitleMenu& menu) {
    if (isKeyDown(GLFW_KEY_DOWN)) {
        if (!menu.latch) {
            playSound(g_soundBlip);
            menu.selection = (menu.selection + 1) % TitleChoiceCount;
            menu.latch = true;
        }
    } else if (isKeyDown(GLFW_KEY_UP)) {
        if (!menu.latch) {
            playSound(g_soundBlip);
            menu.selection = (menu.selection + TitleChoiceCount - 1) % TitleChoiceCount;
            menu.latch = true;
        }
    } else if (isKeyDown(GLFW_KEY_ENTER) || isKeyDown(GLFW_KEY_Z)) {
        // A confirm ignores the latch: it guards the arrows only.
        confirm(menu.selection);
        return menu.selection == QuitGame ? TitleQuits : TitleLeaves;
    } else {
        menu.latch = false;
    }
    return TitleStays;
}

void drawTitle(const TitleMenu& menu, Font* titleFont) {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    print(titleFont, kIntroX, kIntroY, kIntro);

    glPushMatrix();
    glTranslatef(kBannerX, kBannerY, 0);
    glScalef(kBannerScale, kBannerScale, 1);
    glColor3fv(kBannerColour);
    titleFont->print(kBanner, static_cast<int>(std::strlen(kBanner)));
    glColor3f(1, 1, 1);
    glPopMatrix();

    for (int i = 0; i < TitleChoiceCount; i++) {
        print(titleFont, kChoiceX, kFirstChoiceY - kChoiceSpacing * i, kChoices[i]);
    }
    if (promptVisible(getClock())) {
        print(titleFont, kPromptX, kPromptY, kPrompt, kPromptLength);
    }
    print(titleFont, kMarkerX, kFirstChoiceY - kChoiceSpacing * menu.selection, ">");
}

void loadMenuResources() {
    glEnable(GL_TEXTURE_2D);
    g_font = new Font(kFontFile, kFontAdvance, kFontHeight);
    g_rocketTexture = loadTexture(kRocketFile, true);
}

bool promptVisible(double seconds) {
    return static_cast<long long>(2 * seconds) % 2 == 0;
}
