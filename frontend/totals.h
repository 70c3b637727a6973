#pragma once

// The campaign totals the menu screens show and unlock by. A progress file may hold any values,
// so sums stop at the int limits: a total of huge bests stays huge and positive.
int saturatingAdd(int a, int b);
int saturatingSubtract(int a, int b);

// The sums of the per-mission bests over every row of the mission table.
int totalBestStudents();
int totalBestCredits();
