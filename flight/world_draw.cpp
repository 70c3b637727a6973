// Placeholder until this part of the game is written.
#include "flight/world.h"
void World::draw() {}
void World::drawTile(int, int, int, int, int, int, int, SpriteSheet*, int) {}
