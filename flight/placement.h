#pragma once

#include "flight/collision_category.h"

// Which objects-file records the game can hold. The objects file loader skips, the editor refuses
// and the level checker reports every record these rules turn away (PlacedObjects applies them,
// in load order), so that the level a designer saves is the level that loads. Only what breaks
// goes: a position the physics cannot hold, students overlapping in more pairs than the physics
// pushes apart at once, and objects past the cap. Everything else loads, just off the map, piles
// and stacked cannons included.

// Objects one level may hold: every record that makes a student or a cannon counts, and past
// this many the loader places none, only counting the students and cannons it drops. The cap
// bounds the bodies a file makes, not what they do once flying: a thousand cannons in range of
// the ship all fire, as they would anywhere, for about 1 ms a step (student_pile_benchmark). The
// campaign's largest level has 67 objects.
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
// student, and the physics pushes a pile apart in its first steps, paying a contact per
// overlapping pair however the pairs lie, so the budget counts pairs and not piles. No file it
// admits holds a step up past about 40 ms (student_pile_benchmark in tests/ has the figures).
const int kMaxStudentOverlaps = 2500;

enum class Placement {
    Fits,
    UnknownKind,
    TooFar,  // non-finite, or beyond kFarthestObject
    OverCap,
    TooCrowded  // the level would pass kMaxStudentOverlaps
};
