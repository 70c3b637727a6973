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

// What a picture may cost. Memory grows with the decoded pixels, not with either side, so a long
// thin strip is as welcome as a square of the same area; a side only has to fit the GL. An
// uncompressed picture decodes to no more than four bytes for each byte of its file, so only a
// run-length one, which can turn a few kilobytes into gigabytes, is held to a pixel count.
struct ImageLimits {
    int maxSide;                 // pixels, GL_MAX_TEXTURE_SIZE where a picture becomes a texture
    int64_t maxRunLengthPixels;  // width x height of a run-length picture
};

// A TGA's sides are 16-bit: no picture is refused for its side under this limit.
const int kAnyTgaSide = 65535;  // pixels

// The most pixels a run-length picture may decode to: 64 MiB of RGBA, a thousand times the
// game's largest picture.
const int64_t kMaxRunLengthPixels = 4096 * 4096;

// Decodes a TGA held in memory (uncompressed or run-length, true-colour, grey or colour-mapped)
// into rows bottom first, each left to right, whichever corner the file starts from. False when
// it is not such a TGA, when a side or a run-length picture's pixel count passes the limits, when
// the bytes end before the pixels the header promises, or when a run-length packet runs past the
// last pixel.
bool decodeTga(const uint8_t* bytes, size_t size, const ImageLimits& limits, TgaImage& image);

// Reads the file, no more of it than its header can need, and decodes it as decodeTga does. A
// pipe, device or folder at the path is refused at once, as a missing file is.
bool readTga(const char* file, const ImageLimits& limits, TgaImage& image);
