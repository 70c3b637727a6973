#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "tests/test_support.h"
#include "tools/levels/checker.h"
#include "tools/levels/level_map.h"
#include "tools/levels/levels.h"
#include "tools/levels/missions.h"

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string numbered(const std::string& stem, int mission) {
    return stem + (mission < 10 ? "0" : "") + std::to_string(mission);
}

std::string shippedMap(int mission) {
    return numbered("data/world", mission);
}
std::string shippedObjects(int mission) {
    return numbered("data/objects", mission);
}

std::string listed(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& line : problems) {
        text += "\n  " + line;
    }
    return text;
}

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

    int recordCount() const { return static_cast<int>(objects.size() / 12); }
    int32_t kindOf(int record) const {
        int32_t kind;
        std::memcpy(&kind, &objects[12 * record], 4);
        return kind;
    }
    // The index of the n-th record of a kind (cannons come first in the file).
    int recordOf(int32_t kind, int n) const {
        for (int r = 0; r < recordCount(); r++) {
            if (kindOf(r) == kind && n-- == 0) {
                return r;
            }
        }
        return -1;
    }
    b2Vec2 position(int record) const {
        b2Vec2 p;
        std::memcpy(&p.x, &objects[12 * record + 4], 4);
        std::memcpy(&p.y, &objects[12 * record + 8], 4);
        return p;
    }
    void move(int record, float x, float y) {
        std::memcpy(&objects[12 * record + 4], &x, 4);
        std::memcpy(&objects[12 * record + 8], &y, 4);
    }
    void drop(int record) {
        objects.erase(objects.begin() + 12 * record, objects.begin() + 12 * (record + 1));
    }

    int mission;
    int size;
    std::vector<uint8_t> map, objects;
};

const int32_t kStudent = 4, kCannon = 16;

TEST(Levels, ShippedFilesAreExactlyWhatTheGeneratorWrites) {
    std::string scratch = makeScratchDir();
    ASSERT_TRUE(generateLevels(scratch));
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<uint8_t> map = readBytes(shippedMap(m));
        std::vector<uint8_t> objects = readBytes(shippedObjects(m));
        EXPECT_FALSE(map.empty()) << shippedMap(m);
        EXPECT_FALSE(objects.empty()) << shippedObjects(m);
        EXPECT_TRUE(map == readBytes(scratch + "/" + shippedMap(m))) << shippedMap(m);
        EXPECT_TRUE(objects == readBytes(scratch + "/" + shippedObjects(m))) << shippedObjects(m);
    }
}

TEST(Levels, LayoutsAgreeWithTheMissionTable) {
    const int kCreditsPerStudent = 25, kCreditsPerCannon = 5 * 5;
    for (int m = 0; m < kLevelCount; m++) {
        const MissionLayout& layout = kMissionLayouts[m];
        EXPECT_EQ(layout.size, g_worldSize[m]) << m;
        EXPECT_EQ(layout.startHeight, g_spawnHeight[m]) << m;
        EXPECT_EQ(layout.waterLevel, g_waterLevel[m]) << m;
        EXPECT_EQ(layout.students, g_maxStudents[m]) << m;
        EXPECT_EQ(kCreditsPerStudent * layout.students + kCreditsPerCannon * layout.cannons,
                  g_maxCredits[m])
            << m;
    }
}

TEST(Levels, EveryShippedLevelPassesTheChecker) {
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<std::string> problems = checkLevelFiles(m, shippedMap(m), shippedObjects(m));
        EXPECT_TRUE(problems.empty()) << "mission " << m << ":" << listed(problems);
    }
    EXPECT_FALSE(checkLevelFiles(0, "data/no-such-map", shippedObjects(0)).empty());
}

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
    int32_t seven = 7;
    std::memcpy(&strange.objects[0], &seven, 4);
    EXPECT_TRUE(mentions(strange.check(), "record 0 has kind 7")) << listed(strange.check());

    LevelFiles lost(0);
    lost.move(0, std::numeric_limits<float>::quiet_NaN(), 20);
    EXPECT_TRUE(mentions(lost.check(), "outside the map")) << listed(lost.check());
}

