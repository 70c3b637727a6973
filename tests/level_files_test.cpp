#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void appendUint32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; i++) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

struct Record {
    int32_t kind;
    float x, y;
};

std::vector<uint8_t> objectsFile(const std::vector<Record>& records) {
    std::vector<uint8_t> bytes;
    for (const Record& r : records) {
        uint32_t x, y;
        std::memcpy(&x, &r.x, 4);
        std::memcpy(&y, &r.y, 4);
        appendUint32(bytes, static_cast<uint32_t>(r.kind));
        appendUint32(bytes, x);
        appendUint32(bytes, y);
    }
    return bytes;
}

int dynamicBodyCount(const World& world) {
    int count = 0;
    for (const b2Body* body = world.physics->GetBodyList(); body; body = body->GetNext()) {
        count += body->GetType() == b2_dynamicBody;
    }
    return count;
}

// A TGA header as a paint program writes it, with a size of its own.
std::vector<uint8_t> tgaHeader(int width, int height) {
    std::vector<uint8_t> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    header.push_back(width & 255);
    header.push_back(width >> 8);
    header.push_back(height & 255);
    header.push_back(height >> 8);
    header.push_back(24);
    header.push_back(0);
    return header;
}

class LevelFiles : public testing::Test {
protected:
    void SetUp() override {
        g_mission = 0;
        dir = makeScratchDir();
    }
    std::string path(const char* name) const { return dir + "/" + name; }
    std::string dir;
};

}  // namespace

TEST_F(LevelFiles, MapRoundTripKeepsEveryKind) {
    World saved(20);
    saved.clearMap();
    for (int i = 0; i < 20 * 20; i++) {
        saved.tiles[i] = i % 256;
    }
    saved.saveMap(path("map").c_str());

    World loaded(20);
    loaded.loadMap(path("map").c_str());
    for (int i = 0; i < 20 * 20; i++) {
        ASSERT_EQ(loaded.tiles[i], i % 256) << i;
    }
    EXPECT_NE(loaded.minimap, nullptr);
}

TEST_F(LevelFiles, MapFileBytes) {
    World world(266);
    world.clearMap();
    for (int kind = 0; kind <= 4; kind++) {
        world.tiles[kind] = kind;
    }
    world.tiles[5] = 10;
    world.saveMap(path("map").c_str());

    std::vector<uint8_t> bytes = readBytes(path("map"));
    ASSERT_EQ(bytes.size(), 18u + 3u * 266 * 266);
    // The width 266 goes to the file as its low byte 10 and high byte 1.
    std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 18);
    EXPECT_EQ(header, tgaHeader(266, 266));
    const uint8_t expected[6][3] = {{0, 0, 0},    {30, 60, 1},   {60, 120, 2},
                                    {90, 180, 3}, {120, 240, 4}, {45, 90, 10}};
    for (int i = 0; i < 6; i++) {
        for (int c = 0; c < 3; c++) {
            EXPECT_EQ(bytes[18 + 3 * i + c], expected[i][c]) << "pixel " << i << " byte " << c;
        }
    }
}

TEST_F(LevelFiles, MapFromAPaintProgramIsReadAsAStreamOfTheWorldsSize) {
    // An 8 x 2 image read into a 4 x 4 World: pixel i is tile (i % 4, i / 4) all the same.
    std::vector<uint8_t> bytes = tgaHeader(8, 2);
    for (int i = 0; i < 16; i++) {
        bytes.insert(bytes.end(), {200, 100, static_cast<uint8_t>(i % 5)});
    }
    writeBytes(path("painted.tga"), bytes);
    World world(4);
    world.loadMap(path("painted.tga").c_str());
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(world.tiles[i], i % 5);
    }
}

TEST_F(LevelFiles, MissingOrShortMapFiles) {
    World missing(8);
    missing.loadMap(path("nothing-here").c_str());
    EXPECT_NE(missing.minimap, nullptr);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(missing.tiles[i], Empty);
    }

    // Half a map of Solid, the rest missing: the missing tiles are Empty, never -1.
    std::vector<uint8_t> half = tgaHeader(8, 8);
    for (int i = 0; i < 32; i++) {
        half.insert(half.end(), {120, 240, Solid});
    }
    half.insert(half.end(), {120, 240});  // a pixel cut off before its red byte
    writeBytes(path("half"), half);
    World world(8);
    world.loadMap(path("half").c_str());
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(world.tiles[i], i < 32 ? Solid : Empty) << i;
    }

    writeBytes(path("stub"), {0, 0, 2});
    World stub(8);
    stub.loadMap(path("stub").c_str());
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(stub.tiles[i], Empty);
    }
}

