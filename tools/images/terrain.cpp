#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/images/paint.h"
#include "tools/images/pictures.h"

using namespace art;

// Terrain sheets: frame f (1 to 14) fills the marching-squares polygon of corner mask f (bit 0
// top left, 1 top right, 2 bottom left, 3 bottom right), frame 15 the whole cell and frame 0 a
// variant of it. The stone texture repeats every 32 pixels, so neighbouring cells of any frames
// meet without a seam; the cut edges of a polygon (its surface) get a lighter rim.

namespace {

const int kFrame = 32;
const int kFrames = 16;
const double kHalfCell = 0.5;  // polygon coordinates are metres from the cell's centre

// Rim along a surface, in pixels from the cut edge: lit band, then a thin shadow under it.
const double kRimLit = 3.0;
const double kRimShadow = 4.2;

// Offset of the stones' lattice, along which cracks gather, so they run off the cell's sides.
const double kLatticeShiftX = 5.0, kLatticeShiftY = 4.0;  // pixels

// The collision polygon of each corner mask, counter-clockwise, in metres from the cell's centre.
const std::vector<std::vector<Point>> kPolygons = {
    {},
    {{-0.5, 0}, {0, 0.5}, {-0.5, 0.5}},
    {{0, 0.5}, {0.5, 0}, {0.5, 0.5}},
    {{-0.5, 0}, {0.5, 0}, {0.5, 0.5}, {-0.5, 0.5}},
    {{0, -0.5}, {-0.5, 0}, {-0.5, -0.5}},
    {{0, -0.5}, {0, 0.5}, {-0.5, 0.5}, {-0.5, -0.5}},
    {{-0.5, -0.5}, {0, -0.5}, {0.5, 0}, {0.5, 0.5}, {0, 0.5}, {-0.5, 0}},
    {{0, -0.5}, {0.5, 0}, {0.5, 0.5}, {-0.5, 0.5}, {-0.5, -0.5}},
    {{0.5, 0}, {0, -0.5}, {0.5, -0.5}},
    {{-0.5, 0}, {0, -0.5}, {0.5, -0.5}, {0.5, 0}, {0, 0.5}, {-0.5, 0.5}},
    {{0, 0.5}, {0, -0.5}, {0.5, -0.5}, {0.5, 0.5}},
    {{-0.5, 0}, {0, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}},
    {{0.5, 0}, {-0.5, 0}, {-0.5, -0.5}, {0.5, -0.5}},
    {{0.5, 0}, {0, 0.5}, {-0.5, 0.5}, {-0.5, -0.5}, {0.5, -0.5}},
    {{0, 0.5}, {-0.5, 0}, {-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}},
    {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}},
};

// A surface edge in pixels of the frame, with its outward normal.
struct Cut {
    Point a, b;
    double nx, ny;
};

std::vector<Cut> cutEdges(const std::vector<Point>& polygon) {
    std::vector<Cut> cuts;
    for (size_t i = 0; i < polygon.size(); i++) {
        Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        bool alongSide = (a.x == b.x && std::fabs(a.x) == kHalfCell) ||
                         (a.y == b.y && std::fabs(a.y) == kHalfCell);
        if (alongSide) {
            continue;
        }
        double dx = b.x - a.x, dy = b.y - a.y, length = std::sqrt(dx * dx + dy * dy);
        auto pixels = [](Point p) {
            return Point{(p.x + kHalfCell) * kFrame, (p.y + kHalfCell) * kFrame};
        };
        cuts.push_back({pixels(a), pixels(b), dy / length, -dx / length});
    }
    return cuts;
}

// How a layer's stone looks.
struct Stone {
    std::vector<Colour> palette;  // dark to light
    int stonesAcross = 3;         // stones across one frame
    double crackWidth = 0.1;      // share of a stone's radius taken by the crack round it
    double grain = 0.2;           // weight of the fine noise
    double strata = 0.0;          // weight of horizontal banding
    uint32_t seed = 1;
};

