// Placeholder until this part of the game is written.
#include "flight/cannon.h"
Cannon::Cannon(float, float, World* w, SpriteSheet* s, GLuint g) : shake(0), body(nullptr), sheet(s), gunTexture(g), health(1), phase(0), world(w) {}
void Cannon::update() {}
void Cannon::draw() {}
