#include "tools/levels/checker.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "flight/collision_category.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/tile_kind.h"
#include "platform/object_record.h"
#include "tools/levels/missions.h"
#include "tools/levels/reach.h"

namespace {

using levelgen::kShipSquare;
using levelgen::Reach;
using levelgen::Tiles;

const size_t kMapHeaderSize = 18;  // bytes
const int kListedPerKind = 4;      // bad pixels reported one by one before a summary

const float kStudentAboveGround = 0.375f;  // m: the kite's tip stands on the ground
const float kGroundTolerance = 0.01f;      // m
const float kLandingReach = 9.0f;          // m: a landed ship farther off is not seen
const float kLandingGap = 2.0f;            // m: nearer, the ship would land on the student
const int kPadHalfWidth = 2;               // tiles either side of the start column
const float kCannonFromStart = 12.0f;      // m
const float kCannonFromStudent = 6.0f;     // m, in the first two missions
const float kCannonSpacing = 1.5f;         // m between two cannons' centres
const float kCannonReach = 4.0f;           // m: the ship must get this close to take its coins
const float kMuzzleDistance = 1.0f;        // m from the base's centre
const int kMuzzleSamples = 32;             // barrel directions tried
const int kCannonEasyMissions = 2;         // missions whose cannons keep off the students

struct Problems {
    std::vector<std::string> lines;
    void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        lines.push_back(text);
    }
};

bool readHeader(const std::vector<uint8_t>& file, const MissionLayout& layout, Problems& out) {
    size_t size = static_cast<size_t>(layout.size);
    size_t expected = kMapHeaderSize + 3 * size * size;
    if (file.size() != expected) {
        out.add("map file has %zu bytes, not %zu", file.size(), expected);
        return false;
    }
    const uint8_t header[kMapHeaderSize] = {0,
                                            0,
                                            2,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            static_cast<uint8_t>(size & 255),
                                            static_cast<uint8_t>(size >> 8),
                                            static_cast<uint8_t>(size & 255),
                                            static_cast<uint8_t>(size >> 8),
                                            24,
                                            0};
    for (size_t i = 0; i < kMapHeaderSize; i++) {
        if (file[i] != header[i]) {
            out.add("map header byte %zu is %d, not %d", i, file[i], header[i]);
        }
    }
    return true;
}

Tiles readTiles(const std::vector<uint8_t>& file, int size, Problems& out) {
    Tiles tiles;
    tiles.width = tiles.height = size;
    int badKinds = 0, badColours = 0;
    for (int i = 0; i < size * size; i++) {
        const uint8_t* pixel = &file[kMapHeaderSize + 3 * i];
        int kind = pixel[2];
        tiles.kinds.push_back(kind);
        if (kind > Solid && badKinds++ < kListedPerKind) {
            out.add("tile (%d, %d) has kind %d", i % size, i / size, kind);
        }
        if ((pixel[0] != kind * 30 % 255 || pixel[1] != kind * 60 % 255) &&
            badColours++ < kListedPerKind) {
            out.add("tile (%d, %d) of kind %d has blue %d and green %d", i % size, i / size, kind,
                    pixel[0], pixel[1]);
        }
    }
    if (badKinds > kListedPerKind) {
        out.add("%d tiles in all have an unknown kind", badKinds);
    }
    if (badColours > kListedPerKind) {
        out.add("%d tiles in all have wrong blue or green bytes", badColours);
    }
    return tiles;
}

std::vector<ObjectRecord> readObjects(const std::vector<uint8_t>& file, int size, Problems& out) {
    std::vector<ObjectRecord> objects;
    PlacedObjects placed;
    if (file.size() % kObjectRecordSize != 0) {
        out.add("objects file has %zu bytes, not a whole number of records", file.size());
    }
    // The game's own placing rules: what they turn away, the loader skips. An object off the map
    // still loads, but no shipped level should leave one there.
    for (size_t at = 0; at + kObjectRecordSize <= file.size(); at += kObjectRecordSize) {
        const ObjectRecord record = readObjectRecord(&file[at]);
        const int32_t kind = record.kind;
        const float x = record.x, y = record.y;
        int index = static_cast<int>(at / kObjectRecordSize);
        switch (placed.place(kind, x, y)) {
            case Placement::Fits:
                if (x < 0 || x > size || y < 0 || y > size) {
                    out.add("record %d lies outside the map at (%g, %g)", index, x, y);
                }
                objects.push_back(record);
                break;
            case Placement::UnknownKind:
                out.add("record %d has kind %d", index, kind);
                break;
            case Placement::TooFar:
                out.add("record %d at (%g, %g) lies too far out for the game to load", index, x, y);
                break;
            case Placement::TooCrowded:
                out.add(
                    "record %d at (%g, %g) would make more than %d overlapping pairs of "
                    "students",
                    index, x, y, kMaxStudentOverlaps);
                break;
            case Placement::OverCap:
                out.add("record %d and those after it lie past the %d objects a level may hold",
                        index, kMaxLevelObjects);
                return objects;
        }
    }
    return objects;
}

