#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One pixel: red, green, blue, alpha.
struct Rgba {
    uint8_t r, g, b, a;
};

// A picture held bottom row first, as TGA files (origin bottom left) and OpenGL textures keep
// them: pixel (x, y) counts y up from the bottom. Starts fully transparent black.
class Image {
public:
    Image(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Reads and writes outside the picture are ignored (reads give transparent black).
    Rgba get(int x, int y) const;
    void set(int x, int y, Rgba colour);

private:
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

// The file's bytes: an 18-byte header (uncompressed true colour, origin bottom left), then the
// pixels bottom row first as B, G, R (24 bits per pixel) or B, G, R, A (32).
std::vector<uint8_t> encodeTga(const Image& image, int bitsPerPixel);

// Writes encodeTga's bytes to path; false when the file cannot be written whole.
bool writeTga(const std::string& path, const Image& image, int bitsPerPixel);
