#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A TGA picture decoded into memory, bottom row first, `channels` bytes a pixel (1 grey,
// 2 grey and alpha, 3 RGB, 4 RGBA).
struct TgaImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;
};

// The largest side we decode whatever the GL would take: the game's pictures are a few hundred
// pixels, and a forged header must not make us allocate gigabytes.
const int kMaxImageSide = 4096;  // pixels

// Decodes a TGA held in memory (uncompressed or run-length, true-colour, grey or colour-mapped).
// False when it is not such a TGA, when a side exceeds maxSide, when the bytes end before
// the pixels the header promises, or when a run-length packet runs past the last pixel.
bool decodeTga(const uint8_t* bytes, size_t size, int maxSide, TgaImage& image);

// Reads the file, no more of it than its header can need, and decodes it as decodeTga does.
bool readTga(const char* file, int maxSide, TgaImage& image);
