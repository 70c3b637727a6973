// Placeholder until this part of the game is written.
#include "flight/world.h"
void World::edit() {}
