#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// True when the test program has a window with an OpenGL context (always under xvfb-run).
bool hasGlContext();

// Skips the current test when there is no OpenGL context.
#define REQUIRE_GL()                 \
    do {                             \
        if (!hasGlContext())         \
            GTEST_SKIP() << "no GL"; \
    } while (0)

// A fresh empty folder under the system's temporary folder, removed at exit.
std::string makeScratchDir();

// The whole file; empty when it cannot be read.
std::vector<uint8_t> readBytes(const std::string& path);

// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

// The exit code of `act` run in a forked child (whose rights or limits it may change), or -1
// when the child did not exit.
int exitCodeInChild(const std::function<int()>& act);

// Reads one pixel of the back buffer (x, y from the bottom left, as the game draws).
struct Pixel {
    uint8_t r, g, b;
};
Pixel readPixel(int x, int y);

// Clears colour and stencil to start a frame, with a black clear colour and identity modelview.
void beginFrame();

struct Rgba;

// Writes a 32-bit TGA picture of width x height texels given bottom row first.
void writePixels(const std::string& path, int width, int height, const std::vector<Rgba>& texels);

// Writes the back buffer as a PNG-compatible screenshot (binary PPM) for docs.
void saveScreenshot(const std::string& path);

// What a draw function puts on the screen, read back through OpenGL's feedback mode: the real
// draw calls run, but instead of pixels OpenGL hands back every polygon in window pixels with
// its colour and texture coordinates. No part of the screen is clipped away.
struct DrawnText {
    float x, y;  // the first glyph's bottom-left corner
    std::string text;
    float red, green, blue;
    float scale;  // 1 for 8 x 16 glyphs 10 pixels apart
};
struct DrawnQuad {
    float left, bottom, right, top;
    float sLeft, tBottom, sRight, tTop;
};
struct DrawnScreen {
    // Runs of glyphs drawn one after another, advance apart on one line, in one colour; a
    // font's black outline copies are left out.
    std::vector<DrawnText> texts;
    std::vector<DrawnQuad> quads;  // everything that is not a glyph
};
DrawnScreen drawnScreen(const std::function<void()>& draw);
// The texts of a screen, one string each in drawing order: "(x, y) text", with " x2" after the
// position for a scaled text and " rgb(r, g, b)" for a colour other than white.
std::vector<std::string> placedTexts(const DrawnScreen& screen);
