// Placeholder until this part of the game is written.
#include "flight/shot.h"
Shot::Shot(float x, float y, World* w, float, float, int t) : body(nullptr), life(0), world(w), type(t), prevX(x), prevY(y) {}
void Shot::update() {}
void Shot::draw() {}
