// The progress reader on any bytes.
#include "frontend/progress.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    loadProgress(inputFile(data, size));
    return 0;
}
