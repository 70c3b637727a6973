// What overlapping students cost the flight, for the budget of overlapping pairs a level may
// hold. Mission 1 as shipped, its own objects replaced by what the loader keeps of a file's worth
// of students beside the ship on its pad: one pile as high as the budget lets it go, piles of a
// given height on the editor's grid up to the level's cap, and patches of several widths packed
// on a fine grid, each student sinking into fewer than a given number before it; and, for the
// level's cap of objects, a thousand cannons on one spot. Each run flies 90 steps from the launch
// (the cannons 420, so that each fires twice) and reports, in milliseconds, the first step, the
// worst of the first 30 and their sum, and the mean of the steps after them, with the
// overlapping pairs the physics must push apart. Run it under xvfb-run, with PAIR_BUDGET to try another budget and
// --benchmark_repetitions to take medians.
//
// At the game's budget of 2500 pairs, the costliest files it admits, the worse of two medians of
// five runs on 8 shared cores (worst step of the first 30, then their sum):
// - packed patches, every point of a 2 cm grid taking a student that sinks into fewer than k
//   before it while the budget lasts: 3 m, 1000 students, 32 ms, 0.36 s; 6 m, 38 ms, 0.58 s;
//   12 m, 33 ms, 0.77 s; 24 m, 34 ms, 0.50 s; 0.5 m, 692 students, 14 ms, 0.09 s;
// - piles of 8 or 16 on the editor's grid up to the cap: 18 ms, 0.14 s;
// - one pile as high as it goes, 71 students, 2485 pairs: 5 ms, 0.02 s.
// So no file holds a step up past about 40 ms, under three frames; at 3000 pairs the worst patch
// took 41 ms, at 4000 about 48 ms. 1000 students on one spot, 499,500 pairs, froze the launch for
// 2.1 s. A pile of 50 (1225 pairs) always loads. A thousand cannons on one spot, never touching
// but every two a pair the physics looks at: 18 ms at the launch (median of five), then about
// 1 ms a step as they all fire.
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/contact_listener.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "platform/object_record.h"
#include "tests/benchmark_main.h"
#include "tests/flight_sandbox.h"

