#include <cstdio>
#include <string>

#include "tools/assets.h"

// Writes every shipped asset below the folder given (the repository's top folder by default).
int main(int argc, char** argv) {
    std::string top = argc > 1 ? argv[1] : ".";
    if (!generateAssets(top)) {
        std::printf("could not write the assets below %s\n", top.c_str());
        return 1;
    }
    return 0;
}
