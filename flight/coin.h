#pragma once

#include <box2d/box2d.h>

class World;
class SpriteSheet;

// A spinning coin scattered by a destroyed cannon; drawn to the ship within 2 m.
class Coin {
public:
    Coin(float x, float y, World* world, SpriteSheet* sheet);
    void update();
    void draw();

    b2Body* body;
    SpriteSheet* sheet;
    bool collected;
    World* world;
    float phase;  // spin, 0 to below 4: the frame drawn is its whole part
    bool mirror;
};
