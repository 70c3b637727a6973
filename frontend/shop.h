#pragma once

#include <string>

extern int g_shopCredits;    // credits left to spend
extern int g_shopSelection;  // the selected part, 0 to 4 from the top

// One step of the upgrade shop: 1 to launch, -1 to stay.
int shopUpdate();
void drawShop();

// The ship's mass as the shop shows it: 10 per upgrade level.
int shownShipMass();
std::string creditsLine();
std::string massLine();
