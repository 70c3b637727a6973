#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/world.h"
#include "platform/object_record.h"
#include "tests/shipped_levels.h"
#include "tests/test_support.h"
#include "tools/levels/checker.h"
#include "tools/levels/level_map.h"
#include "tools/levels/missions.h"

namespace {

bool mentions(const std::vector<std::string>& problems, const std::string& words) {
    for (const std::string& line : problems) {
        if (line.find(words) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// A level's two files as the generator writes them, with helpers to spoil them.
struct LevelFiles {
    explicit LevelFiles(int mission) : mission(mission) {
        levelgen::Level level = buildLevel(mission);
        map = levelgen::encodeMap(level.map);
        objects = levelgen::encodeObjects(level.objects);
        size = kMissionLayouts[mission].size;
    }

    std::vector<std::string> check() const { return checkLevel(mission, map, objects); }

    int kindAt(int x, int y) const { return map[18 + 3 * (y * size + x) + 2]; }
    void setTile(int x, int y, int kind) {
        uint8_t* pixel = &map[18 + 3 * (y * size + x)];
        pixel[0] = static_cast<uint8_t>(kind * 30 % 255);
        pixel[1] = static_cast<uint8_t>(kind * 60 % 255);
        pixel[2] = static_cast<uint8_t>(kind);
    }
    void fill(int x0, int y0, int x1, int y1, int kind) {
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                setTile(x, y, kind);
            }
        }
    }

    // A frame two tiles thick around the box.
    void enclose(int x0, int y0, int x1, int y1, int kind) {
        fill(x0, y0, x1, y0 + 1, kind);
        fill(x0, y1 - 1, x1, y1, kind);
        fill(x0, y0, x0 + 1, y1, kind);
        fill(x1 - 1, y0, x1, y1, kind);
    }

    int recordCount() const { return static_cast<int>(objects.size() / kObjectRecordSize); }
    ObjectRecord record(int index) const {
        return readObjectRecord(&objects[kObjectRecordSize * index]);
    }
    void setRecord(int index, const ObjectRecord& record) {
        std::vector<uint8_t> bytes;
        appendObjectRecord(bytes, record);
        std::copy(bytes.begin(), bytes.end(), objects.begin() + kObjectRecordSize * index);
    }
    int32_t kindOf(int index) const { return record(index).kind; }
    // The index of the n-th record of a kind (cannons come first in the file).
    int recordOf(int32_t kind, int n) const {
        for (int r = 0; r < recordCount(); r++) {
            if (kindOf(r) == kind && n-- == 0) {
                return r;
            }
        }
        return -1;
    }
    b2Vec2 position(int index) const { return b2Vec2(record(index).x, record(index).y); }
    void move(int index, float x, float y) { setRecord(index, {kindOf(index), x, y}); }
    void drop(int index) {
        objects.erase(objects.begin() + kObjectRecordSize * index,
                      objects.begin() + kObjectRecordSize * (index + 1));
    }

    int mission;
    int size;
    std::vector<uint8_t> map, objects;
};

TEST(LevelChecker, FindsSpoiltFiles) {
    LevelFiles shortMap(0);
    shortMap.map.pop_back();
    EXPECT_TRUE(mentions(shortMap.check(), "map file has")) << listed(shortMap.check());

    LevelFiles header(0);
    header.map[16] = 32;
    EXPECT_TRUE(mentions(header.check(), "header byte 16")) << listed(header.check());

    LevelFiles blue(0);
    blue.map[18 + 3 * (5 * 128 + 5)] ^= 1;
    EXPECT_TRUE(mentions(blue.check(), "tile (5, 5)")) << listed(blue.check());

    LevelFiles unknownKind(0);
    unknownKind.setTile(40, 100, 9);
    EXPECT_TRUE(mentions(unknownKind.check(), "kind 9")) << listed(unknownKind.check());

    LevelFiles partial(0);
    partial.objects.push_back(4);
    EXPECT_TRUE(mentions(partial.check(), "whole number of records")) << listed(partial.check());

    LevelFiles strange(0);
    strange.setRecord(0, {7, strange.record(0).x, strange.record(0).y});
    EXPECT_TRUE(mentions(strange.check(), "record 0 has kind 7")) << listed(strange.check());

    // The game loads an object off the map, but a shipped level should not hold one; a position
    // the physics cannot hold is not loaded at all.
    LevelFiles offMap(0);
    offMap.move(0, -3, 20);
    EXPECT_TRUE(mentions(offMap.check(), "record 0 lies outside the map at (-3, 20)"))
        << listed(offMap.check());
    LevelFiles lost(0);
    lost.move(0, std::numeric_limits<float>::quiet_NaN(), 20);
    EXPECT_TRUE(mentions(lost.check(), "too far out for the game to load")) << listed(lost.check());
}

// The checker turns away exactly what the game's loader skips: a student that would bring the
// level past its budget of overlapping pairs, and every record once the level holds the most
// objects it may. The students it keeps are the students the
// World loads.
TEST(LevelChecker, ReportsWhatTheLoaderWouldSkip) {
    REQUIRE_GL();
    LevelFiles crowded(2);
    const int first = crowded.recordOf(kStudent, 0);
    const int extra = crowded.recordCount();
    // The first student's record again until its pile is one too high for the budget, then a
    // spread of students.
    int pile = 1;
    while ((pile + 1) * pile / 2 <= kMaxStudentOverlaps) {
        pile++;
    }
    for (int i = 0; i < pile; i++) {
        appendObjectRecord(crowded.objects, crowded.record(first));
    }
    const int piled = extra + pile - 1;  // the record that tops the pile
    for (int i = 0; i < 1000; i++) {
        appendObjectRecord(crowded.objects, {kStudent, 2.0f + i % 100 * 2, 200.0f + i / 100 * 2});
    }
    const std::vector<std::string> problems = crowded.check();
    EXPECT_TRUE(mentions(problems, "record " + std::to_string(piled) + " at")) << listed(problems);
    EXPECT_TRUE(mentions(problems, "would make more than " + std::to_string(kMaxStudentOverlaps) +
                                       " overlapping pairs of students"))
        << listed(problems);
    // One record was skipped, so the level is full one record later than it has objects.
    EXPECT_TRUE(mentions(problems, "record 1001 and those after it lie past the 1000 objects"))
        << listed(problems);

    const std::string path = makeScratchDir() + "/objects";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(crowded.objects.data()), crowded.objects.size());
    g_mission = 2;
    World world(crowded.size);
    world.loadObjects(path.c_str());
    const size_t kept = findLandingSpots(2, crowded.map, crowded.objects).size();
    EXPECT_EQ(world.students.size(), kept);
    EXPECT_EQ(kept, static_cast<size_t>(kMissionLayouts[2].students + kMaxLevelObjects - extra));
}

TEST(LevelChecker, CountsStudentsAndCannonsAgainstTheMission) {
    LevelFiles oneStudentShort(1);
    oneStudentShort.drop(oneStudentShort.recordOf(kStudent, 4));
    EXPECT_TRUE(mentions(oneStudentShort.check(), "4 students, not 5"))
        << listed(oneStudentShort.check());

    LevelFiles oneCannonShort(1);
    oneCannonShort.drop(oneCannonShort.recordOf(kCannon, 0));
    EXPECT_TRUE(mentions(oneCannonShort.check(), "2 cannons, not 3"))
        << listed(oneCannonShort.check());

    EXPECT_TRUE(mentions(checkLevel(7, LevelFiles(0).map, {}), "no mission 7"));
}

TEST(LevelChecker, WantsStudentsOnFlatSolidGroundBesideALandingSpot) {
    LevelFiles base(0);
    ASSERT_TRUE(base.check().empty()) << listed(base.check());
    int record = base.recordOf(kStudent, 0);
    b2Vec2 p = base.position(record);
    int cx = static_cast<int>(p.x + 0.5f), ground = static_cast<int>(p.y + 0.5f);

    LevelFiles floating = base;
    floating.move(record, p.x, p.y + 1);
    EXPECT_TRUE(mentions(floating.check(), "student 0 at")) << listed(floating.check());

    LevelFiles sunk = base;
    sunk.move(record, p.x, p.y - 0.2f);
    EXPECT_TRUE(mentions(sunk.check(), "does not stand on the ground at")) << listed(sunk.check());

    // Students do not walk on Breakable rock, so it is no floor for them.
    LevelFiles crumbly = base;
    crumbly.setTile(cx, ground - 1, Breakable);
    EXPECT_TRUE(mentions(crumbly.check(), "does not stand on Solid ground"))
        << listed(crumbly.check());

    LevelFiles buried = base;
    buried.setTile(cx, ground + 1, Solid);
    EXPECT_TRUE(mentions(buried.check(), "buried in rock")) << listed(buried.check());

    // Rock over all the floor around it: nowhere for the ship to set down beside the student.
    LevelFiles noRoom = base;
    noRoom.fill(cx - 12, ground, cx - 2, ground + 1, Solid);
    noRoom.fill(cx + 1, ground, cx + 12, ground + 1, Solid);
    EXPECT_TRUE(mentions(noRoom.check(), "no reachable landing spot")) << listed(noRoom.check());

    // The same ground sealed off from the sky with a lid of rock: the ship cannot get there.
    LevelFiles sealed = base;
    sealed.enclose(cx - 14, ground - 5, cx + 14, ground + 7, Solid);
    EXPECT_TRUE(mentions(sealed.check(), "no reachable landing spot")) << listed(sealed.check());
    // A shell of Breakable rock can be shot away.
    LevelFiles crumblyShell = base;
    crumblyShell.enclose(cx - 14, ground - 5, cx + 14, ground + 7, Breakable);
    EXPECT_FALSE(mentions(crumblyShell.check(), "landing spot")) << listed(crumblyShell.check());
}

TEST(LevelChecker, WantsCannonsOnTheSurfaceAwayFromStartAndStudents) {
    LevelFiles base(1);
    ASSERT_TRUE(base.check().empty()) << listed(base.check());
    int record = base.recordOf(kCannon, 0);
    b2Vec2 c = base.position(record);
    int x = static_cast<int>(c.x), y = static_cast<int>(c.y);

    LevelFiles buried = base;
    buried.setTile(x, y, Solid);
    EXPECT_TRUE(mentions(buried.check(), "cannon 0 at")) << listed(buried.check());
    EXPECT_TRUE(mentions(buried.check(), "is buried")) << listed(buried.check());

    LevelFiles hovering = base;
    hovering.move(record, c.x, c.y + 2);
    EXPECT_TRUE(mentions(hovering.check(), "does not sit on the ground"))
        << listed(hovering.check());

    LevelFiles walledIn = base;
    walledIn.fill(x - 1, y, x + 1, y + 1, Solid);
    walledIn.setTile(x, y, Empty);
    EXPECT_TRUE(mentions(walledIn.check(), "muzzle in rock")) << listed(walledIn.check());

    // On the start pad itself, and beside a student's landing spot.
    LevelFiles onThePad = base;
    onThePad.move(record, 66.5f, 76.5f);
    EXPECT_TRUE(mentions(onThePad.check(), "too near the start")) << listed(onThePad.check());
    LevelFiles camping = base;
    b2Vec2 s = base.position(base.recordOf(kStudent, 0));
    camping.move(record, s.x + 3, s.y + 0.125f);
    EXPECT_TRUE(mentions(camping.check(), "camps on student 0")) << listed(camping.check());
}

TEST(LevelChecker, WantsAFreeStartOverAPadWithAWayToOrbit) {
    LevelFiles blocked(0);
    blocked.setTile(65, 65, Solid);
    EXPECT_TRUE(mentions(blocked.check(), "not in open air")) << listed(blocked.check());

    LevelFiles noPad(0);
    noPad.setTile(62, 62, Empty);
    EXPECT_TRUE(mentions(noPad.check(), "no Solid tile at (62, 62)")) << listed(noPad.check());

    LevelFiles crumblyPad(0);
    crumblyPad.setTile(64, 62, Breakable);
    EXPECT_TRUE(mentions(crumblyPad.check(), "(64, 62)")) << listed(crumblyPad.check());

    // A roof of rock across the sky; Breakable rock closes it too (the climb must be open).
    LevelFiles roofed(0);
    roofed.fill(1, 100, 127, 100, Solid);
    EXPECT_TRUE(mentions(roofed.check(), "no open way")) << listed(roofed.check());
    LevelFiles crumblyRoof(0);
    crumblyRoof.fill(1, 100, 127, 100, Breakable);
    EXPECT_TRUE(mentions(crumblyRoof.check(), "no open way")) << listed(crumblyRoof.check());
}

}  // namespace
