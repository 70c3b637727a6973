#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// The readers take a path, so each input goes to one scratch file of this process, rewritten
// for every run and removed at exit.
struct ScratchFile {
    std::string path;
    ScratchFile() {
        char name[] = "/tmp/morvelan-fuzz-XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        path = name;
    }
    ~ScratchFile() { std::remove(path.c_str()); }
};

inline const char* inputFile(const uint8_t* data, size_t size) {
    static ScratchFile scratch;
    std::FILE* file = std::fopen(scratch.path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    return scratch.path.c_str();
}
