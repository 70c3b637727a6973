#include "frontend/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kMaxLinkHops = 40;       // as the kernel's own limit on a chain of symbolic links
const mode_t kNewFileMode = 0666;  // what fopen gives a new file, before the umask

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (it may not exist yet); empty for a loop.
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; hop++) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
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
bool writeInPlace(const std::string& path, const unsigned char* bytes, size_t count) {
    int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool written = writeAll(fd, bytes, count) && ftruncate(fd, static_cast<off_t>(count)) == 0 &&
                   fsync(fd) == 0;
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

}  // namespace

bool replaceFile(const char* path, const unsigned char* bytes, size_t count) {
    const std::string target = followLinks(path);
    if (target.empty()) {
        return false;
    }
    struct stat old;
    const bool exists = lstat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || access(target.c_str(), W_OK) != 0)) {
        return false;
    }
    // Renaming over a hard link would split it from the others.
    if (exists && old.st_nlink > 1) {
        return writeInPlace(target, bytes, count);
    }

    // O_EXCL refuses any name that exists, links included, so nothing planted is written through.
    std::string temporary = target + ".XXXXXX";
    int fd = mkostemp(&temporary[0], O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A folder that takes no new file may still hold a writable file.
        return exists && writeInPlace(target, bytes, count);
    }
    if (!takeOwnerAndMode(fd, exists ? &old : nullptr)) {
        close(fd);
        unlink(temporary.c_str());
        return exists && writeInPlace(target, bytes, count);
    }
    bool written = writeAll(fd, bytes, count) && fsync(fd) == 0;
    if (close(fd) != 0 || !written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    flushFolder(folderOf(target));
    return true;
}