// The checker turns away exactly what the game's loader skips: a record on top of one before it
// and every record past the cap. The students it keeps are the students the World loads.
TEST(LevelChecker, ReportsWhatTheLoaderWouldSkip) {
    REQUIRE_GL();
    LevelFiles crowded(2);
    const int first = crowded.recordOf(kStudent, 0);
    const int extra = crowded.recordCount();
    crowded.objects.insert(crowded.objects.end(), &crowded.objects[12 * first],
                           &crowded.objects[12 * first + 12]);
    for (int i = 0; i < 1000; i++) {
        crowded.objects.insert(crowded.objects.end(), 12, 0);
        std::memcpy(&crowded.objects[12 * (extra + 1 + i)], &kStudent, 4);
        crowded.move(extra + 1 + i, 2.0f + i % 100 * 2, 200.0f + i / 100 * 2);
    }
    const std::vector<std::string> problems = crowded.check();
    EXPECT_TRUE(mentions(problems, "record " + std::to_string(extra) + " at")) << listed(problems);
    EXPECT_TRUE(mentions(problems, "overlaps an object placed before it")) << listed(problems);
    EXPECT_TRUE(mentions(problems, "record 1000 and those after it lie past the 1000"))
        << listed(problems);

    const std::string path = makeScratchDir() + "/objects";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(crowded.objects.data()), crowded.objects.size());
    g_mission = 2;
    World world(crowded.size);
    world.loadObjects(path.c_str());
    const size_t kept = findLandingSpots(2, crowded.map, crowded.objects).size();
    EXPECT_EQ(world.students.size(), kept);
    EXPECT_EQ(kept, static_cast<size_t>(kMissionLayouts[2].students + 1000 - extra - 1));
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

// The shipped levels in the real World, stepped by the real flight step.
class LevelsInWorld : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_GL();
        resetCampaign();
        srand(11);
    }

    World* load(int mission) {
        delete world;
        g_mission = mission;
        world = new World(g_worldSize[mission]);
        world->loadMap(shippedMap(mission).c_str());
        world->loadObjects(shippedObjects(mission).c_str());
        world->physics->SetContactListener(&listener);
        launchShip(world);
        return world;
    }

    // Holds the ship still at (x, y) without letting it touch anything, so that only the wake
    // rule feels it, with the camera (and the terrain bodies) around it.
    void hoverGhost(float x, float y) {
        b2Body* ship = world->rocket->body;
        ship->SetEnabled(false);
        ship->SetTransform(b2Vec2(x, y), 0);
        ship->SetLinearVelocity(b2Vec2(0, 0));
        b2Vec2 centre = ship->GetWorldCenter();
        world->cameraX = world->prevCameraX = static_cast<int>(centre.x * 32);
        world->cameraY = world->prevCameraY = static_cast<int>(centre.y * 32);
        world->updateTileBodies();
    }
    void stepHovering(int steps, b2Vec2 at) {
        for (int i = 0; i < steps; i++) {
            world->rocket->body->SetTransform(at, 0);
            world->rocket->body->SetLinearVelocity(b2Vec2(0, 0));
            world->rocket->hull = static_cast<float>(g_hullLevel);
            ASSERT_EQ(world->update(), 0);
        }
    }

    void TearDown() override { delete world; }

    World* world = nullptr;
    myContactListener listener;
};

TEST_F(LevelsInWorld, LoadTheMissionsStudentsAndCoins) {
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        EXPECT_EQ(world->studentsTotal, g_maxStudents[m]) << m;
        EXPECT_EQ(25 * world->studentsTotal + 5 * world->coinsTotal, g_maxCredits[m]) << m;
        delete world;
        world = nullptr;
    }
}

TEST_F(LevelsInWorld, TheShipSettlesOnThePadUnderItsStart) {
    const int kSteps = 300;  // five seconds
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        for (int i = 0; i < kSteps; i++) {
            ASSERT_EQ(world->update(), 0) << m;
        }
        b2Body* ship = world->rocket->body;
        EXPECT_EQ(world->rocket->hull, g_hullLevel) << m;
        EXPECT_LT(ship->GetLinearVelocity().Length(), 0.05f) << m;
        EXPECT_NEAR(ship->GetPosition().x, g_worldSize[m] / 2, 0.1f) << m;
        EXPECT_NEAR(ship->GetPosition().y, kMissionLayouts[m].padTop + 0.75f, 0.05f) << m;
        if (m == 0) {
            EXPECT_EQ(static_cast<int>(ship->GetPosition().y), 63);
        }
        delete world;
        world = nullptr;
    }
}

