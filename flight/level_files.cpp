#include <algorithm>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/minimap.h"
#include "flight/object_list.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/file_replace.h"
#include "platform/object_record.h"
#include "platform/outside_file.h"

// Map file: an 18-byte TGA header, then one 24-bit pixel per tile (blue, green, red), rows from
// the bottom. Red is the tile kind; blue and green only make the picture readable in a paint
// program. Objects file: 12-byte records of kind, x and y.

namespace {

const long kMapHeaderSize = 18;  // bytes
const int kBytesPerPixel = 3;
const int kObjectStudent = CollisionCategory::Student;  // the objects file uses the categories
const int kObjectCannon = CollisionCategory::Cannon;
const int kCoinsPerCannon = 5;

// The objects file is read in blocks of whole records, about 64 KiB each.
const int kRecordsPerBlock = 5461;

// What one objects file lost to the placing rules, said in one line so that a designer sees it.
// A record of an unknown kind is skipped as the format means it to be, and is not counted, past
// the cap as anywhere else.
struct SkippedRecords {
    long tooFar = 0, tooCrowded = 0, pastCap = 0;

    void count(Placement placement, int kind) {
        tooFar += placement == Placement::TooFar;
        tooCrowded += placement == Placement::TooCrowded;
        pastCap +=
            placement == Placement::OverCap && (kind == kObjectStudent || kind == kObjectCannon);
    }

    void print(const char* path) const {
        const long total = tooFar + tooCrowded + pastCap;
        if (total == 0) {
            return;
        }
        std::cout << path << ": " << total << (total == 1 ? " RECORD" : " RECORDS") << " SKIPPED (";
        const char* separator = "";
        const std::pair<long, std::string> reasons[] = {
            {tooFar, "TOO FAR OUT"},
            {tooCrowded, "TOO CROWDED"},
            {pastCap, "PAST THE " + std::to_string(kMaxLevelObjects) + " OBJECTS"}};
        for (const auto& reason : reasons) {
            if (reason.first > 0) {
                std::cout << separator << reason.first << " " << reason.second;
                separator = ", ";
            }
        }
        std::cout << ")" << std::endl;
    }
};

// Makes the record's student or cannon when the placing rules let it in, and counts it if not.
void placeRecord(World& world, const ObjectRecord& record, PlacedObjects& placed,
                 SkippedRecords& skipped) {
    const Placement placement = placed.place(record.kind, record.x, record.y);
    if (placement != Placement::Fits) {
        skipped.count(placement, record.kind);
    } else if (record.kind == kObjectStudent) {
        world.students.push_back(new Student(record.x, record.y, &world, world.studentSheet));
        world.studentsTotal += 1;
    } else {
        world.cannons.push_back(
            new Cannon(record.x, record.y, &world, world.cannonSheet, world.gunTexture));
        world.coinsTotal += kCoinsPerCannon;
    }
}

// Hands `use` every whole record of the file, up to its size when opened; a short last one is
// no record. A hole reads as records of kind 0, which place nothing, so it is stepped over:
// a file may be far larger than what it holds on disk. Data begins and ends on the file
// system's blocks, maybe inside a record, and a record it reaches into is read whole.
template <class Use>
void readRecords(OutsideFile& file, Use use) {
    std::vector<uint8_t> block(static_cast<size_t>(kRecordsPerBlock) * kObjectRecordSize);
    const off_t end = file.size() / kObjectRecordSize * kObjectRecordSize;
    off_t at = 0;  // always where a record begins
    while (at < end) {
        const OutsideFile::Stretch data = file.dataFrom(at);
        if (data.begin >= end) {
            return;
        }
        at += (data.begin - at) / kObjectRecordSize * kObjectRecordSize;
        const off_t records =
            std::max<off_t>(1, (data.end - at + kObjectRecordSize - 1) / kObjectRecordSize);
        const off_t stop = std::min(end, at + records * kObjectRecordSize);
        while (at < stop) {
            const size_t wanted = static_cast<size_t>(std::min<off_t>(block.size(), stop - at));
            const long got = file.readAt(at, block.data(), wanted);
            for (long offset = 0; offset + kObjectRecordSize <= got; offset += kObjectRecordSize) {
                use(readObjectRecord(&block[offset]));
            }
            if (got < static_cast<long>(wanted)) {  // cut short since it was opened
                return;
            }
            at += got;
        }
    }
}

}  // namespace

