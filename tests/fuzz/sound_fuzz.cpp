// Our sound decoder on any bytes: open, read a while, seek back and read again.
#include <vector>

#include "platform/sound_decoder.h"
#include "tests/fuzz/fuzz_input.h"

namespace {
const int kChunkFrames = 4096;
const int kMostChunks = 16;  // enough to pass the first frames of a stream, few enough to stay fast
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SoundDecoder decoder;
    if (!decoder.open(inputFile(data, size))) {
        return 0;
    }
    std::vector<int16_t> pcm(size_t(kChunkFrames) * decoder.channels());
    for (int i = 0; i < kMostChunks && decoder.read(pcm.data(), kChunkFrames) > 0; i++) {
    }
    if (decoder.seek(decoder.length() / 2)) {
        decoder.read(pcm.data(), kChunkFrames);
    }
    return 0;
}
