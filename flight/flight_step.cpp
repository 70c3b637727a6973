#include <GLFW/glfw3.h>

#include <cstdlib>

#include "campaign/sounds.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/explosion.h"
#include "flight/particle.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/wake_rule.h"
#include "flight/world.h"
#include "platform/input.h"

namespace {

const float kTimeStep = 1.0f / 60.0f;  // s
const int kVelocityIterations = 10;
const int kPositionIterations = 10;
const int kRetryAfterSteps = 120;  // steps lost or dry before 'Z' may retry
const int kOrbitBelowTop = 16;     // metres under the map's top that count as orbit
const float kPixelsPerMetre = 32.0f;

// The ship's explosion: puffs flung out from its centre.
const int kShipPuffs = 10;
const double kShipPuffRadius = 0.5;  // m
const double kShipPuffRate = 0.02;   // age per step
const int kShipPuffFrames = 11;

// (100 - r % 200) * 2.5 / 100: from -2.475 to 2.5 m/s in steps of 0.025.
float puffSpeed(int r) {
    return static_cast<float>((100 - r % 200) * 2.5 / 100);
}

void explodeShip(World* world) {
    b2Vec2 centre = world->rocket->body->GetWorldCenter();
    for (int i = 0; i < kShipPuffs; i++) {
        int r1 = std::rand();
        int r2 = std::rand();
        world->explosions.push_back(new Explosion(world, world->explosionSheet, centre.x, centre.y,
                                                  kShipPuffRadius, kShipPuffRate, kShipPuffFrames,
                                                  puffSpeed(r2), puffSpeed(r1)));
    }
    world->physics->DestroyBody(world->rocket->body);
    playSound(g_soundExplosion2);
    // Nothing refers to the ship once its body is gone.
    delete world->rocket;
    world->rocket = nullptr;
}

}  // namespace

int World::update() {
    // 1. Retry, before anything moves.
    if (isKeyDown(GLFW_KEY_Z) && deadFrames > kRetryAfterSteps) {
        return -1;
    }

    // 2. Terrain around the camera of the last step.
    updateTileBodies();

    // 3. The ship.
    if (rocket == nullptr) {
        deadFrames += 1;
    } else {
        rocket->update();
        // Orbit, from the position the last physics step left.
        if (rocket->body->GetPosition().y > height - kOrbitBelowTop) {
            return 1;
        }
        if (rocket->fuel <= 0) {
            deadFrames += 1;
        }
        b2Vec2 centre = rocket->body->GetWorldCenter();
        lastShipX = centre.x;
        lastShipY = centre.y;
        if (rocket->hull < 0) {
            explodeShip(this);
        }
    }

    // 4. Objects near the ship, puffs first.
    b2Vec2 shipCentre(lastShipX, lastShipY);
    updateNearObjects(explosions, shipCentre);
    updateNearObjects(particles, shipCentre);
    updateNearObjects(shots, shipCentre);
    updateNearObjects(coins, shipCentre);
    updateNearObjects(students, shipCentre);

    // 5. Physics; the contact listener marks what touched. A shot strikes a body once per step
    //    however often the step reports that contact, and again in a later step that reports it.
    for (Shot* shot : shots) {
        shot->forgetStrikes();
    }
    physics->Step(kTimeStep, kVelocityIterations, kPositionIterations);

    // 6. Cannons act on this step's hits.
    updateNearObjects(cannons, shipCentre);

    // 7. The camera follows the ship; without one it stays.
    prevCameraX = cameraX;
    prevCameraY = cameraY;
    if (rocket) {
        b2Vec2 centre = rocket->body->GetWorldCenter();
        cameraX = static_cast<int32_t>(centre.x * kPixelsPerMetre);
        cameraY = static_cast<int32_t>(centre.y * kPixelsPerMetre);
    }

    // 8. Tab enters the editor once per press.
    if (isKeyDown(GLFW_KEY_TAB)) {
        if (!keyLatch) {
            editorMode = true;
        }
        keyLatch = true;
    } else {
        keyLatch = false;
    }

    // 9. The flight goes on.
    return 0;
}
