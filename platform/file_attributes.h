#pragma once

#include <string>

// Gives the file open as `fd` every extended attribute of the file at `path` (the file itself,
// not a link to it), its POSIX ACL among them, so that a file put in another's place keeps what
// the player set on it. False when one could not be read or set: a trusted.* or security.* one
// this process may not set, say, or a filesystem that takes none. A filesystem that keeps no
// attributes at `path` has none to give.
bool copyAttributes(const std::string& path, int fd);
