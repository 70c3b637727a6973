#include "frontend/progress.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <iostream>
#include <set>
#include <string>

#include "campaign/campaign_state.h"
#include "platform/file_replace.h"
#include "platform/little_endian.h"
#include "platform/outside_file.h"

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

// Paths whose file was there but loadProgress could not read it: saving over one would replace
// progress that CONTINUE GAME promised to carry on and never saw.
std::set<std::string>& unreadableFiles() {
    static std::set<std::string> paths;
    return paths;
}

// Paths whose held-off save the player has been told about this run.
std::set<std::string>& toldHeldOff() {
    static std::set<std::string> paths;
    return paths;
}

// True while a save must wait. Whatever file the path leads to now may be the one that could
// not be read, so it is kept; once it leads to none, a link left dangling included, there is
// nothing left to keep, and the save makes a new file where the path points.
bool holdsOff(const char* path) {
    if (unreadableFiles().count(path) == 0) {
        return false;
    }
    struct stat info;
    if (stat(path, &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        unreadableFiles().erase(path);
        return false;
    }
    if (toldHeldOff().insert(path).second) {
        std::cout << "PROGRESS NOT SAVED: " << path << " COULD NOT BE READ" << std::endl;
    }
    return true;
}

}  // namespace

void saveProgress(const char* path) {
    // Only a run that loaded the file, and could not read it, holds off: a new game rewrites the
    // file whatever it held, and replaceFile leaves anything but a plain file alone.
    if (holdsOff(path)) {
        return;
    }
    unsigned char bytes[kFileBytes];
    for (int i = 0; i < kValueCount; i++) {
        putUint32(bytes + i * kValueBytes, static_cast<uint32_t>(*valueAt(i)));
    }
    replaceFile(path, bytes, kFileBytes);
}

void loadProgress(const char* path) {
    OutsideFile file(path);
    if (file.unreadable()) {
        unreadableFiles().insert(path);
    }
    if (!file.isOpen()) {
        return;
    }
    unsigned char bytes[kFileBytes];
    long count = file.read(bytes, kFileBytes);
    if (count < 0) {
        unreadableFiles().insert(path);
        count = 0;
    }
    // A value cut by the end of the file is left as it was, like those after it.
    for (int i = 0; i < kValueCount && (i + 1) * kValueBytes <= count; i++) {
        *valueAt(i) = static_cast<int32_t>(getUint32(bytes + i * kValueBytes));
    }
}
