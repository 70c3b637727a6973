#include "frontend/results.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <iomanip>
#include <sstream>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/font.h"
#include "frontend/progress.h"
#include "frontend/title.h"
#include "frontend/totals.h"
#include "platform/input.h"

int g_resultStudents = 0;
int g_resultCredits = 0;

namespace {

const char* const kProgressFile = "data/savegame";
const int kLineCount = 6;
const int kStudentsWidth = 2;  // characters the students numbers fill at least
const int kCreditsWidth = 4;   // characters the credits numbers fill at least

const float kLinesX = 264, kLinesY = 450;
const float kLineSpacing = 32;  // pixels; twice that between the two blocks
const char* const kPrompt = "                      [PRESS 'Z' TO CONTINUE]                       ";
const float kPromptX = 45, kPromptY = 132;

// A total as it will stand once this result is taken into the bests: only an improvement counts.
int totalWith(int total, int result, int best) {
    int gain = result > best ? saturatingSubtract(result, best) : 0;
    return saturatingAdd(total, gain);
}

std::string line(const char* label, int value, int width) {
    std::ostringstream text;
    text << label << std::setw(width) << value;
    return text.str();
}

}  // namespace

void recordResults(int students, int credits) {
    g_resultStudents = students;
    g_resultCredits = credits;
}

int resultsUpdate() {
    if (!isKeyDown(GLFW_KEY_ENTER) && !isKeyDown(GLFW_KEY_Z)) {
        g_menuLatch = false;
        return 0;
    }
    if (g_menuLatch) {
        return 0;
    }
    // The two bests may come from different flights.
    if (g_resultStudents > g_bestStudents[g_mission]) {
        g_bestStudents[g_mission] = g_resultStudents;
    }
    if (g_resultCredits > g_bestCredits[g_mission]) {
        g_bestCredits[g_mission] = g_resultCredits;
    }
    saveProgress(kProgressFile);
    playSound(g_soundSelect);
    g_menuLatch = true;
    return 1;
}

std::string resultsLine(int index) {
    int bestStudents = g_bestStudents[g_mission];
    int bestCredits = g_bestCredits[g_mission];
    switch (index) {
        case 0:
            return line("STUDENTS DELIVERED: ", g_resultStudents, kStudentsWidth);
        case 1:
            return line("MISSION BEST:       ", bestStudents, kStudentsWidth);
        case 2:
            return line("TOTAL DELIVERED:    ",
                        totalWith(totalBestStudents(), g_resultStudents, bestStudents),
                        kStudentsWidth);
        case 3:
            return line("CREDITS SCORED: ", g_resultCredits, kCreditsWidth);
        case 4:
            return line("MISSION BEST:   ", bestCredits, kCreditsWidth);
        default:
            return line("TOTAL CREDITS:  ",
                        totalWith(totalBestCredits(), g_resultCredits, bestCredits), kCreditsWidth);
    }
}

void drawResults() {
    glPushMatrix();
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(kLinesX, kLinesY, 0);
    for (int i = 0; i < kLineCount; i++) {
        std::string text = resultsLine(i);
        g_font->print(text.c_str(), static_cast<int>(text.size()));
        // The students block and the credits block stand apart.
        glTranslatef(0, i == 2 ? -2 * kLineSpacing : -kLineSpacing, 0);
    }
    glPopMatrix();

    if (promptVisible(getClock())) {
        glPushMatrix();
        glTranslatef(kPromptX, kPromptY, 0);
        g_font->print(kPrompt, static_cast<int>(std::char_traits<char>::length(kPrompt)));
        glPopMatrix();
    }
}
