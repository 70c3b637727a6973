// Placeholder until this part of the game is written.
#include "flight/world.h"
void World::loadMap(const char*) {}
void World::loadObjects(const char*) {}
void World::saveMap(const char*) {}
void World::saveObjects(const char*) {}