TEST_F(LevelFiles, ObjectsFileMakesStudentsAndCannons) {
    writeBytes(path("objects"), objectsFile({{4, 10.5f, 20.25f}, {16, 30, 40}, {7, 5, 5}}));
    World world(64);
    world.clearMap();
    world.studentsRescued = world.studentsKilled = world.coinsCollected = 9;
    world.loadObjects(path("objects").c_str());

    ASSERT_EQ(world.students.size(), 1u);
    ASSERT_EQ(world.cannons.size(), 1u);
    EXPECT_EQ(world.students.front()->body->GetPosition(), b2Vec2(10.5f, 20.25f));
    EXPECT_EQ(world.cannons.front()->body->GetPosition(), b2Vec2(30, 40));
    EXPECT_EQ(world.studentsTotal, 1);
    EXPECT_EQ(world.coinsTotal, 5);
    EXPECT_EQ(world.studentsRescued, 0);
    EXPECT_EQ(world.studentsKilled, 0);
    EXPECT_EQ(world.coinsCollected, 0);
}

TEST_F(LevelFiles, SavedObjectsPutCannonsFirstAndLoadBackInOrder) {
    World world(64);
    world.clearMap();
    world.students.push_back(new Student(3, 4, &world, world.studentSheet));
    world.cannons.push_back(new Cannon(5, 6, &world, world.cannonSheet, world.gunTexture));
    world.students.push_back(new Student(7, 8, &world, world.studentSheet));
    world.cannons.push_back(new Cannon(9, 10, &world, world.cannonSheet, world.gunTexture));
    world.saveObjects(path("objects").c_str());

    EXPECT_EQ(readBytes(path("objects")),
              objectsFile({{16, 5, 6}, {16, 9, 10}, {4, 3, 4}, {4, 7, 8}}));

    // Loading replaces the objects (and their bodies) already there.
    int bodiesBefore = dynamicBodyCount(world);
    world.loadObjects(path("objects").c_str());
    EXPECT_EQ(dynamicBodyCount(world), bodiesBefore);
    ASSERT_EQ(world.cannons.size(), 2u);
    ASSERT_EQ(world.students.size(), 2u);
    EXPECT_EQ(world.cannons.front()->body->GetPosition(), b2Vec2(5, 6));
    EXPECT_EQ(world.cannons.back()->body->GetPosition(), b2Vec2(9, 10));
    EXPECT_EQ(world.students.front()->body->GetPosition(), b2Vec2(3, 4));
    EXPECT_EQ(world.students.back()->body->GetPosition(), b2Vec2(7, 8));
}

// Only records the physics cannot hold are skipped: non-finite positions and those more than
// 100 km out. Objects just off the map load, as a level designer may put them or a student that
// fell off may be saved. A short last record is ignored.
TEST_F(LevelFiles, RecordsLoadAnywhereThePhysicsCanHoldThem) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<uint8_t> bytes = objectsFile({{4, nan, 5},
                                              {4, 5, inf},
                                              {16, -inf, 5},
                                              {16, 5, -nan},
                                              {4, 100001, 5},
                                              {16, 5, -100001},
                                              {4, -2.5f, 70},
                                              {4, 60, -3.06f},
                                              {16, 131, 70},
                                              {16, -100000, 100000},
                                              {4, 12, 12}});
    bytes.resize(bytes.size() - 1);  // the last record loses a byte
    writeBytes(path("objects"), bytes);
    World world(128);
    world.clearMap();
    world.loadObjects(path("objects").c_str());
    const std::vector<b2Vec2> students = positionsOf(world.students);
    const std::vector<b2Vec2> cannons = positionsOf(world.cannons);
    EXPECT_EQ(students, std::vector<b2Vec2>({{-2.5f, 70}, {60, -3.06f}}));
    EXPECT_EQ(cannons, std::vector<b2Vec2>({{131, 70}, {-100000, 100000}}));
    EXPECT_EQ(world.studentsTotal, 2);
    EXPECT_EQ(world.coinsTotal, 10);
}

