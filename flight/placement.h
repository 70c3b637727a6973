#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "flight/collision_category.h"

// Which objects-file records the game can hold. The objects file loader skips, the editor refuses
// and the level checker reports every record these rules turn away, so that the level a designer
// saves is the level that loads, and no file can cost the flight more than a real level does.
// Everything else loads, just off the map or stacked cannons included: only what breaks goes.

// The outline a student's body is built from. The body never turns, so its kite stays upright.
const int kStudentKiteCorners = 4;
const float kStudentKite[kStudentKiteCorners][2] = {  // metres, counter-clockwise
    {-0.2f, 0.0f},
    {0.0f, -0.375f},
    {0.2f, 0.0f},
    {0.0f, 0.15f}};

// Records one objects file may hold; the loader reads no further. The campaign's largest level
// has 67, and a file packed as tightly as the overlap rule lets it still steps in milliseconds.
const int kMaxLevelObjects = 1000;

// How far from the map's origin an object may stand, along either axis. The largest map is 256 m
// wide; past about 1e19 m the physics turns positions into NaN, past 6.7e7 m their pixels no
// longer fit an int, and past 1e8 m a float cannot tell a ship from a student 2 m away.
const float kFarthestObject = 100000.0f;  // m

// Resting bodies sink this far into each other (the physics' polygon skin); a deeper overlap
// means one object was placed on top of the other.
const float kOverlapAllowance = 0.01f;  // m

struct PlacedObject {
    int kind;  // CollisionCategory::Student or CollisionCategory::Cannon
    float x, y;
};

enum class Placement {
    Fits,
    UnknownKind,
    TooFar,  // non-finite, or beyond kFarthestObject
    OverCap,
    Overlaps
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

// Two students overlap when the physics would have to push their kites apart: stacked ones once
// took minutes to step. Cannons never touch anything but the ship and its shots, so any number
// may share a spot, and a student may stand within a cannon's base as it walks past one.
inline bool objectsOverlap(const PlacedObject& a, const PlacedObject& b) {
    // A kite reaches less than half a metre from its body's origin: most pairs end here.
    const float kReach = 1.0f;  // m
    if (a.kind != CollisionCategory::Student || b.kind != CollisionCategory::Student ||
        std::fabs(b.x - a.x) >= kReach || std::fabs(b.y - a.y) >= kReach) {
        return false;
    }
    return kiteOverlapDepth(b.x - a.x, b.y - a.y) > kOverlapAllowance;
}

// Whether an object of `kind` may go at (x, y) metres, as record number `index` (from 0) of its
// objects file, after the objects already `placed`.
inline Placement checkPlacement(int kind, float x, float y, int index,
                                const std::vector<PlacedObject>& placed) {
    if (index >= kMaxLevelObjects) {
        return Placement::OverCap;
    }
    if (kind != CollisionCategory::Student && kind != CollisionCategory::Cannon) {
        return Placement::UnknownKind;
    }
    // The physics aborts on a non-finite position, which also fails these tests.
    if (!(std::fabs(x) <= kFarthestObject && std::fabs(y) <= kFarthestObject)) {
        return Placement::TooFar;
    }
    const PlacedObject object{kind, x, y};
    for (const PlacedObject& other : placed) {
        if (objectsOverlap(other, object)) {
            return Placement::Overlaps;
        }
    }
    return Placement::Fits;
}
