#pragma once

#include <box2d/box2d.h>

class World;

// Every game effect of a collision happens here, inside the physics step: it only marks
// (hull, health, life, collected, tile kinds) and plays sounds; the objects act on the marks in
// their own updates, so no body is made or destroyed while the physics world is locked.
class myContactListener : public b2ContactListener {
public:
    void BeginContact(b2Contact*) override {}
    void EndContact(b2Contact*) override {}
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;
    void PostSolve(b2Contact*, const b2ContactImpulse*) override {}
};

// A laser striking terrain at (x, y) breaks the first Breakable tile among the one holding the
// point and those right of, left of, above and below it; Solid never breaks. True when a tile
// broke. Plays the matching sound.
bool breakTileNear(World* world, float x, float y);
