#pragma once

#include <cstdint>
#include <vector>

#include "tools/common/tga.h"

namespace art {

// Drawing helpers shared by the picture generators. Everything here is deterministic: noise
// comes from hashing integer coordinates with a fixed seed, never from rand() or the clock.

// A colour with channels 0 to 255 as doubles, for shading arithmetic before rounding.
struct Colour {
    double r, g, b;
};

// Rounded and clamped, with alpha 255.
Rgba opaque(Colour c);

// Posterised ramp: t from 0 to 1 picks one of the stops (no blending), for pixel-art banding.
Colour ramp(const std::vector<Colour>& stops, double t);

// A hash of a lattice point and a seed, mapped to [0, 1).
double hashUnit(int x, int y, uint32_t seed);

// Smooth value noise in [0, 1) on a lattice of cells `cell` pixels wide that repeats every
// `period` pixels in both axes (period a multiple of cell), so a frame can tile with itself.
double valueNoise(double x, double y, int cell, int period, uint32_t seed);

// Cellular noise with `cells` x `cells` feature points per `period` pixels, repeating every
// `period` pixels: distances to the nearest and second nearest points and the nearest point's
// cell id.
struct Cells {
    double nearest;
    double second;
    uint32_t id;
    double dx, dy;  // from the nearest point to (x, y)
};
Cells cellNoise(double x, double y, int cells, int period, uint32_t seed);

struct Point {
    double x, y;
};

// Convex polygon given counter-clockwise; points on an edge count as inside.
bool insideConvex(const std::vector<Point>& polygon, double x, double y);
double segmentDistance(double px, double py, Point a, Point b);

// Paints `colour` on every transparent pixel of the rectangle that touches (4-neighbours) an
// opaque pixel of the same rectangle: a one-pixel rim that keeps shapes readable on any sky.
void outlineShapes(Image& image, int x0, int y0, int width, int height, Rgba colour);

// For pictures drawn with linear filtering: gives each transparent pixel the average colour of
// its opaque neighbours (alpha stays 0), so filtering does not pull a black fringe into edges.
void bleedColours(Image& image);

}  // namespace art
