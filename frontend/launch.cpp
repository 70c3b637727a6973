#include "frontend/launch.h"

#include <box2d/box2d.h>

#include <cstdio>

#include "campaign/campaign_state.h"
#include "flight/rocket.h"
#include "flight/world.h"

namespace {
const float kMassPerLevel = 0.5f;          // kg per upgrade level
const float kFuelPerLevel = 0.75f;         // tank units per fuel level
const b2Vec2 kCentreOfMass(0.0f, -0.15f);  // metres, in the ship's frame
}  // namespace

World* loadMission(int mission, b2ContactListener* listener) {
    char mapFile[32];
    char objectsFile[32];
    std::snprintf(mapFile, sizeof mapFile, "data/world%02d", mission);
    std::snprintf(objectsFile, sizeof objectsFile, "data/objects%02d", mission);
    World* world = new World(g_worldSize[mission]);
    world->loadMap(mapFile);
    world->loadObjects(objectsFile);
    world->physics->SetContactListener(listener);
    return world;
}

void launchShip(World* world) {
    Rocket* ship = world->rocket;
    int levels = g_fuelLevel + g_hullLevel + g_turnLevel + g_thrustLevel + g_weaponLevel;

    // 1. The heavier the upgrades, the heavier the ship; its inertia about the origin equals its
    //    mass in number.
    b2MassData mass;
    mass.mass = kMassPerLevel * levels;
    mass.center = kCentreOfMass;
    mass.I = mass.mass;
    ship->body->SetMassData(&mass);

    // 2. A full tank and a whole hull.
    ship->fuel = g_fuelLevel * kFuelPerLevel;
    ship->hull = static_cast<float>(g_hullLevel);

    // 3. The start place: centre column, the mission's start height, upright.
    b2Vec2 start(static_cast<float>(world->width / 2),
                 static_cast<float>(g_spawnHeight[g_mission]));
    ship->body->SetTransform(start, 0.0f);
}
