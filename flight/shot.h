#pragma once

#include <box2d/box2d.h>

#include <cstdint>
#include <vector>

class World;

// A projectile: the ship's laser (type CollisionCategory::Laser) or a cannon ball
// (type CollisionCategory::CannonBall), on a bullet body.
class Shot {
public:
    Shot(float x, float y, World* world, float vx, float vy, int type);
    void update();
    void draw();
    // True the first time the shot strikes the body, false when the physics step reports that
    // contact again. A strike on another body is a contact of its own and applies.
    bool firstStrikeOn(const b2Body* target);

    b2Body* body;
    int32_t life;  // updated steps left; 0 or less ends the shot at its next update
    World* world;
    int32_t type;
    float prevX, prevY;  // the body's centre at the start of the last update: the streak's tail

    // The bodies struck, kept for the shot's life rather than per step: a struck shot has life 0
    // and its next update, which comes before the next physics step, ends it, so its life after
    // a strike is the rest of that one step, and no step count is needed.
    std::vector<const b2Body*> struck;
};
