#include "tools/levels/level_map.h"

#include <cmath>

#include "flight/collision_category.h"

namespace levelgen {

namespace {

const double kTwoToThe32 = 4294967296.0;
const double kTunnelStep = 0.5;  // tiles between the discs of a passage

// A student's body origin stands this far above the ground (the bottom tip of its kite).
const float kStudentAboveGround = 0.375f;  // m
// A cannon's base circle (radius 0.5 m) rests on the ground.
const float kCannonAboveGround = 0.5f;  // m
const float kTileCentre = 0.5f;         // m from a tile's left edge

const int kMapHeaderSize = 18;
const uint8_t kTrueColourImage = 2;
const uint8_t kBitsPerPixel = 24;

uint32_t hashPoint(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double lattice(int x, int y, uint32_t seed) {
    return hashPoint(x, y, seed) / kTwoToThe32;
}

double ease(double t) {
    return t * t * (3 - 2 * t);
}

}  // namespace

uint32_t Random::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Random::unit() {
    return next() / kTwoToThe32;
}

int Random::range(int low, int high) {
    return low + static_cast<int>(next() % static_cast<uint32_t>(high - low + 1));
}

double valueNoise(double x, double y, double cell, uint32_t seed) {
    double gx = x / cell, gy = y / cell;
    int ix = static_cast<int>(std::floor(gx)), iy = static_cast<int>(std::floor(gy));
    double tx = ease(gx - ix), ty = ease(gy - iy);
    double bottom =
        lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    double top = lattice(ix, iy + 1, seed) +
                 (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return bottom + (top - bottom) * ty;
}

double fractalNoise(double x, double y, double cell, int octaves, uint32_t seed) {
    double sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; i++) {
        sum += weight * valueNoise(x, y, cell, seed + 977u * i);
        total += weight;
        weight *= 0.5;
        cell *= 0.5;
    }
    return sum / total;
}

TileGrid::TileGrid(int width, int height)
    : width_(width), height_(height), tiles_(static_cast<size_t>(width) * height, Empty) {}

void TileGrid::put(int x, int y, int kind) {
    if (inside(x, y)) {
        tiles_[y * width_ + x] = kind;
    }
}

void paint(TileGrid& grid, int x, int y, Brush brush) {
    int kind = grid.at(x, y);
    switch (brush) {
        case Brush::Rock:
            grid.put(x, y, Solid);
            break;
        case Brush::Crumbly:
            grid.put(x, y, Breakable);
            break;
        case Brush::CrumblyIn:
            if (kind == Solid) {
                grid.put(x, y, Breakable);
            }
            break;
        case Brush::Cave:
            if (isSolidTile(kind)) {
                grid.put(x, y, Backdrop);
            }
            break;
        case Brush::Air:
            grid.put(x, y, Empty);
            break;
        case Brush::BackWall:
            if (!isSolidTile(kind)) {
                grid.put(x, y, Backdrop);
            }
            break;
    }
}

void fillRect(TileGrid& grid, int x0, int y0, int x1, int y1, Brush brush) {
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            paint(grid, x, y, brush);
        }
    }
}

void fillDisc(TileGrid& grid, double cx, double cy, double radius, Brush brush) {
    fillBlob(grid, cx, cy, radius, radius, 0, 0, brush);
}

void fillBlob(TileGrid& grid, double cx, double cy, double rx, double ry, double rough,
              uint32_t seed, Brush brush) {
    // Bumps along the edge scale with the shape, so big caverns get broad bays, not fringes.
    const double kBumpsPerRadius = 0.4, kSmallestBump = 3;
    double bump = std::fmax(kSmallestBump, kBumpsPerRadius * std::fmin(rx, ry));
    double reach = 1 + rough;
    int x0 = static_cast<int>(std::floor(cx - rx * reach)), x1 = static_cast<int>(cx + rx * reach);
    int y0 = static_cast<int>(std::floor(cy - ry * reach)), y1 = static_cast<int>(cy + ry * reach);
    for (int y = y0; y <= y1; y++) {
        for (int x = x0; x <= x1; x++) {
            // Tile centres against the ellipse, its radius stretched by noise along the edge.
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            double edge = 1 + rough * (2 * valueNoise(x, y, bump, seed) - 1);
            if (dx * dx + dy * dy <= edge * edge) {
                paint(grid, x, y, brush);
            }
        }
    }
}

void fillTunnel(TileGrid& grid, const std::vector<Point>& points, double radius, double wobble,
                uint32_t seed, Brush brush) {
    double travelled = 0;
    for (size_t i = 1; i < points.size(); i++) {
        Point a = points[i - 1], b = points[i];
        double length = std::hypot(b.x - a.x, b.y - a.y);
        int steps = static_cast<int>(length / kTunnelStep) + 1;
        for (int s = 0; s <= steps; s++) {
            double t = static_cast<double>(s) / steps;
            double r = radius + wobble * (2 * valueNoise(travelled + t * length, 0, 4, seed) - 1);
            fillDisc(grid, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, r, brush);
        }
        travelled += length;
    }
}

void addStudent(Level& level, int x, int ground) {
    level.objects.push_back({CollisionCategory::Student, x + kTileCentre,
                             static_cast<float>(ground) + kStudentAboveGround});
}

void addCannon(Level& level, int x, int ground) {
    level.objects.push_back({CollisionCategory::Cannon, x + kTileCentre,
                             static_cast<float>(ground) + kCannonAboveGround});
}

std::vector<uint8_t> encodeMap(const TileGrid& grid) {
    int w = grid.width(), h = grid.height();
    std::vector<uint8_t> bytes(kMapHeaderSize, 0);
    bytes[2] = kTrueColourImage;
    bytes[12] = static_cast<uint8_t>(w & 255);
    bytes[13] = static_cast<uint8_t>(w >> 8);
    bytes[14] = static_cast<uint8_t>(h & 255);
    bytes[15] = static_cast<uint8_t>(h >> 8);
    bytes[16] = kBitsPerPixel;
    for (int kind : grid.tiles()) {
        bytes.push_back(static_cast<uint8_t>(kind * 30 % 255));
        bytes.push_back(static_cast<uint8_t>(kind * 60 % 255));
        bytes.push_back(static_cast<uint8_t>(kind));
    }
    return bytes;
}

std::vector<uint8_t> encodeObjects(const std::vector<ObjectRecord>& objects) {
    std::vector<uint8_t> bytes;
    for (int32_t kind : {CollisionCategory::Cannon, CollisionCategory::Student}) {
        for (const ObjectRecord& object : objects) {
            if (object.kind == kind) {
                appendObjectRecord(bytes, object);
            }
        }
    }
    return bytes;
}

}  // namespace levelgen
