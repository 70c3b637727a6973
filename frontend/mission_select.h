#pragma once

#include <string>

extern int g_lastUnlocked;  // the highest open mission row
extern int g_missionSelection;
extern float g_missionScroll;  // pixels the list is shifted up; eases toward the selection

// One step of mission select: the chosen mission, or -1 while the player is choosing.
int missionSelectUpdate();
void drawMissionSelect();

// The highest open row for a total of best students delivered.
int lastOpenMission(const int* thresholds, int rows, int total);

// The texts the screen shows, one function per line.
std::string missionRowText(int row);
std::string hydrosphereWord(float waterLevel);
std::string gravityText(int mission);
std::string densityText(int mission);
std::string hydrosphereText(int mission);
std::string studentsText(int mission);
std::string creditsText(int mission);
std::string totalDeliveredText();
std::string nextMissionText();
