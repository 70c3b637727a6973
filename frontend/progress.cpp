#include "frontend/progress.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "campaign/campaign_state.h"
#include "frontend/file_replace.h"

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

// Paths whose file was there but could not be read this run: saving over one would replace
// progress the game never saw.
std::set<std::string>& unreadableFiles() {
    static std::set<std::string> paths;
    return paths;
}

// Missing is the normal state before the first results screen; anything else keeps the file.
bool existsUnreadable(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace

void saveProgress(const char* path) {
    if (unreadableFiles().count(path) != 0 || existsUnreadable(path)) {
        return;
    }
    unsigned char bytes[kFileBytes];
    for (int i = 0; i < kValueCount; i++) {
        encode(*valueAt(i), bytes + i * kValueBytes);
    }
    replaceFile(path, bytes, kFileBytes);
}

void loadProgress(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        if (errno != ENOENT && errno != ENOTDIR) {
            unreadableFiles().insert(path);
        }
        return;
    }
    unsigned char bytes[kFileBytes];
    size_t count = std::fread(bytes, 1, kFileBytes, file);
    if (std::ferror(file)) {
        unreadableFiles().insert(path);
    }
    std::fclose(file);
    // A value cut by the end of the file is left as it was, like those after it.
    for (int i = 0; i < kValueCount && (i + 1) * kValueBytes <= static_cast<int>(count); i++) {
        *valueAt(i) = decode(bytes + i * kValueBytes);
    }
}
