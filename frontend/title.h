#pragma once

class Font;

enum TitleOutcome { TitleStays, TitleLeaves, TitleQuits };

// The title menu's state, held by the main loop.
struct TitleMenu {
    int selection = 0;  // 0 CONTINUE GAME, 1 NEW GAME, 2 QUIT
    bool latch = false;
};

// One step of the title menu.
TitleOutcome titleUpdate(TitleMenu& menu);
void drawTitle(const TitleMenu& menu, Font* titleFont);

// Makes the menu screens' font and the shop's ship picture.
void loadMenuResources();