TEST_F(LevelsInWorld, EveryStudentStandsWhereItWasPlaced) {
    const int kSteps = 60;
    const float kAbove = 2.0f;  // m: the ship in the air over the student, too high to be seen
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        std::vector<Student*> students(world->students.begin(), world->students.end());
        for (size_t i = 0; i < students.size(); i++) {
            b2Vec2 start = students[i]->body->GetPosition();
            b2Vec2 hover(start.x, start.y + kAbove);
            hoverGhost(hover.x, hover.y);
            stepHovering(kSteps, hover);
            ASSERT_EQ(world->studentsKilled, 0) << m << " " << i;
            b2Vec2 now = students[i]->body->GetPosition();
            EXPECT_NEAR(now.x, start.x, 0.02f) << "mission " << m << " student " << i;
            EXPECT_NEAR(now.y, start.y, 0.05f) << "mission " << m << " student " << i;
            EXPECT_LT(students[i]->body->GetLinearVelocity().Length(), 0.05f) << m << " " << i;
        }
        delete world;
        world = nullptr;
    }
}

// The whole rescue, for every student: a ship set down on the landing spot beside it settles,
// the student walks over the flat ground to it and boards. Cannons are left out: only the
// ground is on trial here.
TEST_F(LevelsInWorld, EveryStudentWalksToAShipLandedBesideItAndBoards) {
    const int kSteps = 1200;         // 20 s: nine metres at 0.6 m/s, and time to settle
    const float kShipAbove = 0.76f;  // m: the resting ship's origin over the floor
    std::string scratch = makeScratchDir();
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<uint8_t> objects = readBytes(shippedObjects(m));
        std::vector<LandingSpot> spots = findLandingSpots(m, readBytes(shippedMap(m)), objects);
        std::vector<uint8_t> studentsOnly;
        for (size_t at = 0; at + 12 <= objects.size(); at += 12) {
            if (objects[at] == kStudent) {
                studentsOnly.insert(studentsOnly.end(), &objects[at], &objects[at] + 12);
            }
        }
        std::string path = scratch + "/" + shippedObjects(m).substr(5);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(studentsOnly.data()), studentsOnly.size());
        ASSERT_EQ(spots.size(), static_cast<size_t>(g_maxStudents[m]));
        for (size_t i = 0; i < spots.size(); i++) {
            ASSERT_TRUE(spots[i].found) << m << " " << i;
            load(m);
            world->loadObjects(path.c_str());
            hoverGhost(spots[i].x, spots[i].y + kShipAbove);
            world->rocket->body->SetEnabled(true);
            int rescued = 0;
            for (int step = 0; step < kSteps && rescued == 0; step++) {
                ASSERT_EQ(world->update(), 0);
                rescued = world->studentsRescued;
            }
            EXPECT_EQ(rescued, 1) << "mission " << m << " student " << i << ", ship at ("
                                  << spots[i].x << ", " << spots[i].y << ")";
            EXPECT_EQ(world->studentsKilled, 0) << m << " " << i;
            EXPECT_EQ(world->rocket->hull, g_hullLevel) << m << " " << i;
            delete world;
            world = nullptr;
        }
    }
}

TEST_F(LevelsInWorld, EveryCannonGetsAShotAwayAtAShipAboveIt) {
    const int kSteps = 202;     // a full fire cycle
    const float kAbove = 5.0f;  // m
    // Off the line straight up: a barrel pointing straight away from the ship gets no torque.
    const float kAside = 2.0f;        // m
    const float kFromMuzzle = 1.25f;  // m from the base: a ball just out of this barrel
    for (int m = 0; m < kLevelCount; m++) {
        load(m);
        std::vector<Cannon*> cannons(world->cannons.begin(), world->cannons.end());
        for (size_t i = 0; i < cannons.size(); i++) {
            b2Vec2 base = cannons[i]->body->GetPosition();
            b2Vec2 hover(base.x + kAside, base.y + kAbove);
            hoverGhost(hover.x, hover.y);
            bool fired = false;
            for (int step = 0; step < kSteps && !fired; step++) {
                stepHovering(1, hover);
                for (Shot* shot : world->shots) {
                    fired |= shot->type == CollisionCategory::CannonBall &&
                             (shot->body->GetPosition() - base).Length() < kFromMuzzle;
                }
            }
            EXPECT_TRUE(fired) << "mission " << m << " cannon " << i << " at (" << base.x << ", "
                               << base.y << ")";
            for (Shot* shot : world->shots) {
                shot->life = 0;  // clear the air for the next cannon
            }
            stepHovering(1, hover);
        }
        delete world;
        world = nullptr;
    }
}

}  // namespace
