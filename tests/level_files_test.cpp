#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
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

// The most students one spot holds: a pile of n makes n (n - 1) / 2 overlapping pairs.
int highestPile() {
    int height = 1;
    while (height < kMaxLevelObjects && (height + 1) * height / 2 <= kMaxStudentOverlaps) {
        height++;
    }
    return height;
}

const unsigned kHangSeconds = 3;  // far beyond any load; a call still waiting has hung

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

// A pile of 50 students on one spot, the editor's M pressed 50 times, loads whole, and so do
// students beside it and cannons on it, as long as the level's overlapping pairs of students stay
// within the budget. Cannons never touch each other, so every cannon record makes a cannon.
TEST_F(LevelFiles, PilesLoadWholeWithinTheBudgetOfOverlappingPairs) {
    std::vector<Record> records(50, {4, 40, 10});
    records.insert(records.end(), {{4, 10, 10},
                                   {4, 10, 10},
                                   {4, 10, 10.5f},
                                   {4, 10.4f, 10},
                                   {16, 40, 10},
                                   {16, 40, 10},
                                   {16, 40, 10},
                                   {16, 40, 10},
                                   {4, 10.2f, 10},
                                   {16, 30, 10},
                                   {4, 40, 10.5f},
                                   {4, 40, 11}});
    writeBytes(path("objects"), objectsFile(records));
    World world(64);
    world.clearMap();
    testing::internal::CaptureStdout();
    world.loadObjects(path("objects").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "nothing was skipped";

    std::vector<b2Vec2> expected(50, b2Vec2(40, 10));
    expected.insert(
        expected.end(),
        {{10, 10}, {10, 10}, {10, 10.5f}, {10.4f, 10}, {10.2f, 10}, {40, 10.5f}, {40, 11}});
    EXPECT_EQ(positionsOf(world.students), expected);
    EXPECT_EQ(world.studentsTotal, static_cast<int>(expected.size()));
    EXPECT_EQ(world.cannons.size(), 5u);
    EXPECT_EQ(world.coinsTotal, 25);
}

// Past the budget a student is skipped wherever it would sink into others: a thousand on one
// spot load as the highest pile the budget holds, and one beside that pile, reaching into all of
// it, is skipped too; one clear of every other student still loads, as does a cannon on the pile.
// The loader says what it skipped.
TEST_F(LevelFiles, StudentsPastTheBudgetAreSkippedAndSaidSo) {
    std::vector<Record> records(1000, {4, 20, 10});
    records.insert(records.end(), {{4, 20.3f, 10}, {4, 30, 10}, {16, 20, 10}});
    writeBytes(path("objects"), objectsFile(records));
    World world(64);
    world.clearMap();
    testing::internal::CaptureStdout();
    world.loadObjects(path("objects").c_str());
    const std::string printed = testing::internal::GetCapturedStdout();

    const int pile = highestPile();
    std::vector<b2Vec2> expected(pile, b2Vec2(20, 10));
    expected.push_back({30, 10});
    EXPECT_EQ(positionsOf(world.students), expected);
    EXPECT_EQ(positionsOf(world.cannons), std::vector<b2Vec2>({{20, 10}}));
    const std::string skipped = std::to_string(1000 - pile + 1);
    EXPECT_EQ(printed, path("objects") + ": " + skipped + " RECORDS SKIPPED (" + skipped +
                           " TOO CROWDED)\n");
}

// The budget counts pairs wherever they lie: a crowd of students a few centimetres apart, all
// reaching into each other, loads as high as one pile does, at the origin, far out, or over any
// line the loader might split the map along; students spread a kite's width apart never count.
TEST_F(LevelFiles, TheBudgetCountsPairsWhereverTheStudentsStand) {
    World world(64);
    world.clearMap();
    for (float at : {0.0f, 20.0f, 20.6f, 1.25f, -37.5f, 99970.3f}) {
        std::vector<Record> records;
        for (int i = 0; i < 1000; i++) {
            const float dx = 0.01f * (i % 5 - 2), dy = 0.01f * (i / 5 % 5 - 2);
            records.push_back({4, at + dx, at + dy});
        }
        writeBytes(path("objects"), objectsFile(records));
        testing::internal::CaptureStdout();
        world.loadObjects(path("objects").c_str());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(world.students.size(), static_cast<size_t>(highestPile())) << "at " << at;

        records.clear();
        for (int i = 0; i < 1000; i++) {  // a grid of kites touching at their tips
            records.push_back({4, at + 0.4f * (i % 40 - 20), at + 0.53f * (i / 40 - 12)});
        }
        writeBytes(path("objects"), objectsFile(records));
        world.loadObjects(path("objects").c_str());
        EXPECT_EQ(world.students.size(), 1000u) << "at " << at;
    }
}

// A record the loader refuses costs its read, not a scan of every object the level holds: 900
// students a metre apart and then 30 MB of students on one spot, a scan of 900 for each once,
// load in a fraction of a second.
TEST_F(LevelFiles, ARefusedRecordCostsItsReadNotAScanOfTheLevel) {
    const int spread = 900;
    std::vector<Record> records(30 * 1000 * 1000 / 12, {4, 60, 60});
    for (int i = 0; i < spread; i++) {
        records[i] = {4, 2.0f + i % 30, 2.0f + i / 30};
    }
    writeBytes(path("objects"), objectsFile(records));
    World world(64);
    world.clearMap();
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    world.loadObjects(path("objects").c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(world.students.size(), static_cast<size_t>(spread + highestPile()));
    EXPECT_LT(took.count(), 1.0) << "seconds to load";
}

// One line per file that lost records, counted by reason; a record of an unknown kind is the
// format's own way to be skipped and is not counted, and a file that lost nothing prints nothing.
TEST_F(LevelFiles, TheLoaderCountsWhatItSkippedByReason) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Record> records = {{4, nan, 5}, {16, 5, 200000}, {7, 5, 5}, {4, 1, 1}};
    records.insert(records.end(), highestPile() + 2, {4, 3, 3});  // two too many on one spot
    while (records.size() < 1100) {
        const int i = static_cast<int>(records.size());
        records.push_back({16, 2.0f + i % 50, 10.0f + i / 50});
    }
    records.push_back({7, 1, 1});  // past the cap all the same
    std::vector<uint8_t> bytes = objectsFile(records);
    bytes.resize(bytes.size() + 5);  // a short last record is no record
    writeBytes(path("objects07"), bytes);
    World world(64);
    world.clearMap();
    testing::internal::CaptureStdout();
    world.loadObjects(path("objects07").c_str());
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        path("objects07") +
            ": 100 RECORDS SKIPPED (2 TOO FAR OUT, 2 TOO CROWDED, 96 PAST THE 1000 OBJECTS)\n");
    EXPECT_EQ(world.students.size() + world.cannons.size(), 1000u);

    records.assign(3, {7, 1, 1});
    records.push_back({16, nan, 1});
    writeBytes(path("objects08"), objectsFile(records));
    testing::internal::CaptureStdout();
    world.loadObjects(path("objects08").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              path("objects08") + ": 1 RECORD SKIPPED (1 TOO FAR OUT)\n");

    records.assign(kMaxLevelObjects, {4, 1, 1});
    for (Record& r : records) {
        r.x += static_cast<float>(&r - records.data());  // a row of students a metre apart
    }
    records.insert(records.begin(), 5, {9, 1, 1});
    writeBytes(path("objects09"), objectsFile(records));
    testing::internal::CaptureStdout();
    world.loadObjects(path("objects09").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "a full level that lost nothing";
    EXPECT_EQ(world.students.size(), 1000u);
}

// 1000 students on one spot, once half a million contacts and seconds on the first step, load
// as the highest pile the budget holds, which flies at once; a thousand cannons on one spot beside
// the ship all load, and even their volley flies at once.
TEST_F(LevelFiles, HighPilesAndStackedCannonsFlyAtOnce) {
    writeBytes(path("objects"), objectsFile(std::vector<Record>(1000, {4, 32, 10})));
    const std::string rock(62, '#');
    Sandbox box({rock, rock, rock});
    box.world->loadObjects(path("objects").c_str());
    EXPECT_EQ(box.world->students.size(), static_cast<size_t>(highestPile()));
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

// A pipe, a link to a device or a folder where a level's file should be reads as no file, and at
// once: the empty map, no objects. Each load runs in a child on an alarm, so a hang fails.
TEST_F(LevelFiles, AnythingButAPlainFileReadsAsNoFileWithoutWaiting) {
    ASSERT_TRUE(std::filesystem::create_directory(path("data")));
    for (const char* name : {"data/world07", "data/objects07"}) {
        ASSERT_EQ(mkfifo(path(name).c_str(), 0644), 0);
    }
    for (const char* name : {"data/world08", "data/objects08"}) {
        ASSERT_EQ(symlink("/dev/zero", path(name).c_str()), 0);
    }
    for (const char* name : {"data/world09", "data/objects09"}) {
        ASSERT_TRUE(std::filesystem::create_directory(path(name)));
    }
    for (const char* mission : {"07", "08", "09"}) {
        World world(8);
        world.clearMap();
        world.students.push_back(new Student(3, 4, &world, world.studentSheet));
        const std::string map = path("data/world") + mission;
        const std::string objects = path("data/objects") + mission;
        EXPECT_EQ(exitCodeInChild([&] {
                      alarm(kHangSeconds);
                      world.loadMap(map.c_str());
                      world.loadObjects(objects.c_str());
                      bool empty =
                          world.minimap && world.students.empty() && world.studentsTotal == 0;
                      for (int i = 0; i < 64; i++) {
                          empty = empty && world.tiles[i] == Empty;
                      }
                      return empty ? 0 : 1;
                  }),
                  0)
            << mission << ": a load hung or read something";
    }
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
