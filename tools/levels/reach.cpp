#include "tools/levels/reach.h"

#include <cmath>

namespace levelgen {

Reach::Reach(const Tiles& tiles, bool laser, int startX, int startY)
    : w_(tiles.width - 1), h_(tiles.height - 1), seen_(static_cast<size_t>(w_) * h_, 0) {
    if (startX < 1 || startY < 1 || startX >= w_ || startY >= h_ ||
        !open(tiles, laser, startX, startY)) {
        return;
    }
    std::vector<int> queue = {startY * w_ + startX};
    seen_[queue[0]] = 1;
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (size_t next = 0; next < queue.size(); next++) {
        int x = queue[next] % w_, y = queue[next] / w_;
        for (const auto& step : steps) {
            int nx = x + step[0], ny = y + step[1];
            if (nx < 1 || ny < 1 || nx >= w_ || ny >= h_ || seen_[ny * w_ + nx] ||
                !open(tiles, laser, nx, ny)) {
                continue;
            }
            seen_[ny * w_ + nx] = 1;
            queue.push_back(ny * w_ + nx);
        }
    }
}

bool Reach::open(const Tiles& tiles, bool laser, int x, int y) const {
    for (int dy = 0; dy < kShipSquare; dy++) {
        for (int dx = 0; dx < kShipSquare; dx++) {
            int kind = tiles.at(x + dx, y + dy);
            if (kind == Solid || (kind == Breakable && !laser)) {
                return false;
            }
        }
    }
    return true;
}

bool Reach::reachedAbove(int line) const {
    for (int y = line; y < h_; y++) {
        for (int x = 1; x < w_; x++) {
            if (reached(x, y)) {
                return true;
            }
        }
    }
    return false;
}

bool Reach::reachedNear(float x, float y, float distance) const {
    int reach = static_cast<int>(distance) + 1;
    for (int sy = static_cast<int>(y) - reach; sy <= static_cast<int>(y) + reach; sy++) {
        for (int sx = static_cast<int>(x) - reach; sx <= static_cast<int>(x) + reach; sx++) {
            // The square's centre is at its upper right tile's lower left corner.
            if (reached(sx, sy) && std::hypot(sx + 1 - x, sy + 1 - y) <= distance) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace levelgen
