#pragma once

#include <cstdint>
#include <vector>

// The side a smooth texture's side is scaled to: the next power of two at or above it (3 -> 4,
// 5 -> 8, 80 -> 128, 4097 -> 8192), but no more than the largest power of two within `largest`.
// 0 for a side below 1.
int nextPowerOfTwo(int side, int largest);

// Packed pixels, `channels` bytes a texel, scaled up or down to toWidth x toHeight (both at
// least 1). Each new texel is the average of the old ones under it, weighted by how much of it
// each covers, so a plain colour stays exactly that colour. Reads width x height x channels bytes
// and nothing past them.
std::vector<uint8_t> scalePixels(const uint8_t* pixels, int width, int height, int channels,
                                 int toWidth, int toHeight);