void World::loadMap(const char* path) {
    // No file, or something that is not a plain file: the empty map.
    OutsideFile file(path);
    if (!file.isOpen()) {
        clearMap();
        return;
    }

    // The tiles. The header is not read: the map's size is the World's. A file too short for
    // its map leaves the missing tiles Empty.
    int count = width * height;
    uint8_t header[kMapHeaderSize];
    std::vector<uint8_t> pixels(static_cast<size_t>(count) * kBytesPerPixel);
    long got = 0;
    if (file.read(header, sizeof header) == static_cast<long>(sizeof header)) {
        got = std::max(file.read(pixels.data(), pixels.size()), 0L);
    }
    for (int i = 0; i < count; i++) {
        long red = static_cast<long>(i) * kBytesPerPixel + 2;
        tiles[i] = red < got ? pixels[red] : static_cast<int32_t>(Empty);
        tileBodies[i] = nullptr;
        tileDirty[i] = 0;
    }

    // Terrain bodies about the camera, and the minimap of the new grid.
    updateTileBodies();
    delete minimap;
    minimap = new Minimap(this, kMinimapSize, kMinimapSize);
}

void World::loadObjects(const char* path) {
    // Replace what was placed before, counters and all.
    removeAllObjects(cannons);
    removeAllObjects(students);
    studentsRescued = studentsTotal = studentsKilled = 0;
    coinsCollected = coinsTotal = 0;

    // Every record the file holds, placed as the rules allow; then the line of what was lost.
    OutsideFile file(path);
    if (!file.isOpen()) {
        return;
    }
    PlacedObjects placed;
    SkippedRecords skipped;
    readRecords(file,
                [&](const ObjectRecord& record) { placeRecord(*this, record, placed, skipped); });
    skipped.print(path);
}

// Both files are built whole and replace the old ones at once: the saved level is the
// designer's only copy, and a crash half way must leave the old level or the new one.
bool World::saveMap(const char* path) {
    uint8_t header[kMapHeaderSize] = {0, 0, 2};  // uncompressed true-colour
    header[12] = static_cast<uint8_t>(width);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 24;  // bits per pixel

    int count = width * height;
    std::vector<uint8_t> bytes(header, header + kMapHeaderSize);
    bytes.resize(kMapHeaderSize + static_cast<size_t>(count) * kBytesPerPixel);
    uint8_t* pixels = bytes.data() + kMapHeaderSize;
    for (int i = 0; i < count; i++) {
        int32_t kind = tiles[i];
        pixels[i * kBytesPerPixel] = static_cast<uint8_t>((kind * 30) % 255);      // blue
        pixels[i * kBytesPerPixel + 1] = static_cast<uint8_t>((kind * 60) % 255);  // green
        pixels[i * kBytesPerPixel + 2] = static_cast<uint8_t>(kind);               // red
    }
    return replaceFile(path, bytes.data(), bytes.size());
}

bool World::saveObjects(const char* path) {
    std::vector<uint8_t> bytes;
    bytes.reserve((cannons.size() + students.size()) * kObjectRecordSize);
    for (Cannon* cannon : cannons) {
        const b2Vec2 p = cannon->body->GetPosition();
        appendObjectRecord(bytes, {kObjectCannon, p.x, p.y});
    }
    for (Student* student : students) {
        const b2Vec2 p = student->body->GetPosition();
        appendObjectRecord(bytes, {kObjectStudent, p.x, p.y});
    }
    return replaceFile(path, bytes.data(), bytes.size());
}
