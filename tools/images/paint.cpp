#include "tools/images/paint.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

int wrap(int value, int period) {
    int m = value % period;
    return m < 0 ? m + period : m;
}

double smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

uint32_t hashPoint(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

}  // namespace

Rgba opaque(Colour c) {
    auto channel = [](double v) {
        return static_cast<uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
    };
    return {channel(c.r), channel(c.g), channel(c.b), 255};
}

Colour ramp(const std::vector<Colour>& stops, double t) {
    int n = static_cast<int>(stops.size());
    int i = static_cast<int>(std::floor(t * n));
    return stops[std::clamp(i, 0, n - 1)];
}

double hashUnit(int x, int y, uint32_t seed) {
    return (hashPoint(x, y, seed) >> 8) / 16777216.0;
}

double valueNoise(double x, double y, int cell, int period, uint32_t seed) {
    int cells = period / cell;
    double gx = x / cell, gy = y / cell;
    int ix = static_cast<int>(std::floor(gx)), iy = static_cast<int>(std::floor(gy));
    double fx = smooth(gx - ix), fy = smooth(gy - iy);
    auto at = [&](int i, int j) { return hashUnit(wrap(i, cells), wrap(j, cells), seed); };
    double bottom = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx;
    double top = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx;
    return bottom + (top - bottom) * fy;
}

Cells cellNoise(double x, double y, int cells, int period, uint32_t seed) {
    double cell = static_cast<double>(period) / cells;
    int ix = static_cast<int>(std::floor(x / cell)), iy = static_cast<int>(std::floor(y / cell));
    Cells result{1e9, 1e9, 0, 0, 0};
    for (int j = iy - 1; j <= iy + 1; j++) {
        for (int i = ix - 1; i <= ix + 1; i++) {
            int wi = wrap(i, cells), wj = wrap(j, cells);
            double px = (i + 0.05 + 0.9 * hashUnit(wi, wj, seed)) * cell;
            double py = (j + 0.05 + 0.9 * hashUnit(wi, wj, seed + 1)) * cell;
            double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < result.nearest) {
                result.second = result.nearest;
                result.nearest = d;
                result.id = static_cast<uint32_t>(wj * cells + wi);
                result.dx = x - px;
                result.dy = y - py;
            } else if (d < result.second) {
                result.second = d;
            }
        }
    }
    return result;
}

bool insideConvex(const std::vector<Point>& polygon, double x, double y) {
    const double tolerance = 1e-9;
    size_t n = polygon.size();
    if (n < 3) {
        return false;
    }
    for (size_t i = 0; i < n; i++) {
        Point a = polygon[i], b = polygon[(i + 1) % n];
        double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        if (cross < -tolerance) {
            return false;
        }
    }
    return true;
}

double segmentDistance(double px, double py, Point a, Point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    double cx = a.x + t * dx - px, cy = a.y + t * dy - py;
    return std::sqrt(cx * cx + cy * cy);
}

void outlineShapes(Image& image, int x0, int y0, int width, int height, Rgba colour) {
    auto solid = [&](int x, int y) {
        bool inRect = x >= x0 && y >= y0 && x < x0 + width && y < y0 + height;
        return inRect && image.get(x, y).a != 0;
    };
    std::vector<Point> rim;
    for (int y = y0; y < y0 + height; y++) {
        for (int x = x0; x < x0 + width; x++) {
            bool touches = solid(x - 1, y) || solid(x + 1, y) || solid(x, y - 1) || solid(x, y + 1);
            if (!solid(x, y) && touches) {
                rim.push_back({static_cast<double>(x), static_cast<double>(y)});
            }
        }
    }
    for (Point p : rim) {
        image.set(static_cast<int>(p.x), static_cast<int>(p.y), colour);
    }
}

void bleedColours(Image& image) {
    Image source = image;
    for (int y = 0; y < image.height(); y++) {
        for (int x = 0; x < image.width(); x++) {
            if (source.get(x, y).a != 0) {
                continue;
            }
            int r = 0, g = 0, b = 0, n = 0;
            for (int dy = -1; dy <= 1; dy++) {
                for (int dx = -1; dx <= 1; dx++) {
                    Rgba p = source.get(x + dx, y + dy);
                    if (p.a != 0) {
                        r += p.r, g += p.g, b += p.b, n++;
                    }
                }
            }
            if (n > 0) {
                image.set(x, y,
                          {static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n),
                           static_cast<uint8_t>(b / n), 0});
            }
        }
    }
}

}  // namespace art
