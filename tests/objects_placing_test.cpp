// The rules by which the objects loader keeps or skips records: positions the physics can hold,
// the budget of overlapping students, the cap, and the line that says what was skipped.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

// The most students one spot holds: a pile of n makes n (n - 1) / 2 overlapping pairs.
int highestPile() {
    int height = 1;
    while (height < kMaxLevelObjects && (height + 1) * height / 2 <= kMaxStudentOverlaps) {
        height++;
    }
    return height;
}

class ObjectsPlacing : public LevelFileTest {};

// Positions fall on this grid: exact floats at the origin and 90 km out, on which no two kites
// sink into each other within rounding of the depth that counts, so that the index's floats and
// the plain count's doubles cannot part over rounding.
const float kGrid = 1.0f / 1024;  // m

// Twice a full level's records over a square `width` metres wide centred on (x, y): students and
// some cannons, one in six a student on one of a few spots where piles grow and come back once
// refused (past the cap too), one in six repeating one of the last few records.
std::vector<ObjectRecord> crowd(std::mt19937* random, float x, float y, float width) {
    auto uniform = [random] { return (*random)() / 4294967296.0; };  // [0, 1)
    auto anywhere = [&](int32_t kind) {
        const double dx = std::round((uniform() - 0.5) * width / kGrid) * kGrid;
        const double dy = std::round((uniform() - 0.5) * width / kGrid) * kGrid;
        return ObjectRecord{kind, static_cast<float>(x + dx), static_cast<float>(y + dy)};
    };
    std::vector<ObjectRecord> piles;
    for (int i = 0; i < 4; i++) {
        piles.push_back(anywhere(CollisionCategory::Student));
    }
    std::vector<ObjectRecord> crowd;
    while (crowd.size() < kMaxLevelObjects * 2) {
        const double draw = uniform();
        if (draw < 1.0 / 6) {
            crowd.push_back(piles[(*random)() % piles.size()]);
        } else if (draw < 1.0 / 3 && crowd.size() >= 8) {
            crowd.push_back(crowd[crowd.size() - 1 - (*random)() % 8]);
        } else {
            crowd.push_back(anywhere(uniform() < 1.0 / 8 ? CollisionCategory::Cannon
                                                         : CollisionCategory::Student));
        }
    }
    return crowd;
}

// The placing rules for students and cannons, applied by counting over every pair of students.
struct EveryPair {
    explicit EveryPair(int budget) : budget(budget) {}
    int budget;
    int objects = 0;
    int pairs = 0;
    std::vector<b2Vec2> students;

    Placement place(const ObjectRecord& record) {
        if (objects == kMaxLevelObjects) {
            return Placement::OverCap;
        }
        if (record.kind == CollisionCategory::Student) {
            const b2Vec2 at(record.x, record.y);
            int under = 0;
            for (const b2Vec2& student : students) {
                under += studentsOverlap(student, at);
            }
            if (pairs + under > budget) {
                return Placement::TooCrowded;
            }
            pairs += under;
            students.push_back(at);
        }
        objects += 1;
        return Placement::Fits;
    }
};

// How many of the students fit, placed in order under the budget.
int studentsFitting(const std::vector<b2Vec2>& students, int budget) {
    PlacedObjects placed(budget);
    int fitting = 0;
    for (const b2Vec2& s : students) {
        fitting += placed.place(CollisionCategory::Student, s.x, s.y) == Placement::Fits;
    }
    return fitting;
}

const char* nameOf(Placement placement) {
    const char* const names[] = {"Fits", "UnknownKind", "TooFar", "OverCap", "TooCrowded"};
    return names[static_cast<int>(placement)];
}

// Where the index first parts from the count over every pair on the records, or "".
std::string firstDifference(const std::vector<ObjectRecord>& records, int budget) {
    PlacedObjects placed(budget);
    EveryPair everyPair(budget);
    std::ostringstream difference;
    for (size_t i = 0; i < records.size(); i++) {
        const ObjectRecord& r = records[i];
        const Placement expected = everyPair.place(r);
        const Placement checked = placed.check(r.kind, r.x, r.y);
        const Placement got = placed.place(r.kind, r.x, r.y);
        if (checked != expected || got != expected) {
            difference << "record " << i << " (" << r.kind << ", " << r.x << ", " << r.y
                       << ") checks " << nameOf(checked) << " and places " << nameOf(got)
                       << ", not " << nameOf(expected);
            return difference.str();
        }
    }
    // The students kept load whole under a budget of just their pairs, and not under one fewer.
    const int kept = static_cast<int>(everyPair.students.size());
    if (studentsFitting(everyPair.students, everyPair.pairs) != kept ||
        (everyPair.pairs > 0 && studentsFitting(everyPair.students, everyPair.pairs - 1) == kept)) {
        difference << "the " << kept << " students kept do not make " << everyPair.pairs
                   << " pairs";
    }
    return difference.str();
}

}  // namespace

