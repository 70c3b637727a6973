#pragma once

#include "flight/collision_category.h"

// Which objects-file records the game can hold. The objects file loader skips, the editor refuses
// and the level checker reports every record these rules turn away (PlacedObjects applies them,
// in load order), so that the level a designer saves is the level that loads. Only what breaks
// goes: a position the physics cannot hold, students overlapping in more pairs than the physics
// pushes apart at once, and objects past the cap. Everything else loads, just off the map, piles
// and stacked cannons included.

// The outline a student's body is built from. The body never turns, so its kite stays upright.
const int kStudentKiteCorners = 4;
const float kStudentKite[kStudentKiteCorners][2] = {  // metres, counter-clockwise
    {-0.2f, 0.0f},
    {0.0f, -0.375f},
    {0.2f, 0.0f},
    {0.0f, 0.15f}};

// Objects one level may hold: every record that makes a student or a cannon counts, and the
// loader reads no further once there are this many; a record it skips costs only its read. The
// cap bounds the bodies a file makes, not what they do once flying: a thousand cannons in range
// of the ship all fire, as they would anywhere. The campaign's largest level has 67 objects.
const int kMaxLevelObjects = 1000;

// How far from the map's origin an object may stand, along either axis. The largest map is 256 m
// wide. Out at 1e5 m a float resolves 7.8 mm, coarser than the physics' 5 mm slop, so past it
// the physics can no longer hold a body still where it stands; far worse comes later (past
// 6.7e7 m pixels overflow an int, past 1e19 m the physics turns positions into NaN).
const float kFarthestObject = 100000.0f;  // m

// Resting bodies sink this far into each other (the physics' polygon skin); a deeper overlap
// means one object was placed on top of the other.
const float kOverlapAllowance = 0.01f;  // m

// The most pairs of students whose kites may reach into each other in one level: a student that
// would bring the level past it is refused. Pressing M again on the same spot stacks a second
// student, and the physics pushes a pile apart in its first steps; what it pays is a contact per
// overlapping pair, however the pairs lie, so the budget counts pairs and not piles. 1000
// students on one spot, 499,500 pairs, froze the launch for 2.1 s. Measured in mission 1 beside
// the ship (student_pile_benchmark in tests/), the costliest files this budget admits, the worse
// of two medians of five runs on 8 shared cores (worst step of the first 30, then their sum):
// - packed patches, every point of a 2 cm grid taking a student that sinks into fewer than k
//   before it while the budget lasts, 2500 pairs: 3 m, 1000 students, 32 ms, 0.36 s; 6 m,
//   38 ms, 0.58 s; 12 m, 33 ms, 0.77 s; 24 m, 34 ms, 0.50 s; 0.5 m, 692 students, 14 ms, 0.09 s;
// - piles of 8 or 16 on the editor's grid up to the cap, 2500 pairs: 18 ms, 0.14 s;
// - one pile as high as it goes, 71 students, 2485 pairs: 5 ms, 0.02 s.
// So no file holds a step up past about 40 ms, under three frames; at 3000 pairs the worst patch
// took 41 ms, at 4000 about 48 ms. A pile of 50 (1225 pairs) always loads.
const int kMaxStudentOverlaps = 2500;

enum class Placement {
    Fits,
    UnknownKind,
    TooFar,  // non-finite, or beyond kFarthestObject
    OverCap,
    TooCrowded  // the level would pass kMaxStudentOverlaps
};
