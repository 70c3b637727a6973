#pragma once

// The campaign totals the menu screens show and unlock by. A progress file may hold any values,
// so sums wrap around (two's complement) rather than overflow.
int wrappingAdd(int a, int b);
int wrappingSubtract(int a, int b);

// The sums of the per-mission bests over every row of the mission table.
int totalBestStudents();
int totalBestCredits();
