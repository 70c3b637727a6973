#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "flight/collision_category.h"

// Where a level may hold a student or a cannon. The objects file loader skips, the editor refuses
// and the level checker reports every record these rules turn away, so that the level a designer
// saves is the level that loads, and no file can cost the flight more than a real level does.

// The outlines the bodies are built from. A student's body never turns, so its kite stays upright.
const int kStudentKiteCorners = 4;
const float kStudentKite[kStudentKiteCorners][2] = {  // metres, counter-clockwise
    {-0.2f, 0.0f},
    {0.0f, -0.375f},
    {0.2f, 0.0f},
    {0.0f, 0.15f}};
const float kCannonBaseRadius = 0.5f;  // m

// Records one objects file may hold; the loader reads no further. The campaign's largest level
// has 67, and a file packed as tightly as the overlap rule lets it still steps in milliseconds.
const int kMaxLevelObjects = 1000;

// Resting bodies sink this far into each other (the physics' polygon skin); a deeper overlap
// means one object was placed on top of the other.
const float kOverlapAllowance = 0.01f;  // m

struct PlacedObject {
    int kind;  // CollisionCategory::Student or CollisionCategory::Cannon
    float x, y;
};

enum class Placement { Fits, UnknownKind, OutsideMap, OverCap, Overlaps };

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

// Two objects overlap when the physics would have to push them apart: students against students
// (kites), cannons against cannons (pinned bases). A student may stand within a cannon's base,
// as it does when it walks past one: the two never touch.
inline bool objectsOverlap(const PlacedObject& a, const PlacedObject& b) {
    // Neither outline reaches a metre from its body's origin: most pairs end here.
    const float kReach = 2 * kCannonBaseRadius;  // m
    if (a.kind != b.kind || std::fabs(b.x - a.x) >= kReach || std::fabs(b.y - a.y) >= kReach) {
        return false;
    }
    if (a.kind == CollisionCategory::Student) {
        return kiteOverlapDepth(b.x - a.x, b.y - a.y) > kOverlapAllowance;
    }
    return 2 * kCannonBaseRadius - std::hypot(b.x - a.x, b.y - a.y) > kOverlapAllowance;
}

// Whether an object of `kind` may go at (x, y) metres in a width x height tile map, as record
// number `index` (from 0) of its objects file, after the objects already `placed`.
inline Placement checkPlacement(int kind, float x, float y, int index, int width, int height,
                                const std::vector<PlacedObject>& placed) {
    if (index >= kMaxLevelObjects) {
        return Placement::OverCap;
    }
    if (kind != CollisionCategory::Student && kind != CollisionCategory::Cannon) {
        return Placement::UnknownKind;
    }
    // The physics aborts on a non-finite position; nothing outside the map belongs in it.
    if (!std::isfinite(x) || !std::isfinite(y) || x < 0 || x > width || y < 0 || y > height) {
        return Placement::OutsideMap;
    }
    const PlacedObject object{kind, x, y};
    for (const PlacedObject& other : placed) {
        if (objectsOverlap(other, object)) {
            return Placement::Overlaps;
        }
    }
    return Placement::Fits;
}
