#pragma once

extern int g_lastUnlocked;
extern int g_missionSelection;
extern float g_missionScroll;

// One step of mission select: the chosen mission, or -1 while the player is choosing.
int missionSelectUpdate();
void drawMissionSelect();
