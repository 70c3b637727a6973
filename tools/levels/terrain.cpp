#include "tools/levels/terrain.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "flight/collision_category.h"

namespace levelgen {

namespace {

const double kWallNoiseCell = 7.0;  // tiles between bumps on the frame's inner faces
const int kWallBumps = 3;           // tiles the faces wander inward at most
const double kVeinCell = 6.0;
const double kToothCell = 1.7;  // narrow: one tooth here and there, not a wall

const int kShelfThickness = 3;          // tiles of floor under a student's shelf
const int kShelfHeadroom = 4;           // open rows above it
const double kCannonFromStart = 20.0;   // m: out of wake range of a ship on its pad
const double kCannonFromStudent = 5.0;  // the ship must be able to land beside the student

double heightAt(const std::vector<Point>& knots, double x) {
    if (x <= knots.front().x) {
        return knots.front().y;
    }
    for (size_t i = 1; i < knots.size(); i++) {
        if (x <= knots[i].x) {
            const Point& a = knots[i - 1];
            const Point& b = knots[i];
            return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
        }
    }
    return knots.back().y;
}

bool openNear(const TileGrid& grid, int x, int y, int depth) {
    for (int dy = -depth; dy <= depth; dy++) {
        for (int dx = -depth; dx <= depth; dx++) {
            if (grid.inside(x + dx, y + dy) && !grid.solid(x + dx, y + dy)) {
                return true;
            }
        }
    }
    return false;
}

bool besideBackWall(const TileGrid& grid, int x, int y) {
    for (int dy = -1; dy <= 1; dy++) {
        for (int dx = -1; dx <= 1; dx++) {
            if (grid.at(x + dx, y + dy) == Backdrop) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::vector<int> groundProfile(int width, const std::vector<Point>& knots, double roughness,
                               double cell, uint32_t seed) {
    std::vector<int> heights(width);
    for (int x = 0; x < width; x++) {
        double wander = roughness * (2 * fractalNoise(x, 0, cell, 3, seed) - 1);
        heights[x] = static_cast<int>(std::lround(heightAt(knots, x) + wander));
    }
    return heights;
}

void raiseGround(TileGrid& grid, const std::vector<int>& heights, double warp, double cell,
                 uint32_t seed) {
    for (int y = 1; y < grid.height(); y++) {
        for (int x = 1; x < grid.width() && x < static_cast<int>(heights.size()); x++) {
            double push = warp * (2 * fractalNoise(x, y, cell, 2, seed) - 1);
            if (heights[x] - y + push > 0) {
                grid.put(x, y, Solid);
            }
        }
    }
}

void smoothRock(TileGrid& grid, int x0, int y0, int x1, int y1, int passes) {
    const int kSolidAbove = 4, kOpenBelow = 3;  // solid neighbours of 8
    for (int pass = 0; pass < passes; pass++) {
        TileGrid before = grid;
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                int solid = 0;
                for (int dy = -1; dy <= 1; dy++) {
                    for (int dx = -1; dx <= 1; dx++) {
                        solid += (dx != 0 || dy != 0) && before.solid(x + dx, y + dy);
                    }
                }
                int kind = before.at(x, y);
                if (!isSolidTile(kind) && solid > kSolidAbove) {
                    grid.put(x, y, Solid);
                } else if (kind == Solid && solid < kOpenBelow) {
                    grid.put(x, y, besideBackWall(before, x, y) ? Backdrop : Empty);
                }
            }
        }
    }
}

void clearSpecks(TileGrid& grid, int size) {
    int w = grid.width(), h = grid.height();
    std::vector<int> label(static_cast<size_t>(w) * h, -1);
    for (int start = 0; start < w * h; start++) {
        int sx = start % w, sy = start / w;
        if (label[start] >= 0 || !grid.inside(sx, sy)) {
            continue;
        }
        // One 4-connected region of solid, or of open, tiles.
        bool solid = grid.solid(sx, sy);
        std::vector<int> region = {start};
        label[start] = start;
        bool touchesEdge = false;
        for (size_t next = 0; next < region.size(); next++) {
            int x = region[next] % w, y = region[next] / w;
            const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& step : steps) {
                int nx = x + step[0], ny = y + step[1];
                if (!grid.inside(nx, ny)) {
                    touchesEdge = true;
                    continue;
                }
                int index = ny * w + nx;
                if (label[index] < 0 && grid.solid(nx, ny) == solid) {
                    label[index] = start;
                    region.push_back(index);
                }
            }
        }
        if (static_cast<int>(region.size()) < size && !touchesEdge) {
            for (int index : region) {
                int x = index % w, y = index / w;
                if (solid) {
                    grid.put(x, y, besideBackWall(grid, x, y) ? Backdrop : Empty);
                } else {
                    grid.put(x, y, Solid);
                }
            }
        }
    }
}

void frameMap(TileGrid& grid, int bedrock, int wall, uint32_t seed) {
    int w = grid.width(), h = grid.height();
    for (int x = 1; x < w; x++) {
        int depth = bedrock + static_cast<int>(kWallBumps * valueNoise(x, 0, kWallNoiseCell, seed));
        fillRect(grid, x, 1, x, depth, Brush::Rock);
    }
    for (int y = 1; y < h; y++) {
        int left = wall + static_cast<int>(kWallBumps * valueNoise(0, y, kWallNoiseCell, seed + 1));
        int right =
            wall + static_cast<int>(kWallBumps * valueNoise(w, y, kWallNoiseCell, seed + 2));
        fillRect(grid, 1, y, left, y, Brush::Rock);
        fillRect(grid, w - right, y, w - 1, y, Brush::Rock);
    }
}

void flatFloor(TileGrid& grid, int x0, int x1, int ground, int thick, int headroom, Brush open) {
    fillRect(grid, x0, ground - thick, x1, ground - 1, Brush::Rock);
    fillRect(grid, x0, ground, x1, ground + headroom - 1, open);
}

void noiseCaves(TileGrid& grid, int x0, int y0, int x1, int y1, double cell, double width,
                uint32_t seed) {
    const double kFlatten = 1.4;  // caves run more across than up and down
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            if (std::fabs(fractalNoise(x, y * kFlatten, cell, 2, seed) - 0.5) < width) {
                paint(grid, x, y, Brush::Cave);
            }
        }
    }
}

