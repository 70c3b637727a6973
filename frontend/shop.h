#pragma once

extern int g_shopCredits;
extern int g_shopSelection;

// One step of the upgrade shop: 1 to launch, -1 to stay.
int shopUpdate();
void drawShop();
