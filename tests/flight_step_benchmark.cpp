#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <box2d/box2d.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "campaign/campaign_state.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "frontend/window.h"
#include "platform/scripted_input.h"
#include "tests/benchmark_main.h"

namespace {

const int kMapSize = 256;
const int kBenchMission = 2;        // a 256-tile mission
const float kShipSpeed = 8.0f;      // m/s along the flight path
const float kShipClearance = 7.0f;  // m above the ground
const float kStep = 1.0f / 60.0f;

// Rolling hills with overhangs, breakable seams, backdrop caves and floating islands.
float groundHeight(float x) {
    return 60 + 18 * std::sin(x / 23.0f) + 7 * std::sin(x / 7.0f) + 3 * std::sin(x / 2.3f);
}

void buildTerrain(World* world) {
    for (int x = 1; x < kMapSize; x++) {
        int ground = static_cast<int>(groundHeight(static_cast<float>(x)));
        for (int y = 1; y < kMapSize; y++) {
            int kind = Empty;
            if (y < ground) {
                kind = (x * 7 + y * 3) % 11 == 0 ? Breakable : Solid;
                if ((x / 9 + y / 5) % 4 == 0 && y < ground - 3) {
                    kind = Backdrop;  // caves
                }
            } else if (y > ground + 14 && y < ground + 17 && (x / 12) % 3 == 0) {
                kind = (x + y) % 5 == 0 ? Breakable : Solid;  // islands above the path
            } else if (y < ground + 3 && x % 17 < 3) {
                kind = Backdrop2;
            }
            world->setTile(x, y, kind);
        }
    }
}

// A mission world with the ship flying along the hills, thrusting and firing.
struct Flight {
    Flight() {
        g_mission = kBenchMission;
        world = std::make_unique<World>(kMapSize);
        world->clearMap();
        buildTerrain(world.get());
        world->physics->SetContactListener(&listener);
        launchShip(world.get());
        x = 20;
        place();
        scriptedInput().hold(GLFW_KEY_UP);
    }
    ~Flight() { scriptedInput().releaseAll(); }

    // Keeps the ship on its path and its tank full, so every step does the same work.
    void place() {
        x += kShipSpeed * kStep;
        if (x > kMapSize - 20) {
            x = 20;
        }
        Rocket* ship = world->rocket;
        ship->body->SetTransform(b2Vec2(x, groundHeight(x) + kShipClearance), 0);
        ship->body->SetLinearVelocity(b2Vec2(kShipSpeed, 0));
        ship->body->SetAngularVelocity(0);
        ship->fuel = 1;
        ship->hull = 1;
        if (++steps % 15 == 0) {
            scriptedInput().hold(GLFW_KEY_Z);
        } else {
            scriptedInput().release(GLFW_KEY_Z);
        }
    }

    myContactListener listener;
    std::unique_ptr<World> world;
    float x;
    int steps = 0;
};

void worldUpdate(benchmark::State& state) {
    std::srand(1);
    Flight flight;
    for (int i = 0; i < 600; i++) {  // a steady state of exhaust and lasers
        flight.place();
        flight.world->update();
    }
    for (auto _ : state) {
        flight.place();
        benchmark::DoNotOptimize(flight.world->update());
    }
}

// The terrain window's share of a step: the same flight, the window moved and rebuilt ahead of
// each step and timed on its own (the step's own call then finds nothing left to do but look).
void updateTileBodies(benchmark::State& state) {
    std::srand(1);
    Flight flight;
    World* world = flight.world.get();
    for (int i = 0; i < 600; i++) {
        flight.place();
        world->update();
    }
    for (auto _ : state) {
        flight.place();
        auto start = std::chrono::steady_clock::now();
        world->updateTileBodies();
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        world->update();
    }
}

}  // namespace

BENCHMARK(worldUpdate)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(updateTileBodies)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
