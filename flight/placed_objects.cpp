#include "flight/placed_objects.h"

#include <algorithm>

#include "flight/collision_category.h"
#include "flight/student.h"

namespace {

// Cells a little wider than the span over which two kites can meet (0.8 m across, 1.05 m up),
// so that a student's neighbours lie in at most two cells each way.
const float kCellSize = 1.25f;  // m

// The kite's edge normals as unit vectors, each with the kite's width along it less the
// allowance: both kites share these axes, the only ones that can separate them, and along
// each the two outlines overlap by their width less the offset.
struct KiteAxes {
    float nx[kStudentKiteCorners], ny[kStudentKiteCorners], limit[kStudentKiteCorners];
    float reachX, reachY;  // the kite's width and height: two kites farther apart never meet, m
    KiteAxes() {
        for (int i = 0; i < kStudentKiteCorners; i++) {
            const float* from = kStudentKite[i];
            const float* to = kStudentKite[(i + 1) % kStudentKiteCorners];
            const float length = std::hypot(to[1] - from[1], from[0] - to[0]);
            nx[i] = (to[1] - from[1]) / length;
            ny[i] = (from[0] - to[0]) / length;
            limit[i] = extent(nx[i], ny[i]) - kOverlapAllowance;
        }
        reachX = extent(1, 0);
        reachY = extent(0, 1);
    }
    // The kite's width along the unit direction (nx, ny).
    static float extent(float nx, float ny) {
        float low = INFINITY, high = -INFINITY;
        for (const float* corner : kStudentKite) {
            const float along = corner[0] * nx + corner[1] * ny;
            low = std::min(low, along);
            high = std::max(high, along);
        }
        return high - low;
    }
};

const KiteAxes g_kiteAxes;

int32_t cellOf(float metres) {
    return static_cast<int32_t>(std::floor(metres * (1 / kCellSize)));
}

uint64_t cellKey(int32_t column, int32_t row) {
    return static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32 | static_cast<uint32_t>(row);
}

// Where a box of positions lies for a student at (x, y): every kite in it overlaps that
// student's, none does, or it takes a look at each. The margin keeps the verdict on the box the
// one each kite in it would get, whatever the rounding.
enum class BoxReach { All, None, Some };
const float kBoxMargin = 1e-4f;  // m

BoxReach boxReach(float x, float y, float left, float bottom, float right, float top) {
    const float dx0 = x - right, dx1 = x - left, dy0 = y - top, dy1 = y - bottom;
    bool all = true;
    for (int i = 0; i < kStudentKiteCorners; i++) {
        const float nx = g_kiteAxes.nx[i], ny = g_kiteAxes.ny[i];
        const float low = std::min(nx * dx0, nx * dx1) + std::min(ny * dy0, ny * dy1);
        const float high = std::max(nx * dx0, nx * dx1) + std::max(ny * dy0, ny * dy1);
        const float limit = g_kiteAxes.limit[i];
        if (low >= limit + kBoxMargin || high <= -limit - kBoxMargin) {
            return BoxReach::None;
        }
        all = all && std::max(std::fabs(low), std::fabs(high)) < limit - kBoxMargin;
    }
    return all ? BoxReach::All : BoxReach::Some;
}

// Whether two upright student kites, the second offset by (dx, dy) metres from the first, sink
// more than kOverlapAllowance into each other.
bool kitesOverlap(float dx, float dy) {
    for (int i = 0; i < kStudentKiteCorners; i++) {
        if (std::fabs(dx * g_kiteAxes.nx[i] + dy * g_kiteAxes.ny[i]) >= g_kiteAxes.limit[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

PlacedObjects::PlacedObjects(int overlapBudget) : budget_(overlapBudget) {}

Placement PlacedObjects::check(int kind, float x, float y) const {
    int under;
    return verdict(kind, x, y, &under);
}

Placement PlacedObjects::place(int kind, float x, float y) {
    // A refused spot stays refused, until the level is full and it is over the cap as all are.
    if (refused_ && count_ < kMaxLevelObjects && kind == CollisionCategory::Student &&
        x == refusedX_ && y == refusedY_) {
        return Placement::TooCrowded;
    }
    int under = 0;
    const Placement placement = verdict(kind, x, y, &under);
    if (placement == Placement::TooCrowded) {
        refused_ = true;
        refusedX_ = x;
        refusedY_ = y;
    }
    if (placement == Placement::Fits) {
        count_ += 1;
        if (kind == CollisionCategory::Student) {
            pairs_ += under;
            addStudent(x, y);
        }
    }
    return placement;
}

Placement PlacedObjects::verdict(int kind, float x, float y, int* under) const {
    *under = 0;
    if (count_ >= kMaxLevelObjects) {
        return Placement::OverCap;
    }
    if (kind != CollisionCategory::Student && kind != CollisionCategory::Cannon) {
        return Placement::UnknownKind;
    }
    // The physics aborts on a non-finite position, which also fails these tests.
    if (!(std::fabs(x) <= kFarthestObject && std::fabs(y) <= kFarthestObject)) {
        return Placement::TooFar;
    }
    // Cannons never touch anything but the ship and its shots, so any number may share a spot,
    // and a student may stand within a cannon's base as it walks past one.
    if (kind == CollisionCategory::Student) {
        const int room = budget_ - pairs_;
        *under = studentsUnder(x, y, room + 1);
        if (*under > room) {
            return Placement::TooCrowded;
        }
    }
    return Placement::Fits;
}

int PlacedObjects::studentsUnder(float x, float y, int limit) const {
    int found = 0;
    const int32_t right = cellOf(x + g_kiteAxes.reachX), top = cellOf(y + g_kiteAxes.reachY);
    for (int32_t column = cellOf(x - g_kiteAxes.reachX); column <= right; column++) {
        for (int32_t row = cellOf(y - g_kiteAxes.reachY); row <= top; row++) {
            const auto cell = cells_.find(cellKey(column, row));
            if (cell == cells_.end()) {
                continue;
            }
            const Cell& near = cell->second;
            const BoxReach reach = boxReach(x, y, near.left, near.bottom, near.right, near.top);
            if (reach != BoxReach::Some) {
                found += reach == BoxReach::All ? near.students : 0;
                if (found >= limit) {
                    return found;
                }
                continue;
            }
            for (const Spot& spot : near.spots) {
                if (kitesOverlap(x - spot.x, y - spot.y)) {
                    found += spot.count;
                    if (found >= limit) {
                        return found;
                    }
                }
            }
        }
    }
    return found;
}

void PlacedObjects::addStudent(float x, float y) {
    Cell& cell = cells_[cellKey(cellOf(x), cellOf(y))];
    cell.students += 1;
    cell.left = std::min(cell.left, x);
    cell.bottom = std::min(cell.bottom, y);
    cell.right = std::max(cell.right, x);
    cell.top = std::max(cell.top, y);
    for (Spot& spot : cell.spots) {
        if (spot.x == x && spot.y == y) {
            spot.count += 1;
            return;
        }
    }
    cell.spots.push_back({x, y, 1});
}
