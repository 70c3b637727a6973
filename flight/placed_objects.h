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
    return static_cast<int32_t>(std::floor(metres * (1 / kCellSize)));
}

inline size_t slotOf(int32_t column, int32_t row) {
    const uint32_t mixed =
        static_cast<uint32_t>(column) * 73856093u ^ static_cast<uint32_t>(row) * 19349663u;
    return (mixed ^ mixed >> 13) & (kCellSlots - 1);
}

// Where a box of positions lies for a student at (x, y): every kite in it overlaps that
// student's, none does, or it takes a look at each. The margin keeps the verdict on the box the
// one each kite in it would get, whatever the rounding.
enum class BoxReach { All, None, Some };
const float kBoxMargin = 1e-4f;  // m

inline BoxReach boxReach(float x, float y, float left, float bottom, float right, float top) {
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

}  // namespace placing

// Whether two upright student kites, the second offset by (dx, dy) metres from the first, sink
// more than kOverlapAllowance into each other.
inline bool kitesOverlap(float dx, float dy);

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
    };
    struct Cell {
        int32_t column, row;
        int spots;  // its spots in spotsOfCells_, -1 for a free slot
    };
    // A cell's spots side by side, scanned without chasing links, and the box around them with
    // the students they hold, so that a cell wholly in or out of a student's reach is one test.
    struct CellSpots {
        std::vector<Spot> spots;
        float left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;
        int students = 0;
    };

    Placement verdict(int kind, float x, float y, int* under) const;
    const Cell* findCell(int32_t column, int32_t row) const;
    Cell& cellFor(int32_t column, int32_t row);
    void addStudent(float x, float y);

    int budget_;
    int count_ = 0;
    int pairs_ = 0;
    // A refused student's position: a file repeating it costs one comparison per record until
    // something more is placed.
    bool refused_ = false;
    float refusedX_ = 0, refusedY_ = 0;
    std::vector<Cell> cells_;  // open addressing, never more than a quarter full
    std::vector<CellSpots> spotsOfCells_;
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
    if (refused_ && kind == CollisionCategory::Student && x == refusedX_ && y == refusedY_) {
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
        refused_ = false;
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
            if (!cell) {
                continue;
            }
            const CellSpots& near = spotsOfCells_[cell->spots];
            const placing::BoxReach reach =
                placing::boxReach(x, y, near.left, near.bottom, near.right, near.top);
            if (reach != placing::BoxReach::Some) {
                found += reach == placing::BoxReach::All ? near.students : 0;
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

inline const PlacedObjects::Cell* PlacedObjects::findCell(int32_t column, int32_t row) const {
    for (size_t slot = placing::slotOf(column, row);;
         slot = (slot + 1) & (placing::kCellSlots - 1)) {
        const Cell& cell = cells_[slot];
        if (cell.spots < 0) {
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
        if (cell.spots < 0) {
            cell.column = column;
            cell.row = row;
            cell.spots = static_cast<int>(spotsOfCells_.size());
            spotsOfCells_.emplace_back();
            return cell;
        }
        if (cell.column == column && cell.row == row) {
            return cell;
        }
    }
}

inline void PlacedObjects::addStudent(float x, float y) {
    CellSpots& cell = spotsOfCells_[cellFor(placing::cellOf(x), placing::cellOf(y)).spots];
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
