#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/common/tga.h"

// A TGA file as the game's loader sees it: header fields, then pixels bottom row first.
struct TgaFile {
    int type = 0, width = 0, height = 0, bits = 0, descriptor = 0;
    size_t size = 0;
    std::vector<Rgba> pixels;

    Rgba at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool opaque(int x, int y) const { return at(x, y).a != 0; }
};

TgaFile readTga(const std::string& path);

// A picture the game ships, from graphics/.
TgaFile shipped(const std::string& name);
