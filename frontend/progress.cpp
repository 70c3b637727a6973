#include "frontend/progress.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "campaign/campaign_state.h"

namespace {

const int kSavedMissions = 5;                      // missions 0 to 4 are kept
const int kValueBytes = 4;                         // one signed 32-bit integer
const int kValueCount = 2 * kSavedMissions;        // best students and best credits of each
const int kFileBytes = kValueCount * kValueBytes;  // 40

// Value i of the file, in file order: mission i / 2, students first.
int* valueAt(int i) {
    int mission = i / 2;
    return i % 2 == 0 ? &g_bestStudents[mission] : &g_bestCredits[mission];
}

void encode(int value, unsigned char* bytes) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int b = 0; b < kValueBytes; b++) {
        bytes[b] = static_cast<unsigned char>(bits >> (8 * b));
    }
}

int decode(const unsigned char* bytes) {
    uint32_t bits = 0;
    for (int b = 0; b < kValueBytes; b++) {
        bits |= static_cast<uint32_t>(bytes[b]) << (8 * b);
    }
    return static_cast<int>(static_cast<int32_t>(bits));
}

// Writes the bytes to a new file, flushed to the disk. On any failure the file is removed again.
bool writeWhole(const std::string& path, const unsigned char* bytes, size_t count) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool written = std::fwrite(bytes, 1, count, file) == count;
    written = written && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    if (std::fclose(file) != 0 || !written) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

// The new content goes to a file beside the old one and is renamed over it only once complete,
// so a crash or a full disk in the middle of a save never leaves a cut or empty file.
void saveProgress(const char* path) {
    // A progress file the player made read-only stays as it is.
    if (access(path, F_OK) == 0 && access(path, W_OK) != 0) {
        return;
    }
    unsigned char bytes[kFileBytes];
    for (int i = 0; i < kValueCount; i++) {
        encode(*valueAt(i), bytes + i * kValueBytes);
    }
    std::string temporary = std::string(path) + ".tmp";
    if (writeWhole(temporary, bytes, kFileBytes) && std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
    }
}

void loadProgress(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        return;
    }
    unsigned char bytes[kFileBytes];
    size_t count = std::fread(bytes, 1, kFileBytes, file);
    std::fclose(file);
    // A value cut by the end of the file is left as it was, like those after it.
    for (int i = 0; i < kValueCount && (i + 1) * kValueBytes <= static_cast<int>(count); i++) {
        *valueAt(i) = decode(bytes + i * kValueBytes);
    }
}
