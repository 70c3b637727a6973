#pragma once

#include <box2d/box2d.h>

class World;
class SpriteSheet;

// A stranded student: waits on the ground, walks to a ship landed close by and boards it.
class Student {
public:
    Student(float x, float y, World* world, SpriteSheet* sheet);
    void update();
    void draw();

    b2Body* body;
    SpriteSheet* sheet;
    float life;  // set to -1 by a hit; below 0 the student dies
    bool walking;
    bool facingLeft;
    float phase;  // animation, (0, 4]
    World* world;

private:
    bool seesLandedShip(float dx) const;
    void walk(float step);  // metres along x, only over flat Solid ground
    void board();
    void die();
};
