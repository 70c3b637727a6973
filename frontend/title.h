#pragma once

class Font;

enum TitleOutcome { TitleStays, TitleLeaves, TitleQuits };

enum TitleChoice { ContinueGame, NewGame, QuitGame, TitleChoiceCount };

// The title menu's state, held by the main loop.
struct TitleMenu {
    int selection = ContinueGame;
    bool latch = false;  // the arrow keys' own latch
};

// One step of the title menu. Leaving it loads the menu screens' resources (and, to continue a
// game, the progress file); quitting is left to the caller.
TitleOutcome titleUpdate(TitleMenu& menu);
// Clears the screen and draws the whole title, in titleFont.
void drawTitle(const TitleMenu& menu, Font* titleFont);

// Makes the menu screens' font and the shop's ship picture.
void loadMenuResources();

// Whether a blinking prompt shows at this clock time: the first half of every second.
bool promptVisible(double seconds);
