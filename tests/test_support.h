#pragma once

#include <cstdint>
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
