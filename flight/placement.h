#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "flight/collision_category.h"

// Which objects-file records the game can hold. The objects file loader skips, the editor refuses
// and the level checker reports every record these rules turn away, so that the level a designer
// saves is the level that loads. Only what breaks goes: a position the physics cannot hold, a
// pile of students too high to push apart at once, and objects past the cap. Everything else
// loads, just off the map, small piles and stacked cannons included.

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
// wide; past about 1e19 m the physics turns positions into NaN, past 6.7e7 m their pixels no
// longer fit an int, and past 1e8 m a float cannot tell a ship from a student 2 m away.
const float kFarthestObject = 100000.0f;  // m

// Resting bodies sink this far into each other (the physics' polygon skin); a deeper overlap
// means one object was placed on top of the other.
const float kOverlapAllowance = 0.01f;  // m

// The most students whose kites may reach into each other: a student that would sink into this
// many placed before it is refused. Pressing M again on the same spot stacks a second student,
// and the physics pushes a small pile apart in its first steps at no cost worth the name. What
// breaks is a high pile: 1000 students on one spot freeze the launch, 2.1 s on the first step
// and 4.4 s on the first 30. Measured in mission 1 beside the ship (student_pile_benchmark in
// tests/), the worst files this limit allows, 1000 students each:
// - piles of 16 on the editor's grid: 40 ms on the first step, the first 30 in 0.22 s;
// - a 3 m patch packed so that every student sinks into 15 before it, which only a hand-made
//   file can hold: 0.13 s at worst, the first 30 steps in 1.05 s;
// and both then step in 3 ms. So no file holds a step up much past a tenth of a second, nor the
// launch for much more than a second; at 20 the patch takes 0.17 s and 1.4 s, at 25 0.22 s and
// 1.7 s.
const int kMaxStudentPile = 16;

struct PlacedObject {
    int kind;  // CollisionCategory::Student or CollisionCategory::Cannon
    float x, y;
};

enum class Placement {
    Fits,
    UnknownKind,
    TooFar,  // non-finite, or beyond kFarthestObject
    OverCap,
    PileTooHigh
};

// How deep two upright kites, the second offset by (dx, dy) from the first, reach into each
// other; negative when apart. Both share the kite's edge normals, the only axes that can separate
// them, and along each the two outlines overlap by their width less the offset.
inline float kiteOverlapDepth(float dx, float dy) {
    float depth = INFINITY;
    for (int i = 0; i < kStudentKiteCorners; i++) {
        const float* from = kStudentKite[i];
        const float* to = kStudentKite[(i + 1) % kStudentKiteCorners];
        const float nx = to[1] - from[1], ny = from[0] - to[0];
        float low = INFINITY, high = -INFINITY;
        for (const float* corner : kStudentKite) {
            const float along = corner[0] * nx + corner[1] * ny;
            low = std::min(low, along);
            high = std::max(high, along);
        }
        const float length = std::hypot(nx, ny);
        depth = std::min(depth, (high - low - std::fabs(dx * nx + dy * ny)) / length);
    }
    return depth;
}

// Whether the physics would have to push two objects apart. Only students count: cannons never
// touch anything but the ship and its shots, so any number may share a spot, and a student may
// stand within a cannon's base as it walks past one.
inline bool objectsOverlap(const PlacedObject& a, const PlacedObject& b) {
    // A kite reaches less than half a metre from its body's origin: most pairs end here.
    const float kReach = 1.0f;  // m
    if (a.kind != CollisionCategory::Student || b.kind != CollisionCategory::Student ||
        std::fabs(b.x - a.x) >= kReach || std::fabs(b.y - a.y) >= kReach) {
        return false;
    }
    return kiteOverlapDepth(b.x - a.x, b.y - a.y) > kOverlapAllowance;
}

// How many of the `placed` objects a student at (x, y) would sink into, counting no further
// than `limit`.
inline int studentsUnder(float x, float y, const std::vector<PlacedObject>& placed, int limit) {
    const PlacedObject student{CollisionCategory::Student, x, y};
    int count = 0;
    for (const PlacedObject& other : placed) {
        if (objectsOverlap(other, student) && ++count >= limit) {
            break;
        }
    }
    return count;
}

// Whether an object of `kind` may go at (x, y) metres after the objects already `placed`.
inline Placement checkPlacement(int kind, float x, float y,
                                const std::vector<PlacedObject>& placed) {
    if (placed.size() >= static_cast<size_t>(kMaxLevelObjects)) {
        return Placement::OverCap;
    }
    if (kind != CollisionCategory::Student && kind != CollisionCategory::Cannon) {
        return Placement::UnknownKind;
    }
    // The physics aborts on a non-finite position, which also fails these tests.
    if (!(std::fabs(x) <= kFarthestObject && std::fabs(y) <= kFarthestObject)) {
        return Placement::TooFar;
    }
    if (kind == CollisionCategory::Student &&
        studentsUnder(x, y, placed, kMaxStudentPile) >= kMaxStudentPile) {
        return Placement::PileTooHigh;
    }
    return Placement::Fits;
}
