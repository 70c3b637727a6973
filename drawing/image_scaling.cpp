#include "drawing/image_scaling.h"

#include <algorithm>

namespace {

// An old texel under a new one and how much of the new one it covers.
struct Tap {
    size_t index;
    uint64_t weight;
};

// For each of `to` new texels along a side of `from` old ones, the old texels under it. Measured
// so that old texel j spans [j * to, (j + 1) * to) and new texel i spans [i * from, (i + 1) *
// from): the weights are whole numbers and those of one new texel add up to `from`.
std::vector<std::vector<Tap>> tapsAlong(int from, int to) {
    std::vector<std::vector<Tap>> taps(to);
    for (int64_t i = 0; i < to; i++) {
        const int64_t begin = i * from;
        const int64_t end = begin + from;
        for (int64_t j = begin / to; j * to < end; j++) {
            const int64_t covered = std::min(end, (j + 1) * to) - std::max(begin, j * to);
            taps[i].push_back({static_cast<size_t>(j), static_cast<uint64_t>(covered)});
        }
    }
    return taps;
}

}  // namespace

int nextPowerOfTwo(int side, int largest) {
    if (side < 1) {
        return 0;
    }
    // Doubling only while the result stays within `largest` keeps it from overflowing.
    int power = 1;
    while (power < side && power <= largest / 2) {
        power *= 2;
    }
    return power;
}

std::vector<uint8_t> scalePixels(const uint8_t* pixels, int width, int height, int channels,
                                 int toWidth, int toHeight) {
    const std::vector<std::vector<Tap>> across = tapsAlong(width, toWidth);
    const std::vector<std::vector<Tap>> up = tapsAlong(height, toHeight);
    // What the weights under one new texel add up to: the old picture's area, below 2^32 with a
    // TGA's 16-bit sides; times 255 it stays well within 64 bits.
    const uint64_t whole = static_cast<uint64_t>(width) * height;
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    std::vector<uint8_t> scaled(static_cast<size_t>(toWidth) * toHeight * channels);
    std::vector<uint64_t> sums(channels);
    uint8_t* out = scaled.data();
    for (int y = 0; y < toHeight; y++) {
        for (int x = 0; x < toWidth; x++) {
            std::fill(sums.begin(), sums.end(), 0);
            for (const Tap& row : up[y]) {
                for (const Tap& column : across[x]) {
                    const uint8_t* texel = pixels + row.index * rowBytes + column.index * channels;
                    for (int c = 0; c < channels; c++) {
                        sums[c] += row.weight * column.weight * texel[c];
                    }
                }
            }
            for (int c = 0; c < channels; c++) {
                *out++ = static_cast<uint8_t>((sums[c] + whole / 2) / whole);
            }
        }
    }
    return scaled;
}
