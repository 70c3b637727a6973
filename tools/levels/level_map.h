#pragma once

#include <cstdint>
#include <vector>

#include "flight/tile_kind.h"
#include "platform/object_record.h"

// The small toolkit the level generator paints with: a tile grid, objects, deterministic noise
// and brushes. Nothing here uses rand() or the clock, so every run writes the same levels.
namespace levelgen {

// A fixed-seed xorshift generator for sequences of choices.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed ? seed : 1) {}
    uint32_t next();
    double unit();                 // [0, 1)
    int range(int low, int high);  // low to high, both included

private:
    uint32_t state_;
};

// Smooth value noise in [0, 1): lattice points `cell` tiles apart, eased in between.
double valueNoise(double x, double y, double cell, uint32_t seed);
// Octaves of value noise, each half the cell and half the weight of the one before; [0, 1).
double fractalNoise(double x, double y, double cell, int octaves, uint32_t seed);

// The tiles of a map, row 0 at the bottom. Column 0 and row 0 read as Empty in the game, so the
// grid never paints them and reads them as Empty too.
class TileGrid {
public:
    TileGrid(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool inside(int x, int y) const { return x >= 1 && y >= 1 && x < width_ && y < height_; }
    int at(int x, int y) const { return inside(x, y) ? tiles_[y * width_ + x] : Empty; }
    bool solid(int x, int y) const { return isSolidTile(at(x, y)); }
    void put(int x, int y, int kind);
    const std::vector<int>& tiles() const { return tiles_; }

private:
    int width_;
    int height_;
    std::vector<int> tiles_;
};

// How a brush changes the tile under it.
enum class Brush {
    Rock,       // Solid
    Crumbly,    // Breakable
    CrumblyIn,  // Breakable, only where the tile is Solid (a vein in the rock)
    Cave,       // rock becomes Backdrop (a hollow with rock behind it); open tiles stay
    Air,        // Empty
    BackWall,   // Backdrop where the tile is open (not solid)
};
void paint(TileGrid& grid, int x, int y, Brush brush);

// Shapes; bounds are inclusive.
void fillRect(TileGrid& grid, int x0, int y0, int x1, int y1, Brush brush);
void fillDisc(TileGrid& grid, double cx, double cy, double radius, Brush brush);
// An ellipse whose edge wanders by up to `rough` of its radius, for natural outlines.
void fillBlob(TileGrid& grid, double cx, double cy, double rx, double ry, double rough,
              uint32_t seed, Brush brush);
// A winding passage through the points: discs of `radius` (give or take `wobble` tiles) along
// each segment.
struct Point {
    double x, y;
};
void fillTunnel(TileGrid& grid, const std::vector<Point>& points, double radius, double wobble,
                uint32_t seed, Brush brush);

// A level: its map and its objects.
struct Level {
    Level(int width, int height) : map(width, height) {}
    TileGrid map;
    std::vector<ObjectRecord> objects;
};

// A student standing on the ground whose top is y = ground, over tile column x.
void addStudent(Level& level, int x, int ground);
// A cannon on the ground whose top is y = ground, over tile column x: its base half above it.
void addCannon(Level& level, int x, int ground);

// The file bytes: an 18-byte TGA header and blue, green, red per tile (red is the kind), rows
// from the bottom; and 12-byte little-endian records, cannons first, then students (the order
// in which the game's editor saves them).
std::vector<uint8_t> encodeMap(const TileGrid& grid);
std::vector<uint8_t> encodeObjects(const std::vector<ObjectRecord>& objects);

}  // namespace levelgen
