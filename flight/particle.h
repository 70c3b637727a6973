#pragma once

#include <box2d/box2d.h>

#include <cstdint>

class World;

// One blob of the ship's exhaust, drawn as a grey streak.
class Particle {
public:
    Particle(float x, float y, World* world, float vx, float vy);
    void update();
    void draw();

    b2Body* body;
    World* world;
    int32_t life;        // 85 at birth; ends when no longer above 48.6
    float prevX, prevY;  // centre of mass at the last update: the streak's tail
};
