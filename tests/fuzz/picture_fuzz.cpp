// The TGA checks and decoder on any bytes, without a GL context.
#include "drawing/tga_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // As llvmpipe's GL would take them.
    const ImageLimits limits{16384, kMaxRunLengthPixels};
    TgaImage image;
    decodeTga(data, size, limits, image);
    return 0;
}
