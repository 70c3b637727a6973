// Placeholder until this part of the game is written.
#include "flight/particle.h"
Particle::Particle(float, float, World* w, float, float) : body(nullptr), world(w), life(85), prevX(0), prevY(0) {}
void Particle::update() {}
void Particle::draw() {}
