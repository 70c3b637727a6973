#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "flight/world.h"
#include "tests/shipped_pictures.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"

namespace {

struct Point {
    double x, y;
};
using Polygon = std::vector<Point>;

bool inside(const Polygon& polygon, double x, double y) {
    for (size_t i = 0; i < polygon.size(); i++) {
        Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < 0) {
            return false;
        }
    }
    return !polygon.empty();
}

double area(const Polygon& polygon) {
    double twice = 0;
    for (size_t i = 0; i < polygon.size(); i++) {
        Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

double distanceToEdges(const Polygon& polygon, double x, double y) {
    double best = 1e9;
    for (size_t i = 0; i < polygon.size(); i++) {
        Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        double dx = b.x - a.x, dy = b.y - a.y;
        double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        best = std::min(best, std::hypot(a.x + t * dx - x, a.y + t * dy - y));
    }
    return best;
}

int countOpaque(const TgaFile& tga, int x0, int y0, int width, int height) {
    int n = 0;
    for (int y = y0; y < y0 + height; y++) {
        for (int x = x0; x < x0 + width; x++) {
            n += tga.opaque(x, y) ? 1 : 0;
        }
    }
    return n;
}

// The smallest rectangle holding every opaque pixel of a region, relative to its corner.
struct Box {
    int left = 1 << 20, right = -1, bottom = 1 << 20, top = -1;
};

Box bounds(const TgaFile& tga, int x0, int y0, int width, int height) {
    Box box;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (tga.opaque(x0 + x, y0 + y)) {
                box = {std::min(box.left, x), std::max(box.right, x), std::min(box.bottom, y),
                       std::max(box.top, y)};
            }
        }
    }
    return box;
}

}  // namespace

TEST(FontPicture, EveryPrintableGlyphIsDistinctWhiteAndClearOfTheCellBorder) {
    TgaFile font = shipped("font.tga");
    ASSERT_EQ(font.pixels.size(), 128u * 256u);
    std::set<std::vector<bool>> shapes;
    for (int code = 0; code < 256; code++) {
        int left = (code % 16) * 8, top = 255 - (code / 16) * 16;
        std::vector<bool> shape;
        int lit = 0, onBorder = 0;
        for (int row = 0; row < 16; row++) {
            for (int column = 0; column < 8; column++) {
                Rgba p = font.at(left + column, top - row);
                bool on = p.a == 255;
                shape.push_back(on);
                lit += on ? 1 : 0;
                if (on) {
                    EXPECT_TRUE(p.r == 255 && p.g == 255 && p.b == 255) << "code " << code;
                    onBorder += (column == 0 || row == 0 || row == 15) ? 1 : 0;
                }
            }
        }
        bool printable = code > 32 && code < 127;
        EXPECT_EQ(lit > 0, printable) << "code " << code;
        EXPECT_EQ(onBorder, 0) << "code " << code << " leaves no room for its outline";
        if (printable) {
            EXPECT_TRUE(shapes.insert(shape).second) << "code " << code << " repeats a glyph";
        }
    }
}

// The game's own collision polygon of a corner mask, in metres from the cell's centre: the
// picture must fill exactly what collides.
Polygon collisionPolygon(int mask) {
    b2PolygonShape shape = World::tileShape(mask);
    Polygon polygon;
    for (int i = 0; i < shape.m_count; i++) {
        polygon.push_back({shape.m_vertices[i].x, shape.m_vertices[i].y});
    }
    return polygon;
}

// Frame f of a terrain sheet is the cell whose filled corners are the bits of f.
class TerrainSheet : public ::testing::TestWithParam<const char*> {};