// Only records the physics cannot hold are skipped: non-finite positions and those more than
// 100 km out. Objects just off the map load, as a level designer may put them or a student that
// fell off may be saved. A short last record is ignored.
TEST_F(ObjectsPlacing, RecordsLoadAnywhereThePhysicsCanHoldThem) {
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
    World world(128);
    world.clearMap();
    EXPECT_EQ(writeAndLoad(world, "objects", bytes),
              path("objects") + ": 6 RECORDS SKIPPED (6 TOO FAR OUT)\n");
    const std::vector<b2Vec2> students = positionsOf(world.students);
    const std::vector<b2Vec2> cannons = positionsOf(world.cannons);
    EXPECT_EQ(students, std::vector<b2Vec2>({{-2.5f, 70}, {60, -3.06f}}));
    EXPECT_EQ(cannons, std::vector<b2Vec2>({{131, 70}, {-100000, 100000}}));
    EXPECT_EQ(world.studentsTotal, 2);
    EXPECT_EQ(world.coinsTotal, 10);
}

// The cap counts the objects made: records the loader skips cost only their read, and once the
// level is full no record makes anything more.
TEST_F(ObjectsPlacing, TheCapCountsObjectsNotRecords) {
    std::vector<ObjectRecord> records(kMaxLevelObjects, {7, 12, 12});
    records.push_back({4, 12, 12});
    World world(64);
    world.clearMap();
    writeAndLoad(world, "objects", objectsFile(records));
    EXPECT_EQ(positionsOf(world.students), std::vector<b2Vec2>({{12, 12}}));

    records.assign(highestPile() + 10, {4, 1, 1});  // ten too many on one spot
    records.push_back({4, 2, 200000});              // too far out
    for (int i = 0; records.size() < 2000; i++) {
        records.push_back({i % 2 ? 16 : 4, 2.0f + i % 50, 2.0f + i / 50});
    }
    writeAndLoad(world, "objects", objectsFile(records));
    EXPECT_EQ(world.students.size() + world.cannons.size(), static_cast<size_t>(kMaxLevelObjects));
    EXPECT_EQ(world.cannons.size(), static_cast<size_t>(kMaxLevelObjects - highestPile()) / 2);
    EXPECT_EQ(world.studentsTotal, static_cast<int>(world.students.size()));
}

