#include "platform/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/file_attributes.h"

namespace {

const int kMaxLinkHops = 40;       // as the kernel's own limit on a chain of symbolic links
const mode_t kNewFileMode = 0666;  // what fopen gives a new file, before the umask

// A temporary is named <file>.saving-XXXXXX, a pattern no player names a file by, so clearing
// strays never takes a player's own savegame.backup.
const char kTemporaryMark[] = ".saving-";
const size_t kRandomLetters = 6;  // as mkostemp's XXXXXX
const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
const int kNameTries = 100;  // names taken already, or lost to another save before their lock

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at (it may not exist yet); empty for a loop, or for a
// chain longer than the kernel itself would read through.
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; hop++) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        if (hop == kMaxLinkHops) {
            break;
        }
        std::vector<char> target(info.st_size > 0 ? info.st_size + 1 : PATH_MAX);
        ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size()) {
            return std::string();
        }
        std::string next(target.data(), static_cast<size_t>(length));
        bool relative = next[0] != '/' && current.find('/') != std::string::npos;
        current = relative ? folderOf(current) + "/" + next : next;
    }
    return std::string();
}

bool writeAll(int fd, const unsigned char* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = pwrite(fd, bytes + done, count - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Overwrites the existing file and then shortens it, so its inode, links, mode and owner stay.
// Opened without waiting, in case a pipe took the file's place since it was looked at.
bool writeInPlace(const std::string& path, const unsigned char* bytes, size_t count) {
    int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    bool written = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && writeAll(fd, bytes, count) &&
                   ftruncate(fd, static_cast<off_t>(count)) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && written;
}

mode_t newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return kNewFileMode & ~mask;
}

// The temporary takes the old file's owner and mode (a new file's mode from the umask).
bool takeOwnerAndMode(int fd, const struct stat* old) {
    if (!old) {
        return fchmod(fd, newFileMode()) == 0;
    }
    struct stat made;
    if (fstat(fd, &made) != 0) {
        return false;
    }
    if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
        fchown(fd, old->st_uid, old->st_gid) != 0) {
        return false;
    }
    return fchmod(fd, old->st_mode & 07777) == 0;
}

void flushFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool isTemporaryName(const std::string& name, const std::string& fileName) {
    const std::string start = fileName + kTemporaryMark;
    if (name.size() != start.size() + kRandomLetters || name.compare(0, start.size(), start) != 0) {
        return false;
    }
    return name.find_first_not_of(kLetters, start.size()) == std::string::npos;
}

// True while `name` is still the file open as `fd`, not gone or another file by now.
bool stillNamed(int fd, const std::string& name) {
    struct stat opened, named;
    return fstat(fd, &opened) == 0 && lstat(name.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Removes a temporary unless a running save holds it. Opened so that nothing can hold this
// save up or lead it elsewhere: only a plain file of that very name is removed, and never one
// that is also another file's name. A save killed after taking its old file's mode leaves a
// temporary of that mode, 0200 say, which only opens for writing; opening it so changes nothing
// in it (no O_TRUNC), and the flock works alike.
void removeIfStray(const std::string& name) {
    const int flags = O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int fd = open(name.c_str(), O_RDONLY | flags);
    if (fd < 0 && errno == EACCES) {
        fd = open(name.c_str(), O_WRONLY | flags);
    }
    if (fd < 0) {
        return;
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, name)) {
        unlink(name.c_str());
    }
    close(fd);
}

// A save killed before its rename leaves its temporary; clearing them here keeps them from
// piling up over the years.
void removeStrayTemporaries(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string fileName = fileNameOf(target);
    DIR* listing = opendir(folder.c_str());
    if (!listing) {
        return;
    }
    std::vector<std::string> strays;
    while (const struct dirent* entry = readdir(listing)) {
        if (isTemporaryName(entry->d_name, fileName)) {
            strays.push_back(folder + "/" + entry->d_name);
        }
    }
    closedir(listing);
    for (const std::string& stray : strays) {
        removeIfStray(stray);
    }
}

// Where the filesystem has no locks, no save's clearing can take the file either.
void holdLock(int fd) {
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

std::string randomLetters() {
    unsigned char noise[kRandomLetters] = {};
    if (getrandom(noise, sizeof noise, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof noise)) {
        // No kernel randomness yet: the clock and the process still tell tries and games apart.
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        uint64_t mix = static_cast<uint64_t>(now.tv_nsec) ^ static_cast<uint64_t>(getpid()) << 30;
        for (unsigned char& byte : noise) {
            byte = static_cast<unsigned char>(mix);
            mix >>= 5;
        }
    }
    std::string letters;
    for (unsigned char byte : noise) {
        letters += kLetters[byte % (sizeof kLetters - 1)];
    }
    return letters;
}

// The file that takes the target's place, locked from its making to its end.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() { discard(); }

    bool make(const std::string& target) { return makeUnnamed(target) || makeNamed(target); }
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }
    bool fill(const unsigned char* bytes, size_t count) {
        return writeAll(fd_, bytes, count) && fsync(fd_) == 0;
    }
    bool giveName(const std::string& target);
    // The name is the target's now; only the descriptor and its lock go.
    void renamed() { name_.clear(); }
    void discard();

private:
    bool makeUnnamed(const std::string& target);
    bool makeNamed(const std::string& target);
    std::string descriptorPath() const { return "/proc/self/fd/" + std::to_string(fd_); }

    int fd_ = -1;
    std::string name_;  // empty while it has none
};

