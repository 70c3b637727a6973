// Placeholder until this part of the game is written.
#include "flight/world.h"
int World::getTile(int, int) const { return 0; }
void World::setTile(int, int, int) {}
void World::markDirty(int, int) {}
void World::updateTileBodies() {}
void World::clearMap() {}
b2PolygonShape World::tileShape(int) { return b2PolygonShape(); }