void checkStart(const Tiles& tiles, const MissionLayout& layout, const Reach& open, Problems& out) {
    int x = layout.size / 2, y = layout.startHeight;
    if (!tiles.freeBox(x - 1, y - 1, x + 1, y + 1)) {
        out.add("the start (%d, %d) is not in open air", x, y);
        return;
    }
    int pad = layout.padTop - 1;
    for (int px = x - kPadHalfWidth; px <= x + kPadHalfWidth; px++) {
        if (tiles.at(px, pad) != Solid) {
            out.add("the pad under the start has no Solid tile at (%d, %d)", px, pad);
        }
    }
    if (!tiles.freeBox(x - kPadHalfWidth, layout.padTop, x + kPadHalfWidth, y)) {
        out.add("rock lies between the start and its pad");
    }
    if (!open.reachedAbove(orbitLine(layout))) {
        out.add("no open way from the start up to the orbit line %d", orbitLine(layout));
    }
}

// The student walks to a landed ship only over flat Solid ground, so the ship must land on the
// student's own stretch of floor, within sight, with room for its hull above.
LandingSpot findLandingSpot(const Tiles& tiles, const Reach& reach, const ObjectRecord& student) {
    int cx = static_cast<int>(student.x + 0.5f), cy = static_cast<int>(student.y + 0.5f);
    auto walkable = [&](int x) { return tiles.at(x, cy - 1) == Solid && !tiles.solid(x, cy); };
    int left = cx - 1, right = cx;
    while (walkable(left - 1)) {
        left--;
    }
    while (walkable(right + 1)) {
        right++;
    }
    LandingSpot best;
    for (int x = left; x + kShipSquare - 1 <= right; x++) {
        float centre = static_cast<float>(x + 1);
        float distance = std::fabs(centre - student.x);
        if (distance < kLandingGap || distance > kLandingReach || !reach.reached(x, cy) ||
            (best.found && distance >= std::fabs(best.x - student.x))) {
            continue;
        }
        best.found = true;
        best.x = centre;
        best.y = static_cast<float>(cy);
    }
    return best;
}

LandingSpot checkStudent(const Tiles& tiles, const MissionLayout& layout, const Reach& reach,
                         const ObjectRecord& student, int index, Problems& out) {
    // As the walking test sees it: the two tiles under the student Solid, the two beside it not.
    int cx = static_cast<int>(student.x + 0.5f), cy = static_cast<int>(student.y + 0.5f);
    if (tiles.at(cx - 1, cy - 1) != Solid || tiles.at(cx, cy - 1) != Solid) {
        out.add("student %d at (%g, %g) does not stand on Solid ground", index, student.x,
                student.y);
        return {};
    }
    if (tiles.solid(cx - 1, cy) || tiles.solid(cx, cy) || tiles.solid(cx - 1, cy + 1) ||
        tiles.solid(cx, cy + 1)) {
        out.add("student %d at (%g, %g) is buried in rock", index, student.x, student.y);
        return {};
    }
    if (std::fabs(student.y - kStudentAboveGround - cy) > kGroundTolerance) {
        out.add("student %d at (%g, %g) does not stand on the ground at y = %d", index, student.x,
                student.y, cy);
    }
    if (layout.waterLevel > 0 && cy < layout.waterLevel + 1) {
        out.add("student %d at (%g, %g) is under water, where the ship cannot settle", index,
                student.x, student.y);
    }
    LandingSpot spot = findLandingSpot(tiles, reach, student);
    if (!spot.found) {
        out.add("student %d at (%g, %g) has no reachable landing spot beside it", index, student.x,
                student.y);
    }
    return spot;
}

void checkCannon(const Tiles& tiles, const MissionLayout& layout, const Reach& reach,
                 const ObjectRecord& cannon, int index, Problems& out) {
    int x = static_cast<int>(cannon.x), y = static_cast<int>(cannon.y);
    if (tiles.solid(x, y)) {
        out.add("cannon %d at (%g, %g) is buried", index, cannon.x, cannon.y);
        return;
    }
    if (!tiles.solid(x, static_cast<int>(cannon.y - 1))) {
        out.add("cannon %d at (%g, %g) does not sit on the ground", index, cannon.x, cannon.y);
    }
    int buried = 0;
    for (int i = 0; i < kMuzzleSamples; i++) {
        double angle = 2 * M_PI * i / kMuzzleSamples;
        double mx = cannon.x + kMuzzleDistance * std::cos(angle);
        double my = cannon.y + kMuzzleDistance * std::sin(angle);
        buried += tiles.at(static_cast<int>(mx), static_cast<int>(my)) == Solid;
    }
    if (2 * buried > kMuzzleSamples) {
        out.add("cannon %d at (%g, %g) has its muzzle in rock most of the way round", index,
                cannon.x, cannon.y);
    }
    float startX = static_cast<float>(layout.size / 2), startY = layout.startHeight;
    if (std::hypot(cannon.x - startX, cannon.y - startY) < kCannonFromStart) {
        out.add("cannon %d at (%g, %g) is too near the start", index, cannon.x, cannon.y);
    }
    if (!reach.reachedNear(cannon.x, cannon.y, kCannonReach)) {
        out.add("cannon %d at (%g, %g) is out of the ship's reach", index, cannon.x, cannon.y);
    }
}

}  // namespace