// A save killed while its file has no name leaves nothing behind. Naming it later goes through
// /proc, so without /proc the named kind is used instead.
bool Temporary::makeUnnamed(const std::string& target) {
    fd_ = open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0 || access(descriptorPath().c_str(), F_OK) != 0) {
        discard();
        return false;
    }
    holdLock(fd_);
    return true;
}

// Another save's clearing may remove the new name before it is locked; it is then no longer
// ours, and a new one is made.
bool Temporary::makeNamed(const std::string& target) {
    for (int attempt = 0; attempt < kNameTries; attempt++) {
        std::string name = target + kTemporaryMark + std::string(kRandomLetters, 'X');
        // O_EXCL refuses any name that exists, links included, so nothing planted is written
        // through.
        int fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        holdLock(fd);
        if (stillNamed(fd, name)) {
            fd_ = fd;
            name_ = name;
            return true;
        }
        close(fd);
    }
    return false;
}

// linkat makes a new name only, never writing through one that exists.
bool Temporary::giveName(const std::string& target) {
    const std::string from = descriptorPath();
    for (int attempt = 0; name_.empty() && attempt < kNameTries; attempt++) {
        std::string name = target + kTemporaryMark + randomLetters();
        if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name_ = name;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    return !name_.empty();
}

void Temporary::discard() {
    if (!name_.empty()) {
        unlink(name_.c_str());
        name_.clear();
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

// A rename that cannot put a new file in the old one's place, though the old file may still
// take new bytes: a file mounted there (EBUSY), on another filesystem than its folder (EXDEV),
// or in a folder that keeps its files from being replaced (EPERM, EACCES).
bool nameIsFixed(int error) {
    return error == EBUSY || error == EXDEV || error == EPERM || error == EACCES;
}

}  // namespace

bool replaceFile(const char* path, const unsigned char* bytes, size_t count,
                 RenameFunction renameFile) {
    const std::string target = followLinks(path);
    if (target.empty()) {
        return false;
    }
    struct stat old;
    const bool exists = lstat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || access(target.c_str(), W_OK) != 0)) {
        return false;
    }
    removeStrayTemporaries(target);
    // Renaming over a hard link would split it from the others.
    if (exists && old.st_nlink > 1) {
        return writeInPlace(target, bytes, count);
    }

    Temporary temporary;
    if (!temporary.make(target) || !takeOwnerAndMode(temporary.fd(), exists ? &old : nullptr) ||
        (exists && !copyAttributes(target, temporary.fd()))) {
        // A folder that takes no new file, or an owner or attribute only the old file can have,
        // may still leave the file itself writable.
        temporary.discard();
        return exists && writeInPlace(target, bytes, count);
    }
    if (!temporary.fill(bytes, count) || !temporary.giveName(target)) {
        return false;
    }
    if (renameFile(temporary.name().c_str(), target.c_str()) != 0) {
        const bool inPlace = exists && nameIsFixed(errno);
        temporary.discard();
        return inPlace && writeInPlace(target, bytes, count);
    }
    temporary.renamed();
    flushFolder(folderOf(target));
    return true;
}