// A pile of 50 students on one spot, the editor's M pressed 50 times, loads whole, and so do
// students beside it and cannons on it, as long as the level's overlapping pairs of students stay
// within the budget. Cannons never touch each other, so every cannon record makes a cannon.
TEST_F(ObjectsPlacing, PilesLoadWholeWithinTheBudgetOfOverlappingPairs) {
    std::vector<ObjectRecord> records(50, {4, 40, 10});
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
    World world(64);
    world.clearMap();
    EXPECT_EQ(writeAndLoad(world, "objects", objectsFile(records)), "") << "nothing was skipped";

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
TEST_F(ObjectsPlacing, StudentsPastTheBudgetAreSkippedAndSaidSo) {
    std::vector<ObjectRecord> records(1000, {4, 20, 10});
    records.insert(records.end(), {{4, 20.3f, 10}, {4, 30, 10}, {16, 20, 10}});
    World world(64);
    world.clearMap();
    const std::string printed = writeAndLoad(world, "objects", objectsFile(records));

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
TEST_F(ObjectsPlacing, TheBudgetCountsPairsWhereverTheStudentsStand) {
    World world(64);
    world.clearMap();
    for (float at : {0.0f, 20.0f, 20.6f, 1.25f, -37.5f, 99970.3f}) {
        std::vector<ObjectRecord> records;
        for (int i = 0; i < 1000; i++) {
            const float dx = 0.01f * (i % 5 - 2), dy = 0.01f * (i / 5 % 5 - 2);
            records.push_back({4, at + dx, at + dy});
        }
        writeAndLoad(world, "objects", objectsFile(records));
        EXPECT_EQ(world.students.size(), static_cast<size_t>(highestPile())) << "at " << at;

        records.clear();
        for (int i = 0; i < 1000; i++) {  // a grid of kites touching at their tips
            records.push_back({4, at + 0.4f * (i % 40 - 20), at + 0.53f * (i / 40 - 12)});
        }
        writeAndLoad(world, "objects", objectsFile(records));
        EXPECT_EQ(world.students.size(), 1000u) << "at " << at;
    }
}

// A record the loader refuses costs its read, not a scan of every object the level holds: 900
// students a metre apart and then 30 MB of students on one spot, a scan of 900 for each once,
// load in a fraction of a second.
TEST_F(ObjectsPlacing, ARefusedRecordCostsItsReadNotAScanOfTheLevel) {
    const int spread = 900;
    std::vector<ObjectRecord> records(30 * 1000 * 1000 / 12, {4, 60, 60});
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
TEST_F(ObjectsPlacing, TheLoaderCountsWhatItSkippedByReason) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<ObjectRecord> records = {{4, nan, 5}, {16, 5, 200000}, {7, 5, 5}, {4, 1, 1}};
    records.insert(records.end(), highestPile() + 2, {4, 3, 3});  // two too many on one spot
    while (records.size() < 1100) {
        const int i = static_cast<int>(records.size());
        records.push_back({16, 2.0f + i % 50, 10.0f + i / 50});
    }
    records.push_back({7, 1, 1});  // past the cap, but no object: not counted
    std::vector<uint8_t> bytes = objectsFile(records);
    bytes.resize(bytes.size() + 5);  // a short last record is no record
    World world(64);
    world.clearMap();
    EXPECT_EQ(
        writeAndLoad(world, "objects07", bytes),
        path("objects07") +
            ": 99 RECORDS SKIPPED (2 TOO FAR OUT, 2 TOO CROWDED, 95 PAST THE 1000 OBJECTS)\n");
    EXPECT_EQ(world.students.size() + world.cannons.size(), 1000u);

    records.assign(3, {7, 1, 1});
    records.push_back({16, nan, 1});
    EXPECT_EQ(writeAndLoad(world, "objects08", objectsFile(records)),
              path("objects08") + ": 1 RECORD SKIPPED (1 TOO FAR OUT)\n");

    records.assign(kMaxLevelObjects, {4, 1, 1});
    for (ObjectRecord& r : records) {
        r.x += static_cast<float>(&r - records.data());  // a row of students a metre apart
    }
    records.insert(records.begin(), 5, {9, 1, 1});
    records.insert(records.end(), 5, {7, 1, 1});
    EXPECT_EQ(writeAndLoad(world, "objects09", objectsFile(records)), "")
        << "a full level that lost nothing";
    EXPECT_EQ(world.students.size(), 1000u);

    // Past the cap, only the students and cannons it drops are counted.
    records.resize(records.size() - 5);
    records.insert(records.end(), {{16, 1, 1}, {7, 1, 1}, {16, 2, 1}, {7, 1, 1}, {16, 3, 1}});
    EXPECT_EQ(writeAndLoad(world, "objects10", objectsFile(records)),
              path("objects10") + ": 3 RECORDS SKIPPED (3 PAST THE 1000 OBJECTS)\n");
}

// 1000 students on one spot, once half a million contacts and seconds on the first step, load
// as the highest pile the budget holds, which flies at once; a thousand cannons on one spot beside
// the ship all load, and even their volley flies at once.
TEST_F(ObjectsPlacing, HighPilesAndStackedCannonsFlyAtOnce) {
    const std::string rock(62, '#');
    Sandbox box({rock, rock, rock});
    writeAndLoad(*box.world, "objects", objectsFile(std::vector<ObjectRecord>(1000, {4, 32, 10})));
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

    writeBytes(path("objects"), objectsFile(std::vector<ObjectRecord>(1000, {16, 34, 10})));
    const auto cannonsStart = std::chrono::steady_clock::now();
    box.world->loadObjects(path("objects").c_str());
    box.tick(240);  // a volley of a thousand balls
    const std::chrono::duration<double> cannonsTook =
        std::chrono::steady_clock::now() - cannonsStart;
    EXPECT_EQ(box.world->cannons.size(), 1000u);
    EXPECT_EQ(box.world->coinsTotal, 5000);
    EXPECT_LT(cannonsTook.count(), 2.0);
}

// The placing index keeps and refuses what a count over every pair of students would, and counts
// the same pairs: crowds of every density, piles and cannons among them, at the origin, over
// lines the index splits the map along and 90 km out, under budgets from none to no limit.
TEST(PlacingIndex, AgreesWithACountOverEveryPair) {
    std::mt19937 random(2024);
    const b2Vec2 places[] = {{0, 0}, {-37.5f, 25}, {90000, -90001.25f}};
    for (const b2Vec2& at : places) {
        for (float width : {0.5f, 1.5f, 3.0f, 8.0f, 30.0f}) {
            const std::vector<ObjectRecord> records = crowd(&random, at.x, at.y, width);
            for (int budget : {0, 30, kMaxStudentOverlaps, kMaxLevelObjects * kMaxLevelObjects}) {
                EXPECT_EQ(firstDifference(records, budget), "")
                    << width << " m at (" << at.x << ", " << at.y << "), budget " << budget;
            }
        }
    }
}
