// What loading an objects file of 100 MB costs, whatever it holds: records of an unknown kind,
// students on one spot, 983 (or 900) students a metre apart then a pile (the 983 fill the level
// with the pile's first 17 and the rest lie past the cap, the 900 leave it short of it), and
// a crowd of students on distinct points then the rest scattered over the same crowd, each
// reaching into all of it: the costliest content known, each refusal counting the budget's worth
// of neighbours. Run it under xvfb-run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/world.h"
#include "platform/object_record.h"
#include "tests/benchmark_main.h"
#include "tests/test_support.h"

namespace {

const size_t kFileSize = 100 * 1000 * 1000;  // bytes
const float kCrowdSide = 0.2f;               // metres: every student in it overlaps every other
const int kCrowdSteps = 1000;                // distinct points along each side of the crowd

enum Content { UnknownKind, OneSpot, SpreadThenPile, ScatteredOverACrowd };

std::string writeFile(Content content, size_t spread) {
    static const std::string dir = makeScratchDir();
    const size_t records = kFileSize / kObjectRecordSize;
    std::vector<uint8_t> bytes;
    bytes.reserve(records * kObjectRecordSize);
    for (size_t i = 0; i < records; i++) {
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
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
