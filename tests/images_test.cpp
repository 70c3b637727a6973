#include <GL/gl.h>
#include <box2d/box2d.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "drawing/texture.h"
#include "drawing/tga_image.h"
#include "flight/world.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"
#include "tools/images/images.h"
#include "tools/images/pictures.h"

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A TGA file as the game's loader sees it: header fields, then pixels bottom row first.
struct TgaFile {
    int type = 0, width = 0, height = 0, bits = 0, descriptor = 0;
    size_t size = 0;
    std::vector<Rgba> pixels;

    Rgba at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool opaque(int x, int y) const { return at(x, y).a != 0; }
};

TgaFile readTga(const std::string& path) {
    std::vector<uint8_t> b = readBytes(path);
    TgaFile tga;
    tga.size = b.size();
    if (b.size() < 18) {
        return tga;
    }
    tga.type = b[2];
    tga.width = b[12] | b[13] << 8;
    tga.height = b[14] | b[15] << 8;
    tga.bits = b[16];
    tga.descriptor = b[17];
    size_t count = static_cast<size_t>(tga.width) * tga.height;
    if (tga.bits == 32 && b.size() >= 18 + count * 4) {
        for (size_t i = 0; i < count; i++) {
            const uint8_t* p = &b[18 + i * 4];
            tga.pixels.push_back({p[2], p[1], p[0], p[3]});
        }
    }
    return tga;
}

TgaFile shipped(const std::string& name) {
    return readTga("graphics/" + name);
}

struct Expected {
    const char* name;
    int width, height;
};

const Expected kFiles[] = {
    {"font.tga", 128, 256},     {"rocket.tga", 64, 64},     {"tiles.tga", 512, 32},
    {"tiles3.tga", 512, 32},    {"spaceman.tga", 128, 128}, {"cannon.tga", 32, 32},
    {"gun.tga", 64, 64},        {"ball.tga", 16, 16},       {"coin.tga", 64, 16},
    {"explosion.tga", 512, 32}, {"arrow.tga", 16, 16},      {"blip.tga", 8, 8},
};

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

TEST(ShippedPictures, AreExactlyWhatTheGeneratorWrites) {
    std::string scratch = makeScratchDir();
    ASSERT_TRUE(generateImages(scratch));
    for (const Expected& file : kFiles) {
        std::vector<uint8_t> fresh = readBytes(scratch + "/graphics/" + file.name);
        std::vector<uint8_t> inRepo = readBytes(std::string("graphics/") + file.name);
        EXPECT_FALSE(fresh.empty()) << file.name;
        EXPECT_TRUE(fresh == inRepo) << file.name << " differs from a fresh generation";
    }
}

TEST(ShippedPictures, AreUncompressed32BitBottomUpWithHardAlpha) {
    for (const Expected& file : kFiles) {
        TgaFile tga = shipped(file.name);
        SCOPED_TRACE(file.name);
        EXPECT_EQ(tga.type, 2);
        EXPECT_EQ(tga.width, file.width);
        EXPECT_EQ(tga.height, file.height);
        EXPECT_EQ(tga.bits, 32);
        EXPECT_EQ(tga.descriptor, 0x08);  // 8 alpha bits, origin bottom left
        EXPECT_EQ(tga.size, 18u + static_cast<size_t>(file.width) * file.height * 4);
        int soft = 0;
        for (Rgba p : tga.pixels) {
            soft += (p.a != 0 && p.a != 255) ? 1 : 0;
        }
        EXPECT_EQ(soft, 0) << "the alpha test needs 0 or 255";
    }
}

TEST(TgaWriter, Writes24BitFilesAndReportsFailures) {
    Image image(3, 2);
    image.set(0, 0, {10, 20, 30, 255});
    image.set(2, 1, {40, 50, 60, 255});
    std::vector<uint8_t> bytes = encodeTga(image, 24);
    ASSERT_EQ(bytes.size(), 18u + 3 * 2 * 3);
    // True colour, 3 x 2, 24 bits, no alpha, origin bottom left.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 18),
              (std::vector<uint8_t>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0}));
    // Bottom row first, blue green red.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 18, bytes.end()),
              (std::vector<uint8_t>{30, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 60, 50, 40}));

    std::string scratch = makeScratchDir();
    EXPECT_TRUE(writeTga(scratch + "/a.tga", image, 32));
    EXPECT_FALSE(writeTga(scratch + "/missing/a.tga", image, 32));
    std::ofstream(scratch + "/plain") << "x";
    EXPECT_FALSE(generateImages(scratch + "/plain"));
}

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

TEST(ShippedPictures, LoadIntoTexturesTheRightWayUp) {
    // The checks on size and length pass every shipped picture through untouched.
    for (const auto& entry : std::filesystem::directory_iterator("graphics")) {
        const std::string file = entry.path().string();
        TgaImage image;
        ASSERT_TRUE(readTga(file.c_str(), kMaxImageSide, image)) << file;
        int width = 0, height = 0, channels = 0;
        stbi_set_flip_vertically_on_load(1);
        stbi_uc* plain = stbi_load(file.c_str(), &width, &height, &channels, 0);
        ASSERT_NE(plain, nullptr) << file;
        EXPECT_EQ(std::vector<uint8_t>(plain, plain + width * height * channels), image.pixels)
            << file;
        EXPECT_EQ(std::make_tuple(width, height, channels),
                  std::make_tuple(image.width, image.height, image.channels));
        stbi_image_free(plain);
    }
    REQUIRE_GL();
    GLuint texture = loadTexture("graphics/spaceman.tga", false);
    ASSERT_NE(texture, kNoTexture);
    Image picture = spacemanPicture();
    std::vector<uint8_t> texels(static_cast<size_t>(picture.width()) * picture.height() * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glDeleteTextures(1, &texture);
    int mismatched = 0;
    for (int y = 0; y < picture.height(); y++) {
        for (int x = 0; x < picture.width(); x++) {
            const uint8_t* t = &texels[(static_cast<size_t>(y) * picture.width() + x) * 4];
            Rgba p = picture.get(x, y);
            mismatched += (t[0] != p.r || t[1] != p.g || t[2] != p.b || t[3] != p.a) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatched, 0) << "row 0 of the picture must land at t = 0, where row 0 of frames is";
}
