#include "frontend/mission_select.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <iomanip>
#include <sstream>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/font.h"
#include "frontend/totals.h"
#include "platform/input.h"

int g_lastUnlocked = g_missionCount - 1;
int g_missionSelection = 0;
float g_missionScroll = 0.0f;

namespace {

const float kRowSpacing = 32;     // pixels between list rows and between text lines
const double kScrollEase = 0.2;   // share of the remaining distance the list covers per step
const float kAbundantWater = 64;  // metres: above this the planet's water is abundant

const float kMarkerX = 96, kMarkerY = 284;
const float kListOffsetX = 32;  // the rows stand right of the marker
const float kInfoX = 400, kInfoY = 400;
const float kHelpX = 32, kHelpY = 532;
const float kFooterX = 32, kFooterY = 64;

const char* const kWeather = "WEATHER:     CALM";
const char* const kHelp[] = {"Use the UP and DOWN arrow keys to select a mission.",
                             "Press 'Z' to make your choice.                     "};

void scanUnlocked() {
    g_lastUnlocked = lastOpenMission(g_unlockThreshold, g_missionCount, totalBestStudents());
}

void moveSelection(int delta, bool possible) {
    playSound(possible ? g_soundBlip : g_soundBuzz);
    int selection = g_missionSelection + delta;
    if (selection > g_lastUnlocked) {
        selection = g_lastUnlocked;
    }
    if (selection < 0) {
        selection = 0;
    }
    g_missionSelection = selection;
    g_menuLatch = true;
}

void easeScroll() {
    double target = kRowSpacing * g_missionSelection;
    g_missionScroll =
        static_cast<float>(g_missionScroll + (target - g_missionScroll) * kScrollEase);
}

// Float table entries and best results in the stream's default notation.
std::string numberText(const char* label, double value) {
    std::ostringstream text;
    text << label << value;
    return text.str();
}

std::string ofMaximum(const char* label, int best, int maximum) {
    std::ostringstream text;
    text << label << static_cast<double>(best) << " / " << static_cast<double>(maximum);
    return text.str();
}

void print(float x, float y, const std::string& text) {
    glPushMatrix();
    glTranslatef(x, y, 0);
    g_font->print(text.c_str(), static_cast<int>(text.size()));
    glPopMatrix();
}

void drawList() {
    glPushMatrix();
    glTranslatef(kMarkerX, kMarkerY, 0);
    g_font->print(">", 1);
    glTranslatef(kListOffsetX, g_missionScroll, 0);
    for (int row = 0; row <= g_lastUnlocked; row++) {
        std::string text = missionRowText(row);
        g_font->print(text.c_str(), static_cast<int>(text.size()));
        glTranslatef(0, -kRowSpacing, 0);
    }
    glPopMatrix();
}

void drawInformation() {
    int s = g_missionSelection;
    const std::string lines[] = {gravityText(s),  densityText(s), hydrosphereText(s), kWeather, "",
                                 studentsText(s), creditsText(s)};
    int line = 0;
    for (const std::string& text : lines) {
        print(kInfoX, kInfoY - kRowSpacing * line++, text);
    }
}

}  // namespace

int missionSelectUpdate() {
    scanUnlocked();
    // A new player has nothing to choose.
    if (g_lastUnlocked == 0) {
        return 0;
    }
    if (isKeyDown(GLFW_KEY_DOWN)) {
        if (!g_menuLatch) {
            moveSelection(+1, g_missionSelection < g_lastUnlocked);
        }
    } else if (isKeyDown(GLFW_KEY_UP)) {
        if (!g_menuLatch) {
            moveSelection(-1, g_missionSelection > 0);
        }
    } else if (isKeyDown(GLFW_KEY_ENTER) || isKeyDown(GLFW_KEY_Z)) {
        if (!g_menuLatch) {
            playSound(g_soundSelect);
            g_menuLatch = true;
            return g_missionSelection;
        }
    } else {
        g_menuLatch = false;
    }
    easeScroll();
    return -1;
}

void drawMissionSelect() {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    drawList();
    drawInformation();
    print(kHelpX, kHelpY, kHelp[0]);
    print(kHelpX, kHelpY - kRowSpacing, kHelp[1]);
    print(kFooterX, kFooterY, totalDeliveredText());
    print(kFooterX, kFooterY - kRowSpacing, nextMissionText());
}

// Row 0 is always open; the rows after it open in order while the total reaches their
// thresholds, and the first closed row keeps every later one closed.
int lastOpenMission(const int* thresholds, int rows, int total) {
    for (int row = 1; row < rows; row++) {
        if (thresholds[row] > total) {
            return row - 1;
        }
    }
    return rows - 1;
}

std::string missionRowText(int row) {
    std::ostringstream text;
    text << "MISSION " << std::setfill('0') << std::setw(2) << row;
    return text.str();
}

std::string hydrosphereWord(float waterLevel) {
    if (waterLevel > kAbundantWater) {
        return "ABUNDANT";
    }
    if (waterLevel == 0) {
        return "NONE";
    }
    return "SUBTERRANEAN";
}

// The table holds the downward pull as a negative number; the screen shows its strength.
std::string gravityText(int mission) {
    return numberText("GRAVITATIONAL FIELD: ", -g_gravity[mission]);
}

std::string densityText(int mission) {
    return numberText("ATMOSPHERIC DENSITY: ", g_airDensity[mission]);
}

std::string hydrosphereText(int mission) {
    return "HYDROSPHERE: " + hydrosphereWord(g_waterLevel[mission]);
}

std::string studentsText(int mission) {
    return ofMaximum("STUDENTS DELIVERED: ", g_bestStudents[mission], g_maxStudents[mission]);
}

std::string creditsText(int mission) {
    return ofMaximum("CREDITS EARNED:     ", g_bestCredits[mission], g_maxCredits[mission]);
}

std::string totalDeliveredText() {
    return "TOTAL STUDENTS DELIVERED: " + std::to_string(totalBestStudents());
}

// After the last row no mission is left to open: the line then ends in a dash.
std::string nextMissionText() {
    std::string label = "NEXT MISSION AT:          ";
    int next = g_lastUnlocked + 1;
    if (next >= g_missionCount) {
        return label + "-";
    }
    return label + std::to_string(g_unlockThreshold[next]);
}
