// Placeholder until this part of the game is written.
#include "frontend/title.h"
TitleOutcome titleUpdate(TitleMenu&) { return TitleStays; }
void drawTitle(const TitleMenu&, Font*) {}
void loadMenuResources() {}
