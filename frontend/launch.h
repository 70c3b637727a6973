#pragma once

class World;

// Readies the World's ship for take-off from the upgrade levels and the current mission: its
// flying mass, fuel, hull and start place (the map's centre column, the mission's start height).
void launchShip(World* world);
