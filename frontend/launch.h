#pragma once

class World;
class b2ContactListener;

// Builds mission m's World as the game does when the player chooses it: a square map of the
// mission's size, its map and objects files ("data/worldMM", "data/objectsMM") and the contact
// listener attached.
World* loadMission(int mission, b2ContactListener* listener);

// Readies the World's ship for take-off from the upgrade levels and the current mission: its
// flying mass, fuel, hull and start place (the map's centre column, the mission's start height).
void launchShip(World* world);
