#pragma once

extern int g_resultStudents;
extern int g_resultCredits;

void recordResults(int students, int credits);
// One step of the results screen: 1 when the player confirms, 0 otherwise.
int resultsUpdate();
void drawResults();
