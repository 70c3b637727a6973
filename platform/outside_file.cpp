#include "platform/outside_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

OutsideFile::OutsideFile(const char* path) {
    fd_ = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        // ENXIO is a socket, which is no file either.
        unreadable_ = errno != ENOENT && errno != ENOTDIR && errno != ENXIO;
        return;
    }
    struct stat info;
    if (fstat(fd_, &info) != 0) {
        unreadable_ = true;
    } else if (S_ISREG(info.st_mode)) {
        size_ = info.st_size;
        return;
    }
    close(fd_);
    fd_ = -1;
}

OutsideFile::~OutsideFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

namespace {

// Reads until `count` bytes are in or the file ends, going on after a signal: `readSome` reads
// up to n bytes into `to` from where `done` bytes have already been read.
template <class ReadSome>
long readFully(int fd, void* bytes, size_t count, ReadSome readSome) {
    if (fd < 0) {
        return -1;
    }
    size_t got = 0;
    while (got < count) {
        ssize_t n = readSome(static_cast<char*>(bytes) + got, count - got, got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<long>(got);
}

}  // namespace

long OutsideFile::read(void* bytes, size_t count) {
    return readFully(fd_, bytes, count,
                     [this](char* to, size_t n, size_t) { return ::read(fd_, to, n); });
}

long OutsideFile::readAt(off_t offset, void* bytes, size_t count) {
    return readFully(fd_, bytes, count, [this, offset](char* to, size_t n, size_t done) {
        return pread(fd_, to, n, offset + static_cast<off_t>(done));
    });
}

OutsideFile::Stretch OutsideFile::dataFrom(off_t offset) {
    Stretch data = {std::min(offset, size_), size_};
    if (fd_ < 0 || offset >= size_) {
        return data;
    }
    const off_t position = lseek(fd_, 0, SEEK_CUR);
    const off_t begin = lseek(fd_, offset, SEEK_DATA);
    if (begin < 0) {
        // ENXIO: nothing but a hole from here on; anything else, the file system cannot say.
        data.begin = errno == ENXIO ? size_ : offset;
    } else {
        data.begin = std::min(std::max(begin, offset), size_);
        const off_t hole = lseek(fd_, data.begin, SEEK_HOLE);
        if (hole >= 0) {
            data.end = std::min(std::max(hole, data.begin), size_);
        }
    }
    lseek(fd_, position, SEEK_SET);
    return data;
}

int OutsideFile::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}
