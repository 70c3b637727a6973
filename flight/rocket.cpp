// Placeholder until this part of the game is written.
#include "flight/rocket.h"
Rocket::Rocket(float, float, World* w, GLuint t) : shake(0), body(nullptr), hull(0), fuel(0), fireRequest(false), fireKeyDown(true), pulse(0), gunCooldown(0), texture(t), world(w) {}
void Rocket::update() {}
void Rocket::impact(float, float) {}
void Rocket::draw() {}
