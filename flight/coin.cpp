// Placeholder until this part of the game is written.
#include "flight/coin.h"
Coin::Coin(float, float, World* w, SpriteSheet* s) : body(nullptr), sheet(s), collected(false), world(w), phase(0), mirror(false) {}
void Coin::update() {}
void Coin::draw() {}
