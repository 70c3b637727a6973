#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "flight/placement.h"

namespace placing {

// Cells a little wider than the span over which two kites can meet (0.8 m across, 1.05 m up),
// so that a student's neighbours lie in at most two cells each way.
const float kCellSize = 1.25f;  // m
// A power of two, at least four times the most cells a full level can use.
const int kCellSlots = 4096;

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

inline const KiteAxes g_kiteAxes;

inline int32_t cellOf(float metres) {
    return static_cast<int32_t>(std::floor(metres / kCellSize));
}

inline size_t slotOf(int32_t column, int32_t row) {
    const uint32_t mixed =
        static_cast<uint32_t>(column) * 73856093u ^ static_cast<uint32_t>(row) * 19349663u;
    return (mixed ^ mixed >> 13) & (kCellSlots - 1);
}

}  // namespace placing

// Whether two upright student kites, the second offset by (dx, dy) metres from the first, sink
// more than kOverlapAllowance into each other.
bool kitesOverlap(float dx, float dy);

// The objects a level holds so far, in load order, with the placing rules applied to each new
// one. Students are kept in a grid of cells keyed by spot, those on the very same position as
// one entry with a count, so that a record costs what its neighbours cost and a pile is one
// check, however much the level or the file holds.
class PlacedObjects {
public:
    // The budget is the level's; a benchmark may try others.
    explicit PlacedObjects(int overlapBudget = kMaxStudentOverlaps);

    // Whether an object of `kind` may go at (x, y) metres after those placed.
    Placement check(int kind, float x, float y) const;
    // Keeps the object when it fits; returns the verdict either way.
    Placement place(int kind, float x, float y);

    int count() const { return count_; }
    // Pairs of placed students that overlap.
    int overlappingPairs() const { return pairs_; }
    // How many placed students one at (x, y) would sink into, counting no further than `limit`.
    int studentsUnder(float x, float y, int limit) const;

private:
    struct Spot {
        float x, y;
        int count;  // students on exactly this position
        int next;   // the cell's next spot, -1 for none
    };
    struct Cell {
        int32_t column, row;
        int first;  // -1 for a free slot
    };

    Placement verdict(int kind, float x, float y, int* under) const;
    const Cell* findCell(int32_t column, int32_t row) const;
    Cell& cellFor(int32_t column, int32_t row);
    void addStudent(float x, float y);

    int budget_;
    int count_ = 0;
    int pairs_ = 0;
    std::vector<Spot> spots_;
    std::vector<Cell> cells_;  // open addressing, never more than a quarter full
};

inline bool kitesOverlap(float dx, float dy) {
    for (int i = 0; i < kStudentKiteCorners; i++) {
        if (std::fabs(dx * placing::g_kiteAxes.nx[i] + dy * placing::g_kiteAxes.ny[i]) >=
            placing::g_kiteAxes.limit[i]) {
            return false;
        }
    }
    return true;
}

inline PlacedObjects::PlacedObjects(int overlapBudget)
    : budget_(overlapBudget), cells_(placing::kCellSlots, Cell{0, 0, -1}) {}

inline Placement PlacedObjects::check(int kind, float x, float y) const {
    int under;
    return verdict(kind, x, y, &under);
}

inline Placement PlacedObjects::place(int kind, float x, float y) {
    int under = 0;
    const Placement placement = verdict(kind, x, y, &under);
    if (placement == Placement::Fits) {
        count_ += 1;
        if (kind == CollisionCategory::Student) {
            pairs_ += under;
            addStudent(x, y);
        }
    }
    return placement;
}

inline Placement PlacedObjects::verdict(int kind, float x, float y, int* under) const {
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

inline int PlacedObjects::studentsUnder(float x, float y, int limit) const {
    int found = 0;
    const int32_t right = placing::cellOf(x + placing::g_kiteAxes.reachX),
                  top = placing::cellOf(y + placing::g_kiteAxes.reachY);
    for (int32_t column = placing::cellOf(x - placing::g_kiteAxes.reachX); column <= right;
         column++) {
        for (int32_t row = placing::cellOf(y - placing::g_kiteAxes.reachY); row <= top; row++) {
            const Cell* cell = findCell(column, row);
            for (int i = cell ? cell->first : -1; i >= 0; i = spots_[i].next) {
                const Spot& spot = spots_[i];
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

inline const PlacedObjects::Cell* PlacedObjects::findCell(int32_t column, int32_t row) const {
    for (size_t slot = placing::slotOf(column, row);;
         slot = (slot + 1) & (placing::kCellSlots - 1)) {
        const Cell& cell = cells_[slot];
        if (cell.first < 0) {
            return nullptr;
        }
        if (cell.column == column && cell.row == row) {
            return &cell;
        }
    }
}

inline PlacedObjects::Cell& PlacedObjects::cellFor(int32_t column, int32_t row) {
    for (size_t slot = placing::slotOf(column, row);;
         slot = (slot + 1) & (placing::kCellSlots - 1)) {
        Cell& cell = cells_[slot];
        if (cell.first < 0) {
            cell.column = column;
            cell.row = row;
            return cell;
        }
        if (cell.column == column && cell.row == row) {
            return cell;
        }
    }
}

inline void PlacedObjects::addStudent(float x, float y) {
    Cell& cell = cellFor(placing::cellOf(x), placing::cellOf(y));
    for (int i = cell.first; i >= 0; i = spots_[i].next) {
        if (spots_[i].x == x && spots_[i].y == y) {
            spots_[i].count += 1;
            return;
        }
    }
    spots_.push_back({x, y, 1, cell.first});
    cell.first = static_cast<int>(spots_.size()) - 1;
}
