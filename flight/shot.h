#pragma once

#include <box2d/box2d.h>

#include <cstdint>

class World;

// A projectile: the ship's laser (type CollisionCategory::Laser) or a cannon ball
// (type CollisionCategory::CannonBall), on a bullet body.
class Shot {
public:
    Shot(float x, float y, World* world, float vx, float vy, int type);
    void update();
    void draw();

    b2Body* body;
    int32_t life;  // updated steps left; 0 or less ends the shot at its next update
    World* world;
    int32_t type;
    float prevX, prevY;  // the body's centre at the start of the last update: the streak's tail
    // Set by the shot's first strike. The physics step may report one contact several times, and
    // life cannot tell a spent shot from one in its last step, which still strikes.
    bool spent = false;
};
