#include "platform/file_attributes.h"

#include <sys/types.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

const int kSizeTries = 5;  // the list or a value grew between asking its size and reading it

// Fills `out` from a call of the listxattr/getxattr kind: asked with no room it tells the size,
// and it fails with ERANGE when the room has become too small since.
template <class Call>
bool readSized(Call call, std::vector<char>* out) {
    for (int attempt = 0; attempt < kSizeTries; attempt++) {
        ssize_t size = call(nullptr, 0);
        if (size < 0) {
            return false;
        }
        out->resize(static_cast<size_t>(size));
        ssize_t got = size == 0 ? 0 : call(out->data(), out->size());
        if (got >= 0) {
            out->resize(static_cast<size_t>(got));
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
    }
    return false;
}

}  // namespace

bool copyAttributes(const std::string& path, int fd) {
    const char* from = path.c_str();
    std::vector<char> names;
    if (!readSized([&](char* room, size_t size) { return llistxattr(from, room, size); }, &names)) {
        return errno == ENOTSUP;
    }
    for (size_t at = 0; at < names.size(); at += strnlen(&names[at], names.size() - at) + 1) {
        const char* name = &names[at];
        std::vector<char> value, made;
        if (!readSized([&](char* room, size_t size) { return lgetxattr(from, name, room, size); },
                       &value)) {
            if (errno == ENODATA) {
                continue;  // taken off since the list was read
            }
            return false;
        }
        // One the new file has already, as a security label it was made with, is left as it is:
        // setting it again could be refused though nothing would change.
        if (readSized([&](char* room, size_t size) { return fgetxattr(fd, name, room, size); },
                      &made) &&
            made == value) {
            continue;
        }
        if (fsetxattr(fd, name, value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    return true;
}
