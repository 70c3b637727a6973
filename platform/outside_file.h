#pragma once

#include <sys/types.h>

#include <cstddef>

// A file opened for reading without waiting: a pipe at the path would hold open() up until a
// writer came, and a device could be read without end. Only a plain file is kept open; anything
// else is closed again and reads as a missing file on each reader's own failure path.
class OutsideFile {
public:
    explicit OutsideFile(const char* path);
    ~OutsideFile();
    OutsideFile(const OutsideFile&) = delete;
    OutsideFile& operator=(const OutsideFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // True when a file stands at the path but the game may not or cannot open it; no file at
    // all, or a pipe, device, socket or folder, is not one.
    bool unreadable() const { return unreadable_; }
    int fd() const { return fd_; }
    // The file's length when it was opened, from fstat; 0 when not open.
    off_t size() const { return size_; }

    // Reads up to `count` bytes from where the last read ended; fewer only at the end of the
    // file. Returns how many, or -1 on a read error (or when not open).
    long read(void* bytes, size_t count);
    // The same from `offset`, leaving where read() goes on untouched.
    long readAt(off_t offset, void* bytes, size_t count);

    // The next stretch of bytes the file holds at or after `offset`, within size(). A hole
    // before it holds only zeros and takes no room on disk, so a file may be far larger than
    // what it holds. Past the last stretch: an empty one at size(). Where the file system cannot
    // tell, the rest of the file. Leaves where read() goes on untouched.
    struct Stretch {
        off_t begin, end;
    };
    Stretch dataFrom(off_t offset);

    // Hands the descriptor over to a caller that closes it (libsndfile, say); the file is then
    // no longer this object's to close.
    int release();

private:
    int fd_ = -1;
    off_t size_ = 0;
    bool unreadable_ = false;
};
