// The cost of drawing one flight frame over a 256 x 256 map of varied terrain with objects.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/window.h"
#include "platform/scripted_input.h"
#include "tests/benchmark_main.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

const int kMapSize = 256;

// Rolling hills of rock with breakable seams, backdrop caves and a few floating islands.
void buildTerrain(World* world) {
    for (int x = 1; x < kMapSize; x++) {
        const int ground = 120 + static_cast<int>(12 * std::sin(x * 0.11) + 5 * std::sin(x * 0.37));
        for (int y = 1; y < kMapSize; y++) {
            int kind = Empty;
            if (y <= ground) {
                kind = (y + x / 3) % 9 == 0 ? Breakable : Solid;
                if (y < ground - 4 && (x / 5 + y / 4) % 4 == 0) {
                    kind = (x + y) % 7 == 0 ? Backdrop2 : Backdrop;
                }
            } else if (y > ground + 10 && y < ground + 13 && (x / 8) % 3 == 0) {
                kind = Solid;
            }
            world->setTile(x, y, kind);
        }
    }
}

void placeObjects(World* world) {
    for (int i = 0; i < 40; i++) {
        const float x = 100.0f + i * 1.5f;
        world->students.push_back(new Student(x, 140.0f, world, world->studentSheet));
    }
    for (int i = 0; i < 10; i++) {
        const float x = 110.0f + i * 4.0f;
        world->cannons.push_back(
            new Cannon(x, 137.0f, world, world->cannonSheet, world->gunTexture));
    }
}

void drawFlightFrame(benchmark::State& state) {
    g_mission = 2;  // a 256-tile map with water
    Sandbox sandbox({}, kMapSize);
    World* world = sandbox.world;
    buildTerrain(world);
    placeObjects(world);
    sandbox.launch(128.5f, 136.0f);
    sandbox.tick(30);  // some exhaust, puffs and a settled camera
    for (auto _ : state) {
        beginFrame();
        world->draw();
        glFinish();
    }
}

BENCHMARK(drawFlightFrame)->Unit(benchmark::kMicrosecond)->Repetitions(9)->DisplayAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