void crumblyVeins(TileGrid& grid, int x0, int y0, int x1, int y1, double threshold, int depth,
                  uint32_t seed) {
    TileGrid before = grid;
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            if (before.at(x, y) == Solid && fractalNoise(x, y, kVeinCell, 2, seed) > threshold &&
                openNear(before, x, y, depth)) {
                grid.put(x, y, Breakable);
            }
        }
    }
}

void ruin(TileGrid& grid, int x0, int ground, int width, int height, uint32_t seed) {
    const int kCrumble = 4;                         // rows the top may have lost
    const int kWindowWidth = 3, kWindowHeight = 4;  // tiles: a hole of 2 by 3 cells
    const int kWindowEveryX = 5, kWindowEveryY = 7;
    const int kSill = 2;  // rows of wall under the first windows
    Random random(seed);
    std::vector<int> tops(width);
    for (int i = 0; i < width; i++) {
        int fromSide = std::min(i, width - 1 - i);
        int loss = random.range(0, kCrumble) - std::min(fromSide, kCrumble / 2);
        tops[i] = ground + height - 1 - std::max(0, loss);
        fillRect(grid, x0 + i, ground, x0 + i, tops[i], Brush::BackWall);
    }
    for (int y = ground + kSill; y + kWindowHeight <= ground + height - kSill; y += kWindowEveryY) {
        for (int i = 1; i + kWindowWidth < width; i += kWindowEveryX) {
            for (int wy = y; wy < y + kWindowHeight; wy++) {
                for (int wx = x0 + i; wx < x0 + i + kWindowWidth; wx++) {
                    if (grid.at(wx, wy) == Backdrop && wy < tops[wx - x0]) {
                        grid.put(wx, wy, Backdrop2);
                    }
                }
            }
        }
    }
}

