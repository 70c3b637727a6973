#include <cstdio>
#include <cstring>
#include <vector>

#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/minimap.h"
#include "flight/object_list.h"
#include "flight/placement.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/file_replace.h"

// Map file: an 18-byte TGA header, then one 24-bit pixel per tile (blue, green, red), rows from
// the bottom. Red is the tile kind; blue and green only make the picture readable in a paint
// program. Objects file: 12-byte records of kind, x and y.

namespace {

const long kMapHeaderSize = 18;  // bytes
const int kBytesPerPixel = 3;
const int kObjectRecordSize = 12;                       // bytes
const int kObjectStudent = CollisionCategory::Student;  // the objects file uses the categories
const int kObjectCannon = CollisionCategory::Cannon;
const int kCoinsPerCannon = 5;

void putUint32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; i++) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t getUint32(const uint8_t* in) {
    return in[0] | in[1] << 8 | in[2] << 16 | static_cast<uint32_t>(in[3]) << 24;
}

float floatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t bitsOfFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void appendObjectRecord(std::vector<uint8_t>& out, int kind, b2Vec2 position) {
    uint8_t record[kObjectRecordSize];
    putUint32(record, static_cast<uint32_t>(kind));
    putUint32(record + 4, bitsOfFloat(position.x));
    putUint32(record + 8, bitsOfFloat(position.y));
    out.insert(out.end(), record, record + sizeof record);
}

}  // namespace

void World::loadMap(const char* path) {
    // 1, 2. No file: the empty map.
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        clearMap();
        return;
    }

    // 3, 4. The header is not read: the map's size is the World's. A file too short for its map
    //       leaves the missing tiles Empty.
    int count = width * height;
    std::vector<uint8_t> pixels(static_cast<size_t>(count) * kBytesPerPixel);
    size_t got = 0;
    if (std::fseek(file, kMapHeaderSize, SEEK_SET) == 0) {
        got = std::fread(pixels.data(), 1, pixels.size(), file);
    }
    std::fclose(file);
    for (int i = 0; i < count; i++) {
        size_t red = static_cast<size_t>(i) * kBytesPerPixel + 2;
        tiles[i] = red < got ? pixels[red] : static_cast<int32_t>(Empty);
        tileBodies[i] = nullptr;
        tileDirty[i] = 0;
    }

    // 5, 6.
    updateTileBodies();
    delete minimap;
    minimap = new Minimap(this, kMinimapSize, kMinimapSize);
}

void World::loadObjects(const char* path) {
    // 1, 2. Replace what was placed before.
    removeAllObjects(cannons);
    removeAllObjects(students);
    studentsRescued = studentsTotal = studentsKilled = 0;
    coinsCollected = coinsTotal = 0;

    // 3, 4. Records to the end of the file or the cap; a short last one is ignored, and so is
    //       one that the placing rules turn away (too far out, a pile of students too high).
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        return;
    }
    std::vector<PlacedObject> placed;
    uint8_t record[kObjectRecordSize];
    while (std::fread(record, 1, sizeof record, file) == sizeof record) {
        int32_t kind = static_cast<int32_t>(getUint32(record));
        float x = floatFromBits(getUint32(record + 4));
        float y = floatFromBits(getUint32(record + 8));
        const Placement placement = checkPlacement(kind, x, y, placed);
        if (placement == Placement::OverCap) {
            break;
        }
        if (placement != Placement::Fits) {
            continue;
        }
        placed.push_back({kind, x, y});
        if (kind == kObjectStudent) {
            students.push_back(new Student(x, y, this, studentSheet));
            studentsTotal += 1;
        } else if (kind == kObjectCannon) {
            cannons.push_back(new Cannon(x, y, this, cannonSheet, gunTexture));
            coinsTotal += kCoinsPerCannon;
        }
    }
    std::fclose(file);
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
        appendObjectRecord(bytes, kObjectCannon, cannon->body->GetPosition());
    }
    for (Student* student : students) {
        appendObjectRecord(bytes, kObjectStudent, student->body->GetPosition());
    }
    return replaceFile(path, bytes.data(), bytes.size());
}
