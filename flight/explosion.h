#pragma once

#include <box2d/box2d.h>

#include <cstdint>

class World;
class SpriteSheet;

// One animated puff with a small body that bounces off the terrain.
class Explosion {
public:
    Explosion(World* world, SpriteSheet* sheet, double x, double y, double radius, double rate,
              int frames, float vx, float vy);
    void update();
    void draw();

    b2Body* body;
    int32_t row;  // sprite row drawn
    bool mirror;
    World* world;
    double rate;  // age added per step
    double age;   // the puff ends when it passes 1.0
    int32_t frames;
    SpriteSheet* sheet;
};
