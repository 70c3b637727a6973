// The map reader on any bytes: a fresh World each time, as a mission starts.
#include "flight/world.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_world.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    openHiddenWindow();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World world(kFuzzWorldSize);
    world.loadMap(inputFile(data, size));
    return 0;
}
