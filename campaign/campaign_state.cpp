#include "campaign/campaign_state.h"

int g_mission = -1;
int g_thrustLevel = 1;
int g_fuelLevel = 1;
int g_hullLevel = 1;
int g_turnLevel = 1;
int g_weaponLevel = 1;
int g_bestStudents[g_missionCount] = {};
int g_bestCredits[g_missionCount] = {};
bool g_menuLatch = true;
Font* g_font = nullptr;
unsigned int g_rocketTexture = 0;

void resetCampaign() {
    g_mission = -1;
    g_thrustLevel = g_fuelLevel = g_hullLevel = g_turnLevel = g_weaponLevel = 1;
    for (int i = 0; i < g_missionCount; i++) {
        g_bestStudents[i] = 0;
        g_bestCredits[i] = 0;
    }
    g_menuLatch = true;
}
