#pragma once

#include <cstdint>
#include <vector>

// The side GLU would round a texture's side to: the next power of two, but no more than the
// largest power of two within `largest`.
int powerOfTwoSide(int side, int largest);

// Packed pixels, `channels` bytes a texel, scaled to toWidth x toHeight. Each new texel is the
// average of the old ones under it, weighted by how much of it each covers, so a plain colour
// stays exactly that colour. Reads width x height x channels bytes and nothing past them.
std::vector<uint8_t> scalePixels(const uint8_t* pixels, int width, int height, int channels,
                                 int toWidth, int toHeight);
