// Placeholder until this part of the game is written.
#include "flight/student.h"
Student::Student(float, float, World* w, SpriteSheet* s) : body(nullptr), sheet(s), life(1), walking(false), facingLeft(false), phase(0), world(w) {}
void Student::update() {}
void Student::draw() {}
