#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/tga.h"

// Small pictures written as TGA files for the texture, sprite sheet and font tests, and the
// frame they are drawn into.

const Rgba kClearTexel = {0, 0, 0, 0};
const Rgba kRed = {255, 0, 0, 255};
const Rgba kGreen = {0, 255, 0, 255};
const Rgba kBlue = {0, 0, 255, 255};
const Rgba kWhite = {255, 255, 255, 255};
const Rgba kBlack = {0, 0, 0, 255};
const Rgba kYellow = {255, 255, 0, 255};
const Rgba kCyan = {0, 255, 255, 255};
const Rgba kOrange = {255, 128, 0, 255};
// Every test frame starts in this colour, so "nothing drawn" differs from a black outline.
const Rgba kBackground = {40, 40, 120, 255};

Rgba grey(uint8_t level);

// A picture as one looks at it: row 0 is the top row.
struct Picture {
    int width;
    int height;
    std::vector<Rgba> texels;

    Picture(int w, int h, Rgba fill) : width(w), height(h), texels(w * h, fill) {}
    void fill(int x, int yFromTop, int w, int h, Rgba colour) {
        for (int y = yFromTop; y < yFromTop + h; y++) {
            for (int i = x; i < x + w; i++) {
                texels[y * width + i] = colour;
            }
        }
    }
    Rgba at(int x, int yFromTop) const { return texels[yFromTop * width + x]; }
};

// The corner a TGA's first stored texel is: its descriptor's bits 5 (top) and 4 (right).
enum class Origin { BottomLeft, TopLeft, BottomRight, TopRight };

// 8-bit grey (the red channel), 24- or 32-bit TGA, stored from the given corner. Run-length files
// use a run packet for each run of equal texels and a one-texel raw packet for every other texel.
void writeTga(const std::string& path, const Picture& picture, int bits, bool runLength,
              Origin origin);

testing::AssertionResult pixelIs(int x, int y, Rgba expected);

// A parameter (GL_TEXTURE_WIDTH, ...) of one mipmap level of the bound texture.
GLint levelParameter(GLint level, GLenum name);

void startFrame();

// A quad over (x0, y0)-(x1, y1) showing the whole bound texture, or untextured in `colour` (its
// alpha too).
void drawQuad(int x0, int y0, int x1, int y1, bool textured, Rgba colour = kWhite);

// Each test starts on a fresh frame (skipped without GL); the suite's pictures go in a scratch
// folder of its own.
class PictureTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static std::string path(const std::string& name) { return *scratch + "/" + name; }

    static std::string* scratch;
};