TEST_P(TerrainSheet, FillsEachMasksPolygonAndNothingElse) {
    TgaFile sheet = shipped(GetParam());
    ASSERT_EQ(sheet.pixels.size(), 512u * 32u);
    const double margin = 1.5 / 32;  // metres: pixels this far from an edge must be decided
    for (int mask = 1; mask <= 14; mask++) {
        SCOPED_TRACE("mask " + std::to_string(mask));
        const Polygon polygon = collisionPolygon(mask);
        double pixels = area(polygon) * 32 * 32;
        int filled = countOpaque(sheet, mask * 32, 0, 32, 32);
        EXPECT_NEAR(filled, pixels, pixels * 0.1);
        int wrong = 0;
        for (int y = 0; y < 32; y++) {
            for (int x = 0; x < 32; x++) {
                double cx = (x + 0.5) / 32 - 0.5, cy = (y + 0.5) / 32 - 0.5;
                if (distanceToEdges(polygon, cx, cy) > margin &&
                    sheet.opaque(mask * 32 + x, y) != inside(polygon, cx, cy)) {
                    wrong++;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(countOpaque(sheet, 0, 0, 32, 32), 32 * 32);
    EXPECT_EQ(countOpaque(sheet, 15 * 32, 0, 32, 32), 32 * 32);
}

TEST_P(TerrainSheet, NeighbouringFramesMeetWithoutASeam) {
    TgaFile sheet = shipped(GetParam());
    ASSERT_EQ(sheet.pixels.size(), 512u * 32u);
    // Side by side, a's right corners (bits 1, 3) are b's left corners (bits 0, 2); stacked,
    // a's bottom corners (bits 2, 3) are b's top corners (bits 0, 1). Across the shared side
    // the filled run may move by one pixel only, where a diagonal edge crosses it.
    for (int a = 0; a < 16; a++) {
        for (int b = 0; b < 16; b++) {
            int ma = a == 0 ? 15 : a, mb = b == 0 ? 15 : b;
            if (((ma >> 1) & 1) == (mb & 1) && ((ma >> 3) & 1) == ((mb >> 2) & 1)) {
                int left = countOpaque(sheet, a * 32 + 31, 0, 1, 32);
                int right = countOpaque(sheet, b * 32, 0, 1, 32);
                EXPECT_LE(std::abs(left - right), 1) << "frames " << a << " | " << b;
            }
            if (((ma >> 2) & 3) == (mb & 3)) {
                int above = countOpaque(sheet, a * 32, 0, 32, 1);
                int below = countOpaque(sheet, b * 32, 31, 32, 1);
                EXPECT_LE(std::abs(above - below), 1) << "frame " << a << " over " << b;
            }
        }
    }
    // The stone repeats every cell: the step from a full cell's last column to the next cell's
    // first is no bigger than steps inside the cell.
    auto step = [&](int x0, int y0, int x1, int y1) {
        Rgba p = sheet.at(x0, y0), q = sheet.at(x1, y1);
        return std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
    };
    double inside = 0, across = 0, upDown = 0;
    for (int i = 0; i < 32; i++) {
        for (int x = 15 * 32; x < 15 * 32 + 31; x++) {
            inside += step(x, i, x + 1, i);
        }
        across += step(15 * 32 + 31, i, 15 * 32, i);
        upDown += step(15 * 32 + i, 0, 15 * 32 + i, 31);
    }
    inside /= 31 * 32;
    EXPECT_LT(across / 32, 2.0 * inside);
    EXPECT_LT(upDown / 32, 2.0 * inside);
}

INSTANTIATE_TEST_SUITE_P(BothLayers, TerrainSheet, ::testing::Values("tiles.tga", "tiles3.tga"));

TEST(ShipPicture, FillsItsFiftyColumnsAndLeavesTheRestClear) {
    TgaFile rocket = shipped("rocket.tga");
    ASSERT_EQ(rocket.pixels.size(), 64u * 64u);
    EXPECT_EQ(countOpaque(rocket, 50, 0, 14, 64), 0);
    // As wide and tall as the hull: fins out to the sides, flat base, nose at the top.
    Box ship = bounds(rocket, 0, 0, 50, 64);
    EXPECT_LE(ship.left, 1);
    EXPECT_GE(ship.right, 48);
    EXPECT_LE(ship.bottom, 1);
    EXPECT_GE(ship.top, 62);
    EXPECT_TRUE(rocket.opaque(24, 32) && rocket.opaque(25, 62));
    EXPECT_FALSE(rocket.opaque(1, 62) || rocket.opaque(48, 62) || rocket.opaque(1, 40));
}

TEST(StudentSheet, FiguresStandOnTheFifthRowAndRowZeroIsEmpty) {
    TgaFile sheet = shipped("spaceman.tga");
    ASSERT_EQ(sheet.pixels.size(), 128u * 128u);
    EXPECT_EQ(countOpaque(sheet, 0, 0, 128, 32), 0);
    const int feetRow = 4;  // 12 pixels below the frame's origin (16, 16)
    struct Frame {
        int column, row;
    };
    const Frame figures[] = {{0, 2}, {1, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}};
    for (Frame f : figures) {
        SCOPED_TRACE("frame " + std::to_string(f.column) + ", row " + std::to_string(f.row));
        Box figure = bounds(sheet, f.column * 32, f.row * 32, 32, 32);
        EXPECT_EQ(figure.bottom, feetRow);
        EXPECT_LE(figure.top - figure.bottom + 1, 24);  // the body's 17 pixels, helmet and rim
        EXPECT_LE(figure.right - figure.left + 1, 20);
        EXPECT_TRUE(figure.left < 16 && figure.right >= 16) << "centred on the origin";
    }
    // Half a phase of exactly 4.0 picks standing frame 2: the two frames repeat along the row.
    for (int y = 64; y < 96; y++) {
        for (int x = 0; x < 64; x++) {
            ASSERT_EQ(sheet.at(x, y).a, sheet.at(x + 64, y).a) << x << ", " << y;
        }
    }
    for (int column = 0; column < 4; column++) {
        EXPECT_GT(countOpaque(sheet, column * 32, 32, 32, 32), 0) << "puff frame " << column;
    }
}

TEST(ExplosionSheet, ElevenFramesBurnOutAndTheRestAreEmpty) {
    TgaFile sheet = shipped("explosion.tga");
    ASSERT_EQ(sheet.pixels.size(), 512u * 32u);
    auto bright = [&](int frame) {
        int n = 0;
        for (int y = 0; y < 32; y++) {
            for (int x = frame * 32; x < frame * 32 + 32; x++) {
                Rgba p = sheet.at(x, y);
                n += (p.a && p.r > 240 && p.g > 200) ? 1 : 0;
            }
        }
        return n;
    };
    for (int frame = 0; frame < 16; frame++) {
        EXPECT_EQ(countOpaque(sheet, frame * 32, 0, 32, 32) > 0, frame <= 10) << frame;
    }
    EXPECT_GT(bright(0), 20);
    EXPECT_GT(bright(2), bright(8));
    EXPECT_EQ(bright(10), 0);
}

TEST(SmallPictures, HaveTheirShapesWhereTheGameDrawsThem) {
    TgaFile gun = shipped("gun.tga");
    ASSERT_EQ(gun.pixels.size(), 64u * 64u);
    for (int y = 0; y < 64; y++) {
        for (int x = 0; x < 32; x++) {
            ASSERT_EQ(gun.opaque(x, y), gun.opaque(63 - x, y)) << "barrel off its axis";
        }
    }
    int muzzle = countOpaque(gun, 0, 0, 64, 1), barrel = countOpaque(gun, 0, 32, 64, 1);
    EXPECT_GE(barrel, 10);
    EXPECT_LE(barrel, 12);
    EXPECT_GT(muzzle, barrel);
    EXPECT_EQ(countOpaque(gun, 32, 0, 1, 64), 64) << "from breech to muzzle";

    TgaFile cannon = shipped("cannon.tga");
    ASSERT_EQ(cannon.pixels.size(), 32u * 32u);
    EXPECT_TRUE(cannon.opaque(16, 16) && cannon.opaque(0, 16) && cannon.opaque(16, 31));
    EXPECT_FALSE(cannon.opaque(0, 0) || cannon.opaque(31, 31) || cannon.opaque(2, 29));

    TgaFile coin = shipped("coin.tga");
    ASSERT_EQ(coin.pixels.size(), 64u * 16u);
    // Widths across the middle row: face on, three quarters, edge on, three quarters.
    int face = countOpaque(coin, 0, 8, 16, 1), edge = countOpaque(coin, 32, 8, 16, 1);
    EXPECT_GE(face, 13);
    EXPECT_LE(edge, 6);
    EXPECT_GT(countOpaque(coin, 16, 8, 16, 1), edge);
    EXPECT_LT(countOpaque(coin, 16, 8, 16, 1), face);
    EXPECT_EQ(countOpaque(coin, 48, 8, 16, 1), countOpaque(coin, 16, 8, 16, 1));

    TgaFile arrow = shipped("arrow.tga");
    ASSERT_EQ(arrow.pixels.size(), 16u * 16u);
    int head = 0;
    for (int y = 8; y < 16; y++) {
        head = std::max(head, countOpaque(arrow, 0, y, 16, 1));
    }
    EXPECT_GT(2 * head, 3 * countOpaque(arrow, 0, 4, 16, 1)) << "the head is above the stem";
    EXPECT_TRUE(arrow.opaque(7, 14) || arrow.opaque(8, 14));

    TgaFile ball = shipped("ball.tga"), blip = shipped("blip.tga");
    EXPECT_TRUE(ball.opaque(8, 8) && !ball.opaque(0, 0));
    EXPECT_TRUE(blip.opaque(4, 4) && !blip.opaque(0, 0));
}
