#pragma once

#include <box2d/box2d.h>

class World;
class SpriteSheet;

// The outline a student's body is built from, which the placing rules measure too. The body never
// turns, so its kite stays upright.
const int kStudentKiteCorners = 4;
const float kStudentKite[kStudentKiteCorners][2] = {  // metres, counter-clockwise
    {-0.2f, 0.0f},
    {0.0f, -0.375f},
    {0.2f, 0.0f},
    {0.0f, 0.15f}};

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
