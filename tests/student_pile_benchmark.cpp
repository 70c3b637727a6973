// What piles of students cost the flight, for the limit on how many may share a spot. Mission 1
// as shipped, its own objects replaced by a file's worth of students beside the ship on its pad:
// one pile as high as the limit allows, piles that high up to the level's cap, and the densest
// patch the limit lets a file hold. Each run flies 300 steps from the launch and reports, in
// milliseconds, the first step, the worst of the first 30 and their sum, and the mean of the
// steps after them, with the overlapping pairs the physics must push apart. Run it under
// xvfb-run; the second argument is the limit, and one pile of a thousand shows what the limit
// spares.
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/contact_listener.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "tests/benchmark_main.h"

namespace {

const int kMission = 1;
const float kShipX = 64.0f;       // metres: the start column, over mission 1's pad
const float kOnThePad = 76.5f;    // metres: the editor's half-metre point just above the pad
const int kSteps = 300;           // five seconds of flight
const int kEarlySteps = 30;       // the steps in which piles are pushed apart
const float kPileSpacing = 1.0f;  // metres between piles: their kites never meet
const float kPilesWidth = 24.0f;  // metres across the ship's wake range that piles may use
const float kFillGrid = 0.02f;    // metres between the points a dense fill tries
// The densest fill's width: narrower patches stack higher, wider ones spread; 3 m cost the most
// of the widths from 0.5 to 24 m that were tried.
const float kFillWidth = 3.0f;  // metres

enum Layout { OnePile, PilesToTheCap, Densest };

// `height` students on each of the spots, in spot order.
std::vector<PlacedObject> piles(int height, int spots) {
    std::vector<PlacedObject> students;
    const int perRow = static_cast<int>(kPilesWidth / kPileSpacing);
    for (int spot = 0; spot < spots; spot++) {
        const float x = kShipX - kPilesWidth / 2 + (spot % perRow) * kPileSpacing;
        const float y = kOnThePad + (spot / perRow) * kPileSpacing;
        for (int i = 0; i < height && students.size() < kMaxLevelObjects; i++) {
            students.push_back({CollisionCategory::Student, x, y});
        }
    }
    return students;
}

// A file's worth of students packed as tightly as `limit` allows: every point of a fine grid
// over a patch of the pad, row by row from the bottom, takes a student while it sinks into
// fewer than `limit` of those before it. Each then overlaps about limit - 1 earlier ones, the
// most pairs the rule lets 1000 students make.
std::vector<PlacedObject> densest(int limit) {
    std::vector<PlacedObject> students;
    for (float y = kOnThePad; students.size() < kMaxLevelObjects; y += kFillGrid) {
        for (float x = kShipX - kFillWidth / 2; x < kShipX + kFillWidth / 2; x += kFillGrid) {
            if (students.size() < kMaxLevelObjects &&
                studentsUnder(x, y, students, limit) < limit) {
                students.push_back({CollisionCategory::Student, x, y});
            }
        }
    }
    return students;
}

std::vector<PlacedObject> layout(Layout kind, int limit) {
    switch (kind) {
        case OnePile:
            return piles(limit, 1);
        case PilesToTheCap:
            return piles(limit, (kMaxLevelObjects + limit - 1) / limit);
        case Densest:
            return densest(limit);
    }
    return {};
}

// Pairs of students whose kites reach into each other.
int overlappingPairs(std::vector<PlacedObject> students) {
    int pairs = 0;
    while (!students.empty()) {
        const PlacedObject last = students.back();
        students.pop_back();
        pairs += studentsUnder(last.x, last.y, students, kMaxLevelObjects);
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

StepTimes fly(const std::vector<PlacedObject>& students) {
    resetCampaign();
    g_mission = kMission;
    myContactListener listener;
    std::unique_ptr<World> world(loadMission(kMission, &listener));
    world->loadObjects("");  // none of the mission's own
    for (const PlacedObject& s : students) {
        world->students.push_back(new Student(s.x, s.y, world.get(), world->studentSheet));
    }
    launchShip(world.get());
    StepTimes times;
    for (int step = 0; step < kSteps; step++) {
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
            times.settled += took.count() / (kSteps - kEarlySteps);
        }
    }
    return times;
}

void studentPile(benchmark::State& state) {
    const std::vector<PlacedObject> students =
        layout(static_cast<Layout>(state.range(0)), static_cast<int>(state.range(1)));
    StepTimes times;
    for (auto _ : state) {
        times = fly(students);
        const double total = times.early + times.settled * (kSteps - kEarlySteps);  // ms
        state.SetIterationTime(total / 1000);
    }
    state.counters["students"] = static_cast<double>(students.size());
    state.counters["pairs"] = overlappingPairs(students);
    state.counters["first_ms"] = times.first;
    state.counters["worst30_ms"] = times.worstEarly;
    state.counters["first30_ms"] = times.early;
    state.counters["settled_ms"] = times.settled;
}

}  // namespace

BENCHMARK(studentPile)
    ->ArgsProduct({{OnePile, PilesToTheCap, Densest}, {5, 10, 16, 20, 25}})
    ->Args({OnePile, kMaxLevelObjects})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
