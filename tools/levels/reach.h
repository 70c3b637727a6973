#pragma once

#include <cstdint>
#include <vector>

#include "flight/tile_kind.h"

// The level checker's view of a map's tiles, and where the ship can fly through them.
namespace levelgen {

const int kShipSquare = 2;  // tiles: the ship (1.17 m by 1.49 m) fits in 2 x 2

// The tiles as the game reads them: column 0 and row 0 are Empty.
struct Tiles {
    int width = 0, height = 0;
    std::vector<int> kinds;
    int at(int x, int y) const {
        bool valid = x >= 1 && y >= 1 && x < width && y < height;
        return valid ? kinds[y * width + x] : Empty;
    }
    bool solid(int x, int y) const { return isSolidTile(at(x, y)); }
    bool freeBox(int x0, int y0, int x1, int y1) const {
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                if (solid(x, y)) {
                    return false;
                }
            }
        }
        return true;
    }
};

// Where the ship can go: a flood fill over 2 x 2 squares of open tiles (named by their lower
// left tile), 4-connected, from the square the ship starts in. With the laser, Breakable tiles
// count as open: the ship can shoot its way through them.
class Reach {
public:
    Reach(const Tiles& tiles, bool laser, int startX, int startY);
    bool reached(int x, int y) const {
        return x >= 1 && y >= 1 && x < w_ && y < h_ && seen_[y * w_ + x];
    }
    bool reachedAbove(int line) const;
    bool reachedNear(float x, float y, float distance) const;

private:
    bool open(const Tiles& tiles, bool laser, int x, int y) const;
    int w_, h_;
    std::vector<uint8_t> seen_;
};

}  // namespace levelgen
