// Placeholder until this part of the game is written.
#include "frontend/shop.h"
int g_shopCredits = 0;
int g_shopSelection = 0;
int shopUpdate() { return -1; }
void drawShop() {}
