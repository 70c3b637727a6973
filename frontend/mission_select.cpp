// Placeholder until this part of the game is written.
#include "frontend/mission_select.h"
int g_lastUnlocked = 7;
int g_missionSelection = 0;
float g_missionScroll = 0;
int missionSelectUpdate() { return -1; }
void drawMissionSelect() {}
