#pragma once

#include <GL/gl.h>
#include <box2d/box2d.h>

#include <cstdint>

class World;
class SpriteSheet;

// A gun emplacement: a base pinned in place that turns toward the ship and fires a cannon ball
// every 201 updates; the laser wears its health down until it bursts into puffs and coins.
class Cannon {
public:
    Cannon(float x, float y, World* world, SpriteSheet* sheet, GLuint gunTexture);
    void update();
    void draw();

    int32_t shake;
    b2Body* body;
    SpriteSheet* sheet;
    GLuint gunTexture;
    float health;
    float phase;  // fire timer and barrel recoil
    World* world;

private:
    void turnTowardShip();
    void fire();   // a cannon ball from the muzzle, unless it lies in Solid rock
    void burst();  // puffs and coins; the body goes
};
