// Placeholder until this part of the game is written.
#include "flight/world.h"
int World::update() { return 0; }
