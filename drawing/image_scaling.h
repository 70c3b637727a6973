#pragma once

#include <cstdint>
#include <vector>

// The side GLU rounds a texture's side to: the nearest power of two, up when the side's binary
// form starts with 11 and down otherwise (3 -> 4, 5 -> 4, 6 -> 8, 100 -> 128, 80 -> 64), and no
// more than the largest power of two within `largest`. 0 for a side below 1.
int nearestPowerOfTwo(int side, int largest);

// Packed pixels, `channels` bytes a texel, scaled up or down to toWidth x toHeight (both at
// least 1). Each new texel is the average of the old ones under it, weighted by how much of it
// each covers, so a plain colour stays exactly that colour. Reads width x height x channels bytes
// and nothing past them.
std::vector<uint8_t> scalePixels(const uint8_t* pixels, int width, int height, int channels,
                                 int toWidth, int toHeight);