// Students may share a spot up to a pile of kMaxStudentPile: one that would sink into that many
// placed before it is skipped, by their kites, and one beside them or within a cannon's base is
// not. Cannons never touch each other, so every cannon record makes a cannon and counts its coins.
TEST_F(LevelFiles, SmallPilesLoadWholeAndOnlyAHighPileIsCut) {
    std::vector<Record> records = {{4, 10, 10},    {4, 10, 10},    {4, 20, 10},  {4, 20, 10},
                                   {4, 20, 10},    {4, 20, 10},    {4, 20, 10},  {4, 20, 10.5f},
                                   {4, 20.4f, 10}, {16, 20, 10},   {16, 20, 10}, {16, 20, 10},
                                   {16, 20, 10},   {4, 10.2f, 10}, {16, 30, 10}};
    for (int i = 0; i < kMaxStudentPile + 1; i++) {
        records.push_back({4, 40, 10});
    }
    records.push_back({4, 40, 10.5f});  // sinks into the whole pile below
    records.push_back({4, 40, 11});     // clear of it
    writeBytes(path("objects"), objectsFile(records));
    World world(64);
    world.clearMap();
    world.loadObjects(path("objects").c_str());

    const std::vector<b2Vec2> students = positionsOf(world.students);
    std::vector<b2Vec2> expected = {{10, 10}, {10, 10}, {20, 10},    {20, 10},    {20, 10},
                                    {20, 10}, {20, 10}, {20, 10.5f}, {20.4f, 10}, {10.2f, 10}};
    expected.insert(expected.end(), kMaxStudentPile, b2Vec2(40, 10));
    expected.push_back({40, 11});
    EXPECT_EQ(students, expected);
    EXPECT_EQ(world.studentsTotal, static_cast<int>(expected.size()));
    EXPECT_EQ(world.cannons.size(), 5u);
    EXPECT_EQ(world.coinsTotal, 25);
}

// The cap counts the objects made: records the loader skips cost only their read, and it reads
// no further once the level is full.
TEST_F(LevelFiles, TheCapCountsObjectsNotRecords) {
    std::vector<Record> records(kMaxLevelObjects, {7, 12, 12});
    records.push_back({4, 12, 12});
    writeBytes(path("objects"), objectsFile(records));
    World world(64);
    world.clearMap();
    world.loadObjects(path("objects").c_str());
    EXPECT_EQ(positionsOf(world.students), std::vector<b2Vec2>({{12, 12}}));

    records.assign(kMaxStudentPile + 10, {4, 1, 1});  // ten too many on one spot
    records.push_back({4, 2, 200000});                // too far out
    for (int i = 0; records.size() < 2000; i++) {
        records.push_back({i % 2 ? 16 : 4, 2.0f + i % 50, 2.0f + i / 50});
    }
    writeBytes(path("objects"), objectsFile(records));
    world.loadObjects(path("objects").c_str());
    EXPECT_EQ(world.students.size() + world.cannons.size(), static_cast<size_t>(kMaxLevelObjects));
    EXPECT_EQ(world.cannons.size(), static_cast<size_t>(kMaxLevelObjects - kMaxStudentPile) / 2);
    EXPECT_EQ(world.studentsTotal, static_cast<int>(world.students.size()));
}

// 1000 students on one spot, once half a million contacts and seconds on the first step, load
// as one pile that flies at once; a thousand cannons on one spot beside the ship all load, and
// even their volley flies at once.
TEST_F(LevelFiles, HighPilesAndStackedCannonsFlyAtOnce) {
    writeBytes(path("objects"), objectsFile(std::vector<Record>(1000, {4, 32, 10})));
    const std::string rock(62, '#');
    Sandbox box({rock, rock, rock});
    box.world->loadObjects(path("objects").c_str());
    EXPECT_EQ(box.world->students.size(), static_cast<size_t>(kMaxStudentPile));
    box.launch(32, 20);
    std::chrono::duration<double> worst(0);
    for (int step = 0; step < 30; step++) {
        const auto start = std::chrono::steady_clock::now();
        box.tick(1);
        worst = std::max<std::chrono::duration<double>>(worst,
                                                        std::chrono::steady_clock::now() - start);
    }
    EXPECT_LT(worst.count(), 0.05) << "seconds on the worst of the first 30 steps";

    writeBytes(path("objects"), objectsFile(std::vector<Record>(1000, {16, 34, 10})));
    const auto cannonsStart = std::chrono::steady_clock::now();
    box.world->loadObjects(path("objects").c_str());
    box.tick(240);  // a volley of a thousand balls
    const std::chrono::duration<double> cannonsTook =
        std::chrono::steady_clock::now() - cannonsStart;
    EXPECT_EQ(box.world->cannons.size(), 1000u);
    EXPECT_EQ(box.world->coinsTotal, 5000);
    EXPECT_LT(cannonsTook.count(), 2.0);
}

TEST_F(LevelFiles, EmptyOrMissingObjectsFileLeavesNoObjects) {
    writeBytes(path("empty"), {});
    for (std::string file : {path("empty"), path("missing")}) {
        World world(32);
        world.clearMap();
        world.students.push_back(new Student(3, 4, &world, world.studentSheet));
        world.loadObjects(file.c_str());
        EXPECT_TRUE(world.students.empty());
        EXPECT_TRUE(world.cannons.empty());
        EXPECT_EQ(world.studentsTotal, 0);
        EXPECT_EQ(world.coinsTotal, 0);
    }
}
