#pragma once

#include <string>

extern int g_resultStudents;  // students delivered in the mission just flown
extern int g_resultCredits;   // credits scored in it

void recordResults(int students, int credits);
// One step of the results screen: 1 when the player confirms, 0 otherwise. The confirm raises
// the mission's bests and saves them.
int resultsUpdate();
void drawResults();

// The six lines of the screen, top to bottom.
std::string resultsLine(int line);
