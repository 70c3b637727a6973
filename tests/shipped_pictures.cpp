#include "tests/shipped_pictures.h"

#include "tests/test_support.h"

TgaFile readTga(const std::string& path) {
    std::vector<uint8_t> b = readBytes(path);
    TgaFile tga;
    tga.size = b.size();
    if (b.size() < 18) {
        return tga;
    }
    tga.type = b[2];
    tga.width = b[12] | b[13] << 8;
    tga.height = b[14] | b[15] << 8;
    tga.bits = b[16];
    tga.descriptor = b[17];
    size_t count = static_cast<size_t>(tga.width) * tga.height;
    if (tga.bits == 32 && b.size() >= 18 + count * 4) {
        for (size_t i = 0; i < count; i++) {
            const uint8_t* p = &b[18 + i * 4];
            tga.pixels.push_back({p[2], p[1], p[0], p[3]});
        }
    }
    return tga;
}

TgaFile shipped(const std::string& name) {
    return readTga("graphics/" + name);
}
