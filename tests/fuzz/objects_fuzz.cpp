// The objects reader on any bytes; it replaces what the last input placed.
#include "flight/world.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_world.h"

namespace {
World* g_world = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    openHiddenWindow();
    g_world = new World(kFuzzWorldSize);
    g_world->clearMap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_world->loadObjects(inputFile(data, size));
    return 0;
}