void teeth(TileGrid& grid, int x0, int y0, int x1, int y1, double threshold, int length,
           uint32_t seed) {
    TileGrid before = grid;
    for (int x = x0; x <= x1; x++) {
        if (valueNoise(x, 0, kToothCell, seed) <= threshold) {
            continue;
        }
        int size = 1 + static_cast<int>(length * valueNoise(x, 1, kToothCell, seed + 1));
        for (int y = y0; y <= y1; y++) {
            if (before.solid(x, y)) {
                continue;
            }
            bool ceiling = before.solid(x, y + 1), floor = before.solid(x, y - 1);
            for (int i = 0; i < size && (ceiling || floor); i++) {
                int ty = ceiling ? y - i : y + i;
                if (before.solid(x, ty) || ty < y0 || ty > y1) {
                    break;
                }
                grid.put(x, ty, Solid);
            }
        }
    }
}

void studentShelf(Level& level, int x, int ground, int left, int right, Brush open) {
    flatFloor(level.map, x - left, x + right, ground, kShelfThickness, kShelfHeadroom, open);
    addStudent(level, x, ground);
}

namespace {

// Which 2 x 2 squares of open tiles (by their lower left tile) the ship can fly to from the
// square at (x, y), shooting through Breakable rock on the way.
std::vector<uint8_t> shipReach(const TileGrid& grid, int x, int y) {
    int w = grid.width(), h = grid.height();
    auto open = [&grid](int sx, int sy) {
        return grid.inside(sx, sy) && grid.inside(sx + 1, sy + 1) && grid.at(sx, sy) != Solid &&
               grid.at(sx + 1, sy) != Solid && grid.at(sx, sy + 1) != Solid &&
               grid.at(sx + 1, sy + 1) != Solid;
    };
    std::vector<uint8_t> seen(static_cast<size_t>(w) * h, 0);
    std::vector<int> queue;
    if (open(x, y)) {
        queue.push_back(y * w + x);
        seen[y * w + x] = 1;
    }
    for (size_t next = 0; next < queue.size(); next++) {
        int sx = queue[next] % w, sy = queue[next] / w;
        const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& step : steps) {
            int nx = sx + step[0], ny = sy + step[1];
            if (open(nx, ny) && !seen[ny * w + nx]) {
                seen[ny * w + nx] = 1;
                queue.push_back(ny * w + nx);
            }
        }
    }
    return seen;
}

// Ground under the base and beside it on at least one side (a slope will do), open air above
// and either side for the barrel to swing.
bool cannonSite(const TileGrid& grid, int x, int ground) {
    if (grid.at(x, ground - 1) != Solid ||
        (grid.at(x - 1, ground - 1) != Solid && grid.at(x + 1, ground - 1) != Solid)) {
        return false;
    }
    for (int dx = -1; dx <= 1; dx++) {
        for (int dy = 0; dy < 3; dy++) {
            if (grid.solid(x + dx, ground + dy)) {
                return false;
            }
        }
    }
    return true;
}

bool keepsApart(const Level& level, double x, double y, Point start, double spacing) {
    if (std::hypot(x - start.x, y - start.y) < kCannonFromStart) {
        return false;
    }
    for (const ObjectRecord& object : level.objects) {
        double apart = object.kind == CollisionCategory::Cannon ? spacing : kCannonFromStudent;
        if (std::hypot(x - object.x, y - object.y) < apart) {
            return false;
        }
    }
    return true;
}

}  // namespace

int scatterCannons(Level& level, Box box, int count, double spacing, Point start, uint32_t seed) {
    std::vector<uint8_t> reach =
        shipReach(level.map, static_cast<int>(start.x) - 1, static_cast<int>(start.y) - 1);
    int w = level.map.width();
    std::vector<Point> sites;
    for (int y = box.y0; y <= box.y1; y++) {
        for (int x = box.x0; x <= box.x1; x++) {
            if (cannonSite(level.map, x, y) && reach[y * w + x - 1]) {
                sites.push_back({static_cast<double>(x), static_cast<double>(y)});
            }
        }
    }
    Random random(seed);
    for (size_t i = sites.size(); i > 1; i--) {
        std::swap(sites[i - 1], sites[random.next() % i]);
    }
    int placed = 0;
    for (const Point& site : sites) {
        if (placed == count) {
            break;
        }
        if (keepsApart(level, site.x + 0.5, site.y + 0.5, start, spacing)) {
            addCannon(level, static_cast<int>(site.x), static_cast<int>(site.y));
            placed++;
        }
    }
    return placed;
}

}  // namespace levelgen
