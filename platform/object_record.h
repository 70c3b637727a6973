#pragma once

#include <cstdint>
#include <vector>

#include "platform/little_endian.h"

// One record of a level's objects file, as the game, its editor and the level tools read and
// write it: the kind, then the body position, four little-endian bytes each. The file is these
// records end to end, with nothing before or between them.
struct ObjectRecord {
    int32_t kind;  // 4 a student, 16 a cannon; a record of any other kind places nothing
    float x, y;    // metres
};

const int kObjectRecordSize = 12;  // bytes

inline void appendObjectRecord(std::vector<uint8_t>& out, const ObjectRecord& record) {
    uint8_t bytes[kObjectRecordSize];
    putUint32(bytes, static_cast<uint32_t>(record.kind));
    putUint32(bytes + 4, bitsOfFloat(record.x));
    putUint32(bytes + 8, bitsOfFloat(record.y));
    out.insert(out.end(), bytes, bytes + kObjectRecordSize);
}

// The record held by the kObjectRecordSize bytes at `bytes`.
inline ObjectRecord readObjectRecord(const uint8_t* bytes) {
    return {static_cast<int32_t>(getUint32(bytes)), floatFromBits(getUint32(bytes + 4)),
            floatFromBits(getUint32(bytes + 8))};
}
