#include "tools/common/tga.h"

#include <cstdio>

namespace {

const uint8_t kTrueColourUncompressed = 2;
// Image descriptor: the low four bits count the alpha bits; bit 5 clear puts the origin at the
// bottom left.
const uint8_t kAlphaBits32 = 8;

void putShort(std::vector<uint8_t>& bytes, int value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

Image::Image(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, {0, 0, 0, 0}) {}

Rgba Image::get(int x, int y) const {
    if (!contains(x, y)) {
        return {0, 0, 0, 0};
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Image::set(int x, int y, Rgba colour) {
    if (contains(x, y)) {
        pixels_[static_cast<size_t>(y) * width_ + x] = colour;
    }
}

std::vector<uint8_t> encodeTga(const Image& image, int bitsPerPixel) {
    bool alpha = bitsPerPixel == 32;
    std::vector<uint8_t> bytes;
    bytes.reserve(18 + static_cast<size_t>(image.width()) * image.height() * (alpha ? 4 : 3));
    bytes.push_back(0);  // no image id
    bytes.push_back(0);  // no colour map
    bytes.push_back(kTrueColourUncompressed);
    for (int i = 0; i < 5; i++) {
        bytes.push_back(0);  // colour map fields, unused
    }
    putShort(bytes, 0);  // x origin
    putShort(bytes, 0);  // y origin
    putShort(bytes, image.width());
    putShort(bytes, image.height());
    bytes.push_back(static_cast<uint8_t>(alpha ? 32 : 24));
    bytes.push_back(alpha ? kAlphaBits32 : 0);
    for (int y = 0; y < image.height(); y++) {
        for (int x = 0; x < image.width(); x++) {
            Rgba p = image.get(x, y);
            bytes.push_back(p.b);
            bytes.push_back(p.g);
            bytes.push_back(p.r);
            if (alpha) {
                bytes.push_back(p.a);
            }
        }
    }
    return bytes;
}

bool writeTga(const std::string& path, const Image& image, int bitsPerPixel) {
    std::vector<uint8_t> bytes = encodeTga(image, bitsPerPixel);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}
