// The flight step and the frame on mission 3 as shipped: the largest cast (52 cannons, 15
// students) over water.
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

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
#include "tests/test_support.h"

namespace {

const int kMission = 3;
const float kStep = 1.0f / 60;
const float kShipSpeed = 6.0f;      // m/s across the map
const float kShipClearance = 4.0f;  // metres above the highest rock of its column
const int kWarmUpSteps = 600;       // a steady state of exhaust, lasers, cannon balls and puffs

// The ship crossing mission 3 from west to east just above the islands and floating rocks, so
// the cannons along its way wake, turn and fire.
struct Mission3Flight {
    Mission3Flight() {
        resetCampaign();
        g_mission = kMission;
        world.reset(loadMission(kMission, &listener));
        launchShip(world.get());
        scriptedInput().hold(GLFW_KEY_UP);
    }
    ~Mission3Flight() { scriptedInput().releaseAll(); }

    float skyline(int column) const {
        for (int y = world->height - 1; y > 0; y--) {
            if (isSolidTile(world->getTile(column, y))) {
                return y + 1.0f;
            }
        }
        return g_waterLevel[kMission];
    }

    // Keeps the ship on its path with a full tank and hull, so every step does the same work.
    void place() {
        x += kShipSpeed * kStep;
        if (x > world->width - 10) {
            x = 10;
        }
        Rocket* ship = world->rocket;
        ship->body->SetTransform(b2Vec2(x, skyline(static_cast<int>(x)) + kShipClearance), 0);
        ship->body->SetLinearVelocity(b2Vec2(kShipSpeed, 0));
        ship->body->SetAngularVelocity(0);
        ship->fuel = g_fuelLevel * 0.75f;
        ship->hull = static_cast<float>(g_hullLevel);
        if (++steps % 15 == 0) {
            scriptedInput().hold(GLFW_KEY_Z);
        } else {
            scriptedInput().release(GLFW_KEY_Z);
        }
    }

    void warmUp() {
        for (int i = 0; i < kWarmUpSteps; i++) {
            place();
            world->update();
        }
    }

    myContactListener listener;
    std::unique_ptr<World> world;
    float x = 10;
    int steps = 0;
};

void mission3Update(benchmark::State& state) {
    std::srand(1);
    Mission3Flight flight;
    flight.warmUp();
    for (auto _ : state) {
        flight.place();
        benchmark::DoNotOptimize(flight.world->update());
    }
}

void mission3Draw(benchmark::State& state) {
    std::srand(1);
    Mission3Flight flight;
    flight.warmUp();
    for (auto _ : state) {
        state.PauseTiming();
        flight.place();
        flight.world->update();
        state.ResumeTiming();
        beginFrame();
        flight.world->draw();
        glFinish();
    }
}

}  // namespace

BENCHMARK(mission3Update)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly();
BENCHMARK(mission3Draw)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();

int main(int argc, char** argv) {
    return runBenchmarksInGameWindow(argc, argv);
}
