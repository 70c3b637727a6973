#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <box2d/box2d.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/object_record.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

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

class LevelFiles : public LevelFileTest {};

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

// A pipe, a link to a device or a folder where a level's file should be reads as no file, and at
// once: the empty map, no objects. Each load runs in a child on an alarm, so a hang fails.
TEST_F(LevelFiles, AnythingButAPlainFileReadsAsNoFileWithoutWaiting) {
    ASSERT_TRUE(std::filesystem::create_directory(path("data")));
    const char* missions[] = {"07", "08", "09"};  // one for each of kNotAFiles
    for (size_t i = 0; i < std::size(missions); i++) {
        ASSERT_TRUE(plant(kNotAFiles[i], path("data/world") + missions[i]));
        ASSERT_TRUE(plant(kNotAFiles[i], path("data/objects") + missions[i]));
    }
    for (const char* mission : missions) {
        World world(8);
        world.clearMap();
        world.students.push_back(new Student(3, 4, &world, world.studentSheet));
        const std::string map = path("data/world") + mission;
        const std::string objects = path("data/objects") + mission;
        EXPECT_EQ(exitCodeInChild([&] {
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

// A hole in a file takes no room on disk and reads as zeros, records of kind 0 that place
// nothing: an objects file gigabytes long that holds a few records loads at once, and loads
// exactly those records, wherever a stretch of data begins or ends inside a record.
TEST_F(LevelFiles, SparseObjectsFilesLoadAtOnceWithTheRecordsTheyHold) {
    const off_t kGiB = off_t(1) << 30;
    const int emptyFile = open(path("hole").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(ftruncate(emptyFile, kGiB), 0);
    struct stat info;
    ASSERT_EQ(fstat(emptyFile, &info), 0);
    close(emptyFile);
    if (info.st_blocks > 2048) {
        GTEST_SKIP() << "this file system writes out holes";
    }
    const off_t block = info.st_blksize;

    // A student, a cannon and a student 1, 2 and 3 GiB in, each in a block of its own; the last
    // one's y of 0 is left to the hole after its block. The file ends in a hole and a few bytes.
    const off_t first = kGiB / kObjectRecordSize * kObjectRecordSize + 7 * kObjectRecordSize;
    const off_t second = 2 * kGiB / kObjectRecordSize * kObjectRecordSize + kObjectRecordSize;
    off_t third = 3 * kGiB;  // the end of a block, 8 bytes on from a record's start
    while ((third - 8) % kObjectRecordSize != 0) {
        third += block;
    }
    for (off_t offset : {first, second}) {
        ASSERT_NE(offset % block % kObjectRecordSize, 0) << "the block begins inside a record";
    }
    const int file = open(path("objects").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(ftruncate(file, third + 2 * block + 5), 0);
    auto put = [&](off_t offset, const ObjectRecord& record, size_t bytes) {
        std::vector<uint8_t> encoded;
        appendObjectRecord(encoded, record);
        ASSERT_EQ(pwrite(file, encoded.data(), bytes, offset), static_cast<ssize_t>(bytes));
    };
    put(first, {4, 10, 20}, kObjectRecordSize);
    put(second, {16, 30, 40}, kObjectRecordSize);
    put(third - 8, {4, 5, 0}, 8);
    close(file);

    World world(64);
    world.clearMap();
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    world.loadObjects(path("hole").c_str());
    EXPECT_TRUE(world.students.empty());
    world.loadObjects(path("objects").c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(positionsOf(world.students), std::vector<b2Vec2>({{10, 20}, {5, 0}}));
    EXPECT_EQ(positionsOf(world.cannons), std::vector<b2Vec2>({{30, 40}}));
    EXPECT_EQ(world.studentsTotal, 2);
    EXPECT_EQ(world.coinsTotal, 5);
    EXPECT_LT(took.count(), 0.25) << "seconds to load 1 GiB and 3 GiB of holes";
}