std::vector<std::string> checkLevel(int mission, const std::vector<uint8_t>& mapFile,
                                    const std::vector<uint8_t>& objectsFile) {
    Problems out;
    if (mission < 0 || mission >= kLevelCount) {
        out.add("there is no mission %d", mission);
        return out.lines;
    }
    const MissionLayout& layout = kMissionLayouts[mission];
    if (!readHeader(mapFile, layout, out)) {
        return out.lines;
    }
    Tiles tiles = readTiles(mapFile, layout.size, out);
    std::vector<ObjectRecord> objects = readObjects(objectsFile, layout.size, out);

    int startX = layout.size / 2 - 1, startY = layout.startHeight - 1;
    Reach open(tiles, false, startX, startY);
    Reach laser(tiles, true, startX, startY);
    checkStart(tiles, layout, open, out);

    std::vector<ObjectRecord> students, cannons;
    std::vector<LandingSpot> spots;
    for (const ObjectRecord& object : objects) {
        if (object.kind == CollisionCategory::Student) {
            int index = static_cast<int>(students.size());
            spots.push_back(checkStudent(tiles, layout, laser, object, index, out));
            students.push_back(object);
        } else {
            checkCannon(tiles, layout, laser, object, static_cast<int>(cannons.size()), out);
            cannons.push_back(object);
        }
    }
    if (static_cast<int>(students.size()) != layout.students) {
        out.add("%zu students, not %d", students.size(), layout.students);
    }
    if (static_cast<int>(cannons.size()) != layout.cannons) {
        out.add("%zu cannons, not %d", cannons.size(), layout.cannons);
    }
    for (size_t i = 0; i < cannons.size(); i++) {
        for (size_t j = i + 1; j < cannons.size(); j++) {
            if (std::hypot(cannons[i].x - cannons[j].x, cannons[i].y - cannons[j].y) <
                kCannonSpacing) {
                out.add("cannons %zu and %zu overlap", i, j);
            }
        }
        for (size_t s = 0; s < students.size() && mission < kCannonEasyMissions; s++) {
            float toStudent =
                std::hypot(cannons[i].x - students[s].x, cannons[i].y - students[s].y);
            float toSpot = spots[s].found
                               ? std::hypot(cannons[i].x - spots[s].x, cannons[i].y - spots[s].y)
                               : toStudent;
            if (std::fmin(toStudent, toSpot) < kCannonFromStudent) {
                out.add("cannon %zu camps on student %zu's landing spot", i, s);
            }
        }
    }
    return out.lines;
}

std::vector<LandingSpot> findLandingSpots(int mission, const std::vector<uint8_t>& mapFile,
                                          const std::vector<uint8_t>& objectsFile) {
    std::vector<LandingSpot> spots;
    Problems ignored;
    if (mission < 0 || mission >= kLevelCount ||
        !readHeader(mapFile, kMissionLayouts[mission], ignored)) {
        return spots;
    }
    const MissionLayout& layout = kMissionLayouts[mission];
    Tiles tiles = readTiles(mapFile, layout.size, ignored);
    Reach laser(tiles, true, layout.size / 2 - 1, layout.startHeight - 1);
    for (const ObjectRecord& object : readObjects(objectsFile, layout.size, ignored)) {
        if (object.kind == CollisionCategory::Student) {
            spots.push_back(findLandingSpot(tiles, laser, object));
        }
    }
    return spots;
}

std::vector<std::string> checkLevelFiles(int mission, const std::string& mapPath,
                                         const std::string& objectsPath) {
    std::ifstream map(mapPath, std::ios::binary), objects(objectsPath, std::ios::binary);
    if (!map || !objects) {
        return {"cannot read " + (map ? objectsPath : mapPath)};
    }
    std::vector<uint8_t> mapBytes(std::istreambuf_iterator<char>(map), {});
    std::vector<uint8_t> objectBytes(std::istreambuf_iterator<char>(objects), {});
    return checkLevel(mission, mapBytes, objectBytes);
}
