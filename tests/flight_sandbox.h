#pragma once

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "flight/contact_listener.h"
#include "platform/object_record.h"
#include "tests/test_support.h"

class World;

// A test of the flight's rules: a fresh campaign flying mission 0, no key held, and rand()
// seeded so that every run draws the same numbers.
class FlightTest : public CampaignTest {
protected:
    explicit FlightTest(unsigned seed = 1) : seed_(seed) {}
    void SetUp() override;
    void TearDown() override;

private:
    unsigned seed_;
};

// A small World for rule tests, built from a picture of tiles.
struct Sandbox {
    // A size x size World for the current g_mission (set g_mission = 0 if it is -1), empty map,
    // the picture's tiles set with setTile, contact listener attached. picture.back() is tile row
    // y = 1, picture.front() the top row; character i of a string is column x = 1 + i.
    // '.' Empty, '-' Backdrop, '=' Backdrop2, '%' Breakable, '#' Solid.
    Sandbox(const std::vector<std::string>& picture, int size = 64);
    ~Sandbox();  // deletes the World

    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // launchShip() then moves the ship to (x, y) upright at rest, centres the camera (and
    // previous camera) on it and builds the terrain bodies around it.
    void launch(float x, float y);
    // Runs World::update up to `steps` times; returns the first non-zero result (stopping
    // there), else 0.
    int tick(int steps);

    World* world;
    myContactListener listener;
};

// An empty size x size sandbox flying `mission`, drawn whole as the game draws a frame.
struct MissionScene {
    MissionScene(int mission, int size);
    void draw();  // a fresh frame, then the World

    Sandbox sandbox;
};

// Whether any terrain fixture of the World holds the point (metres).
bool terrainAt(World* world, float x, float y);

// Where the objects of a list stand, in list order.
template <class T>
std::vector<b2Vec2> positionsOf(const std::list<T*>& objects) {
    std::vector<b2Vec2> positions;
    for (const T* object : objects) {
        positions.push_back(object->body->GetPosition());
    }
    return positions;
}

// The objects file holding the records, in order.
std::vector<uint8_t> objectsFile(const std::vector<ObjectRecord>& records);

// Whether students standing at a and b sink into each other deeper than the physics' skin,
// worked out plainly from their kites, one pair at a time.
bool studentsOverlap(b2Vec2 a, b2Vec2 b);

// A test that reads and writes level files in a scratch folder of its own, flying mission 0.
class LevelFileTest : public testing::Test {
protected:
    void SetUp() override;
    std::string path(const char* name) const { return dir + "/" + name; }
    // Writes the objects file `name` and loads it into the World; returns what the loader printed.
    std::string writeAndLoad(World& world, const char* name, const std::vector<uint8_t>& file);
    std::string dir;
};
