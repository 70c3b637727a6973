#pragma once

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "flight/placement.h"

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

private:
    struct Spot {
        float x, y;
        int count;  // students on exactly this position
    };
    // A cell's spots side by side, scanned without chasing links, and the box around them with
    // the students they hold, so that a cell wholly in or out of a student's reach is one test.
    struct Cell {
        std::vector<Spot> spots;
        float left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;
        int students = 0;
    };

    Placement verdict(int kind, float x, float y, int* under) const;
    // How many placed students one at (x, y) would sink into, counting no further than `limit`.
    int studentsUnder(float x, float y, int limit) const;
    void addStudent(float x, float y);

    int budget_;
    int count_ = 0;
    int pairs_ = 0;  // of placed students that overlap
    // A refused student's position: a file repeating it costs one comparison per record.
    // Students and their pairs only grow, so it stays refused until the level is full.
    bool refused_ = false;
    float refusedX_ = 0, refusedY_ = 0;
    std::unordered_map<uint64_t, Cell> cells_;  // by column (high half) and row
};