namespace {

const int kMission = 1;
const float kShipX = 64.0f;       // metres: the start column, over mission 1's pad
const float kOnThePad = 76.5f;    // metres: the editor's half-metre point just above the pad
const int kSteps = 90;            // a second and a half of flight
const int kCannonSteps = 420;     // seven seconds: every cannon fires twice
const int kEarlySteps = 30;       // the steps in which piles are pushed apart
const float kEditorGrid = 0.5f;   // metres between the editor's placing points
const float kPilesWidth = 24.0f;  // metres across the ship's wake range that piles may use
const float kFillGrid = 0.02f;    // metres between the points a dense fill tries
const float kFillHeight = 40.0f;  // metres a fill may climb before it gives up
const float kKiteReach = 1.0f;    // metres, more than a kite's width or height

enum Layout { OnePile, PilesOnTheGrid, Patch, CannonsOnOneSpot };

int g_budget = kMaxStudentOverlaps;  // pairs

// What the loader keeps of a thousand students on one spot beside the ship.
std::vector<ObjectRecord> onePile(int budget) {
    std::vector<ObjectRecord> students;
    PlacedObjects placed(budget);
    for (int i = 0; i < kMaxLevelObjects; i++) {
        if (placed.place(CollisionCategory::Student, kShipX + 2, kOnThePad) == Placement::Fits) {
            students.push_back({CollisionCategory::Student, kShipX + 2, kOnThePad});
        }
    }
    return students;
}

// What the loader keeps of a file offering `height` students on each of the editor's placing
// points over a strip of the pad, row by row, until the level is full.
std::vector<ObjectRecord> piles(int budget, int height) {
    std::vector<ObjectRecord> students;
    PlacedObjects placed(budget);
    for (float y = kOnThePad; placed.count() < kMaxLevelObjects && y < kOnThePad + kFillHeight;
         y += kEditorGrid) {
        for (float x = kShipX - kPilesWidth / 2; x < kShipX + kPilesWidth / 2; x += kEditorGrid) {
            for (int i = 0; i < height; i++) {
                if (placed.place(CollisionCategory::Student, x, y) == Placement::Fits) {
                    students.push_back({CollisionCategory::Student, x, y});
                }
            }
        }
    }
    return students;
}

// How many of the students kept so far, row by row upward, one at (x, y) would sink into. Kites
// farther apart than kKiteReach never meet, so only the last rows are looked at.
int studentsUnder(const std::vector<ObjectRecord>& kept, float x, float y) {
    int under = 0;
    for (auto s = kept.rbegin(); s != kept.rend() && s->y > y - kKiteReach; ++s) {
        under +=
            std::fabs(s->x - x) < kKiteReach && studentsOverlap(b2Vec2(s->x, s->y), b2Vec2(x, y));
    }
    return under;
}

// What the loader keeps of a file offering every point of a fine grid over a patch `width`
// metres wide, row by row from the pad up, each a student that sinks into fewer than `deepest`
// of those before it: small values spread the budget's pairs over all thousand students, large
// ones heap them on the first few.
std::vector<ObjectRecord> patch(int budget, float width, int deepest) {
    std::vector<ObjectRecord> students;
    PlacedObjects placed(budget);
    for (float y = kOnThePad; placed.count() < kMaxLevelObjects && y < kOnThePad + kFillHeight;
         y += kFillGrid) {
        for (float x = kShipX - width / 2; x < kShipX + width / 2; x += kFillGrid) {
            // Once the budget is spent the index turns most points away at once: ask it first.
            if (placed.check(CollisionCategory::Student, x, y) == Placement::Fits &&
                studentsUnder(students, x, y) < deepest) {
                placed.place(CollisionCategory::Student, x, y);
                students.push_back({CollisionCategory::Student, x, y});
            }
        }
    }
    return students;
}

// The level's cap of cannons, the costliest object, on one spot beside the ship: never touching
// each other, but every two bases a pair the physics must look at, and all of them awake,
// turning and firing.
std::vector<ObjectRecord> cannonsOnOneSpot() {
    return std::vector<ObjectRecord>(kMaxLevelObjects,
                                     {CollisionCategory::Cannon, kShipX + 3, kOnThePad});
}

// Pairs of students whose kites reach into each other.
int overlappingPairs(const std::vector<ObjectRecord>& students) {
    int pairs = 0;
    for (size_t i = 0; i < students.size(); i++) {
        for (size_t j = 0; j < i; j++) {
            pairs += studentsOverlap(b2Vec2(students[i].x, students[i].y),
                                     b2Vec2(students[j].x, students[j].y));
        }
    }
    return pairs;
}

// Step times of one flight, in milliseconds.
struct StepTimes {
    double first = 0;       // the launch step
    double worstEarly = 0;  // the worst of the first kEarlySteps
    double early = 0;       // all of them: half a second of flight
    double settled = 0;     // the mean of those after them
};

StepTimes fly(const std::vector<ObjectRecord>& objects, int steps) {
    resetCampaign();
    g_mission = kMission;
    myContactListener listener;
    std::unique_ptr<World> world(loadMission(kMission, &listener));
    world->loadObjects("");  // none of the mission's own
    for (const ObjectRecord& s : objects) {
        if (s.kind == CollisionCategory::Cannon) {
            world->cannons.push_back(
                new Cannon(s.x, s.y, world.get(), world->cannonSheet, world->gunTexture));
        } else {
            world->students.push_back(new Student(s.x, s.y, world.get(), world->studentSheet));
        }
    }
    launchShip(world.get());
    StepTimes times;
    for (int step = 0; step < steps; step++) {
        const auto start = std::chrono::steady_clock::now();
        world->update();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (step == 0) {
            times.first = took.count();
        }
        if (step < kEarlySteps) {
            times.worstEarly = std::max(times.worstEarly, took.count());
            times.early += took.count();
        } else {
            times.settled += took.count() / (steps - kEarlySteps);
        }
    }
    return times;
}

// Arguments: the layout, the pair budget, and the pile height or the patch's width in
// centimetres; a patch's third is how deep each student may sink.
void studentPile(benchmark::State& state) {
    const Layout kind = static_cast<Layout>(state.range(0));
    const int budget = static_cast<int>(state.range(1));
    std::vector<ObjectRecord> students;
    if (kind == OnePile) {
        students = onePile(budget);
    } else if (kind == PilesOnTheGrid) {
        students = piles(budget, static_cast<int>(state.range(2)));
    } else if (kind == Patch) {
        students = patch(budget, state.range(2) / 100.0f, static_cast<int>(state.range(3)));
    } else {
        students = cannonsOnOneSpot();
    }
    const int steps = kind == CannonsOnOneSpot ? kCannonSteps : kSteps;
    StepTimes times;
    for (auto _ : state) {
        times = fly(students, steps);
        const double total = times.early + times.settled * (steps - kEarlySteps);  // ms
        state.SetIterationTime(total / 1000);
    }
    state.counters["students"] = static_cast<double>(students.size());
    if (kind != CannonsOnOneSpot) {
        state.counters["pairs"] = overlappingPairs(students);
    }
    state.counters["first_ms"] = times.first;
    state.counters["worst30_ms"] = times.worstEarly;
    state.counters["first30_ms"] = times.early;
    state.counters["settled_ms"] = times.settled;
}

void layouts(benchmark::internal::Benchmark* benchmark) {
    for (int budget : {g_budget}) {
        benchmark->Args({OnePile, budget, 0, 0});
        benchmark->Args({CannonsOnOneSpot, budget, 0, 0});
        for (int height : {2, 4, 8, 16, 32, 50, 64}) {
            benchmark->Args({PilesOnTheGrid, budget, height, 0});
        }
        for (int width : {50, 100, 300, 600, 1200, 2400}) {
            for (int deepest : {2, 3, 4, 5, 6, 8, 12, 16, 24, 50}) {
                benchmark->Args({Patch, budget, width, deepest});
            }
        }
    }
}

}  // namespace

// The budget to measure comes from PAIR_BUDGET, the game's own by default.
int main(int argc, char** argv) {
    const char* budget = std::getenv("PAIR_BUDGET");
    g_budget = budget ? std::atoi(budget) : kMaxStudentOverlaps;
    benchmark::RegisterBenchmark("studentPile", studentPile)
        ->Apply(layouts)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    return runBenchmarksInGameWindow(argc, argv);
}
