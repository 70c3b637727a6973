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
    // Ends the shot at its next update.
    void end() { life = 0; }
    // True the first time in this physics step that the shot strikes the body, false when the
    // step reports that contact again. A strike on another body is a contact of its own and
    // applies.
    bool firstStrikeOn(const b2Body* target);
    // Called right before each physics step: the step's repeated reports are what the list
    // guards against, and a contact in a later step strikes again.
    void forgetStrikes() { struck.clear(); }

    b2Body* body;
    int32_t life;  // updated steps left; 0 or less ends the shot at its next update
    World* world;
    int32_t type;
    float prevX, prevY;  // the body's centre at the start of the last update: the streak's tail

    // The bodies struck in the current physics step. A struck shot may outlive that step: one
    // the wake rule skips keeps its life, and the editor updates nothing. A body is neither made
    // nor destroyed inside a step, so no address listed here can pass to a new body meanwhile.
    std::vector<const b2Body*> struck;
};
