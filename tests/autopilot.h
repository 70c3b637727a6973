#pragma once

class World;

// Placeholder: the autopilot that flies the game through the input seam is being written.
struct Autopilot {
    explicit Autopilot(World* world) : world(world) {}
    void step() {}
    World* world;
};
