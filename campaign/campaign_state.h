#pragma once

#include "campaign/mission_table.h"

class Font;

// Campaign state. The upgrade levels run from 1 to 8 and are never saved.
extern int g_mission;  // -1 until a mission is chosen
extern int g_thrustLevel;
extern int g_fuelLevel;
extern int g_hullLevel;
extern int g_turnLevel;
extern int g_weaponLevel;
extern int g_bestStudents[g_missionCount];
extern int g_bestCredits[g_missionCount];

// The key latch shared by mission select, the shop and the results screen: a held key acts
// once, and the key that leaves one screen does nothing on the next until released.
extern bool g_menuLatch;

// Made by loadMenuResources when the title is left.
extern Font* g_font;
extern unsigned int g_rocketTexture;

// Puts every campaign global back to its start value (a fresh run).
void resetCampaign();
