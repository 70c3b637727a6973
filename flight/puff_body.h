#pragma once

#include <box2d/box2d.h>

class World;

// The round body of an explosion puff or an exhaust particle: it meets the terrain only, so it
// has no game effect, and no force acts on it.
b2Body* makePuffBody(World* world, float x, float y, float radius, float friction,
                     float restitution);
