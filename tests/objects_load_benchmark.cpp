// What loading an objects file of 100 MB costs, whatever it holds: records of an unknown kind,
// students on one spot, 983 (or 900) students a metre apart then a pile (the 983 fill the level
// with the pile's first 17 and the rest lie past the cap, the 900 leave it short of it), a crowd
// of students on distinct points then the rest scattered over the same crowd, each reaching into
// all of it, and a crowd spending the pair budget around a hole then records refused in it, each
// refusal looking at every spot of the crowd: the costliest content known (about 2.6 s on an idle
// 8-core machine, against 30 ms for the others). Run it under xvfb-run.
#include <benchmark/benchmark.h>

#include <box2d/box2d.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/world.h"
#include "platform/object_record.h"
#include "tests/benchmark_main.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

const size_t kFileSize = 100 * 1000 * 1000;  // bytes
const float kCrowdSide = 0.2f;               // metres: every student in it overlaps every other
const int kCrowdSteps = 1000;                // distinct points along each side of the crowd

enum Content { UnknownKind, OneSpot, SpreadThenPile, ScatteredOverACrowd, RefusedBesideACrowd };

// A crowd that spends the pair budget over the four placing cells around a point, leaving a hole
// where a kite at that point reaches, then a pile on the point just high enough to turn away any
// student that sinks into it: each record after them lies a hair off the point, sinks into the
// pile alone, and is refused only once the loader has looked at every spot of the crowd.
const float kHoleX = 20.0f, kHoleY = 20.0f;  // metres, a corner of four placing cells
const float kCrowdReach = 1.25f;             // metres around the hole the crowd covers
const float kOffHole = 0.005f;               // metres the records stray from the point

// Whether a student at (x, y) would reach into one on the point or at the edge of the records.
bool inHole(float x, float y) {
    for (float dx : {-kOffHole, 0.0f, kOffHole}) {
        for (float dy : {-kOffHole, 0.0f, kOffHole}) {
            if (studentsOverlap(b2Vec2(x, y), b2Vec2(kHoleX + dx, kHoleY + dy))) {
                return true;
            }
        }
    }
    return false;
}

std::vector<ObjectRecord> crowdAroundAHole() {
    std::vector<ObjectRecord> kept;
    PlacedObjects placed;
    uint32_t seed = 12345;
    const auto uniform = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / static_cast<float>(1 << 24);
    };
    for (int tries = 0; tries < 200000; tries++) {
        const float x = kHoleX + kCrowdReach * (2 * uniform() - 1);
        const float y = kHoleY + kCrowdReach * (2 * uniform() - 1);
        if (!inHole(x, y) && placed.place(CollisionCategory::Student, x, y) == Placement::Fits) {
            kept.push_back({CollisionCategory::Student, x, y});
        }
    }
    // The pile: c students on the point spend c (c - 1) / 2 pairs and turn away one sinking into
    // them while fewer than c pairs are left, so the tallest c whose pairs still fit.
    int room = kMaxStudentOverlaps;
    for (size_t i = 0; i < kept.size(); i++) {
        for (size_t j = 0; j < i; j++) {
            room -= studentsOverlap(b2Vec2(kept[i].x, kept[i].y), b2Vec2(kept[j].x, kept[j].y));
        }
    }
    int pile = 1;
    while ((pile + 1) * pile / 2 <= room) {
        pile++;
    }
    kept.insert(kept.end(), pile, {CollisionCategory::Student, kHoleX, kHoleY});
    return kept;
}

std::string writeFile(Content content, size_t spread) {
    static const std::string dir = makeScratchDir();
    const size_t records = kFileSize / kObjectRecordSize;
    std::vector<uint8_t> bytes;
    bytes.reserve(records * kObjectRecordSize);
    const std::vector<ObjectRecord> crowd =
        content == RefusedBesideACrowd ? crowdAroundAHole() : std::vector<ObjectRecord>();
    for (const ObjectRecord& record : crowd) {
        appendObjectRecord(bytes, record);
    }
    for (size_t i = crowd.size(); i < records; i++) {
        float x = 20, y = 20;
        int32_t kind = CollisionCategory::Student;
        if (content == UnknownKind) {
            kind = 7;
        } else if (content == SpreadThenPile && i < spread) {
            x = 2.0f + i % 50;
            y = 2.0f + i / 50;
        } else if (content == ScatteredOverACrowd) {
            const size_t point = (i * 7919) % (kCrowdSteps * kCrowdSteps);  // never twice in a row
            x += kCrowdSide * (point % kCrowdSteps) / kCrowdSteps;
            y += kCrowdSide * (point / kCrowdSteps) / kCrowdSteps;
        } else if (content == RefusedBesideACrowd) {
            x = kHoleX + kOffHole * static_cast<float>(i % 21) / 10 - kOffHole;
            y = kHoleY + kOffHole * static_cast<float>(i / 21 % 21) / 10 - kOffHole;
        }
        appendObjectRecord(bytes, {kind, x, y});
    }
    const std::string path = dir + "/objects" + std::to_string(content);
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

void loadObjects(benchmark::State& state) {
    const std::string path =
        writeFile(static_cast<Content>(state.range(0)), static_cast<size_t>(state.range(1)));
    g_mission = 1;
    World world(128);
    world.clearMap();
    std::streambuf* out = std::cout.rdbuf();
    std::ostringstream said;
    std::cout.rdbuf(said.rdbuf());  // the skipped line, once per load
    for (auto _ : state) {
        world.loadObjects(path.c_str());
    }
    std::cout.rdbuf(out);
    state.counters["students"] = static_cast<double>(world.students.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(loadObjects)
    ->Args({UnknownKind, 0})
    ->Args({OneSpot, 0})
    ->Args({SpreadThenPile, 983})
    ->Args({SpreadThenPile, 900})
    ->Args({ScatteredOverACrowd, 0})
    ->Args({RefusedBesideACrowd, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
