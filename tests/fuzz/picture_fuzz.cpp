// The TGA checks and decoder on any bytes, without a GL context.
#include "drawing/tga_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TgaImage image;
    decodeTga(data, size, kMaxImageSide, image);
    return 0;
}
