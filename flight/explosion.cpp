// Placeholder until this part of the game is written.
#include "flight/explosion.h"
Explosion::Explosion(World* w, SpriteSheet* s, double, double, double, double r, int f, float, float) : body(nullptr), row(0), mirror(false), world(w), rate(r), age(0), frames(f), sheet(s) {}
void Explosion::update() {}
void Explosion::draw() {}
