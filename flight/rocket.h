#pragma once

#include <GL/gl.h>
#include <box2d/box2d.h>

#include <cstdint>

class World;

// The player's ship: one body with a seven-sided hull that the game flies with its own forces.
class Rocket {
public:
    Rocket(float x, float y, World* world, GLuint texture);

    // One step: gravity, lift and drag of air or water, and while fuel lasts the gun, thrust with
    // its exhaust, and turning.
    void update();
    // Damage from terrain or a cannon: speed is the whole-number approach speed (m/s),
    // contactHeight the contact point along the ship's up axis from the body origin (m).
    void impact(float speed, float contactHeight);
    void draw();

    int32_t shake;  // steps of shaking (and white flash) left
    b2Body* body;
    float hull;
    float fuel;
    bool fireRequest;  // a 'Z' press waiting for the gun
    bool fireKeyDown;  // 'Z' latch: set until an accepted press is released
    float pulse;       // extra drawing scale after a student boards
    float gunCooldown;
    GLuint texture;
    World* world;
};