// Shade of the stone at a point, 0 dark to 1 light; it repeats every frame in both directions.
double stoneShade(const Stone& s, double x, double y) {
    Cells c = cellNoise(x + kLatticeShiftX, y + kLatticeShiftY, s.stonesAcross, kFrame, s.seed);
    // Each stone a rounded lump: r runs from 0 at its middle to 1 at the crack round it.
    double r = 2 * c.nearest / (c.nearest + c.second);
    if (r > 1.0 - s.crackWidth) {
        return 0.14;
    }
    double length = std::max(c.nearest, 1e-6);
    double nx = c.dx / length * r, ny = c.dy / length * r;
    double nz = std::sqrt(std::max(0.0, 1.0 - r * r));
    double light = std::max(0.0, -0.45 * nx + 0.55 * ny + 0.7 * nz);
    double tone =
        0.3 + 0.4 * light + 0.1 * (hashUnit(static_cast<int>(c.id), 7, s.seed + 11) - 0.5);
    double grain = 0.6 * valueNoise(x, y, 2, kFrame, s.seed + 3) +
                   0.4 * valueNoise(x, y, 4, kFrame, s.seed + 4);
    tone += s.grain * (grain - 0.5);
    double wave = 3.0 * valueNoise(x, 0, 8, kFrame, s.seed + 6);
    tone += s.strata * (valueNoise(0, y + wave, 4, kFrame, s.seed + 5) - 0.5);
    return tone;
}

// A few mineral crystals glinting in the middle of the variant frame, clear of its edges so it
// still meets its neighbours like the plain full cell.
const std::vector<Point> kCrystals = {{12.5, 18.5}, {18.5, 13.5}, {15.5, 9.5}};

double crystalShade(double x, double y, double base) {
    for (Point p : kCrystals) {
        double dx = x - p.x, dy = y - p.y;
        double d = std::fabs(dx) + std::fabs(dy);
        if (d < 1.0) {
            return 0.99;
        }
        if (d < 2.0) {
            return dx - dy < 0 ? 0.8 : 0.3;
        }
    }
    return base;
}

Colour texel(const Stone& s, int frame, double x, double y, const std::vector<Cut>& cuts) {
    double shade = stoneShade(s, x, y);
    if (frame == 0) {
        shade = crystalShade(x, y, shade);
    }
    double depth = 1e9;
    double up = 0;
    for (const Cut& cut : cuts) {
        double d = segmentDistance(x, y, cut.a, cut.b);
        if (d < depth) {
            depth = d;
            up = cut.ny;
        }
    }
    if (depth < kRimLit) {
        // Brightest on the outermost pixel and on faces turned upward, toward the light.
        shade = 0.66 + 0.16 * (up + 1) / 2 + (depth < 1.0 ? 0.16 : 0.0);
        shade += 0.1 * (valueNoise(x, y, 2, kFrame, s.seed + 8) - 0.5);
    } else if (depth < kRimShadow) {
        shade = std::min(shade, 0.22);
    }
    return ramp(s.palette, std::clamp(shade, 0.0, 0.999));
}

Image makeTiles(const Stone& stone) {
    Image sheet(kFrame * kFrames, kFrame);
    for (int frame = 0; frame < kFrames; frame++) {
        int mask = frame == 0 ? 15 : frame;
        const std::vector<Point>& polygon = kPolygons[mask];
        std::vector<Cut> cuts = cutEdges(polygon);
        for (int py = 0; py < kFrame; py++) {
            for (int px = 0; px < kFrame; px++) {
                double x = px + 0.5, y = py + 0.5;
                if (!insideConvex(polygon, x / kFrame - kHalfCell, y / kFrame - kHalfCell)) {
                    continue;
                }
                sheet.set(frame * kFrame + px, py, opaque(texel(stone, frame, x, y, cuts)));
            }
        }
    }
    return sheet;
}

}  // namespace

// Drawn untinted for solid rock and tinted (1.0, 0.75, 0.6) for breakable rock: neutral,
// slightly warm grey stone, so that both read on every sky and the tint shows.
Image solidTilesPicture() {
    Stone stone;
    stone.palette = {{44, 42, 50},    {78, 74, 80},    {108, 102, 104}, {136, 130, 128},
                     {164, 158, 152}, {196, 190, 182}, {232, 228, 218}};
    stone.stonesAcross = 3;
    stone.crackWidth = 0.1;
    stone.grain = 0.2;
    stone.strata = 0.0;
    stone.seed = 101;
    return makeTiles(stone);
}

// Drawn tinted (0.3, 0.35, 0.4) behind everything: light, soft slabs with faint layers, which
// the tint turns into a dim blue-grey cave wall.
Image backdropTilesPicture() {
    Stone stone;
    stone.palette = {{120, 120, 120}, {150, 150, 150}, {176, 176, 176}, {198, 198, 198},
                     {218, 218, 218}, {236, 236, 236}, {252, 252, 252}};
    stone.stonesAcross = 2;
    stone.crackWidth = 0.08;
    stone.grain = 0.15;
    stone.strata = 0.2;
    stone.seed = 202;
    return makeTiles(stone);
}
