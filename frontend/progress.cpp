#include "frontend/progress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
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

// Paths whose file was there but loadProgress could not read it: saving over one would replace
// progress that CONTINUE GAME promised to carry on and never saw.
std::set<std::string>& unreadableFiles() {
    static std::set<std::string> paths;
    return paths;
}

enum class Found { Nothing, PlainFile, Unreadable, NotAFile };

// What stands at the path; for a plain file, *fd is then open to read it. Opened without
// waiting: a pipe or a device there would hold the game up on its open or its first read.
Found openProgress(const char* path, int* fd) {
    *fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (*fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return Found::Nothing;
        }
        return errno == ENXIO ? Found::NotAFile : Found::Unreadable;  // ENXIO: a socket
    }
    struct stat info;
    Found found = fstat(*fd, &info) != 0  ? Found::Unreadable
                  : S_ISREG(info.st_mode) ? Found::PlainFile
                                          : Found::NotAFile;
    if (found != Found::PlainFile) {
        close(*fd);
        *fd = -1;
    }
    return found;
}

// Reads up to `count` bytes into `bytes`, setting *got; false on a read error.
bool readUpTo(int fd, unsigned char* bytes, size_t count, size_t* got) {
    *got = 0;
    while (*got < count) {
        ssize_t n = read(fd, bytes + *got, count - *got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        *got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void saveProgress(const char* path) {
    // Only a run that loaded the file, and could not read it, holds off: a new game rewrites the
    // file whatever it held, and replaceFile leaves anything but a plain file alone.
    if (unreadableFiles().count(path) != 0) {
        return;
    }
    unsigned char bytes[kFileBytes];
    for (int i = 0; i < kValueCount; i++) {
        encode(*valueAt(i), bytes + i * kValueBytes);
    }
    replaceFile(path, bytes, kFileBytes);
}

void loadProgress(const char* path) {
    int fd = -1;
    Found found = openProgress(path, &fd);
    if (found == Found::Unreadable) {
        unreadableFiles().insert(path);
    }
    if (found != Found::PlainFile) {
        return;
    }
    unsigned char bytes[kFileBytes];
    size_t count = 0;
    if (!readUpTo(fd, bytes, kFileBytes, &count)) {
        unreadableFiles().insert(path);
    }
    close(fd);
    // A value cut by the end of the file is left as it was, like those after it.
    for (int i = 0; i < kValueCount && (i + 1) * kValueBytes <= static_cast<int>(count); i++) {
        *valueAt(i) = decode(bytes + i * kValueBytes);
    }
}
