#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
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

// A test on a fresh campaign, no mission chosen and no bests, with no key held.
class CampaignTest : public testing::Test {
protected:
    void SetUp() override;
};

// A fresh empty folder under the system's temporary folder, removed at exit.
std::string makeScratchDir();

// The whole file; empty when it cannot be read.
std::vector<uint8_t> readBytes(const std::string& path);

// Writes the whole file, failing the test when it cannot; returns the path.
std::string writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// What may stand at a path where a plain file belongs: a pipe (opening it to read waits for a
// writer), a link to /dev/zero (a device that reads as zeros without end) or a folder.
enum class NotAFile { Pipe, DeviceLink, Folder };
const NotAFile kNotAFiles[] = {NotAFile::Pipe, NotAFile::DeviceLink, NotAFile::Folder};
// Makes one at the path; false when it could not.
bool plant(NotAFile kind, const std::string& path);
// "a pipe", "a link to /dev/zero" or "a folder".
const char* describe(NotAFile kind);

// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

// Far longer than any load or save a test makes: a call still running by then has hung.
const unsigned kHangSeconds = 5;

// The exit code of `act` run in a forked child (whose rights or limits it may change), or -1
// when the child did not exit: it crashed, or it hung and its alarm ended it after kHangSeconds,
// so that a hang fails the test instead of stopping the run.
int exitCodeInChild(const std::function<int()>& act);

// Root passes every permission check, so rights are tested as this unprivileged user and group.
const uid_t kNobody = 65534;
// Drops this process to kNobody for good (only ever in a child); false when it could not.
bool becomeNobody();

// The most memory this process has held so far, in kB.
long peakRssKb();

// Holds exactly these keys on the scripted input, every other one released.
void press(std::initializer_list<int> keys);

// Works in a fresh scratch folder holding an empty data/ for as long as it lives, then goes back.
struct InScratchFolder {
    InScratchFolder();
    ~InScratchFolder();
    InScratchFolder(const InScratchFolder&) = delete;
    InScratchFolder& operator=(const InScratchFolder&) = delete;

    std::string previous;
    std::string dir;
};

// A fresh copy of the game's folder: the repository's pictures and sounds linked, a copy of its
// data without any progress file.
std::string makeGameFolder();

// Reads one pixel of the back buffer (x, y from the bottom left, as the game draws).
struct Pixel {
    uint8_t r, g, b;
};
Pixel readPixel(int x, int y);
// Whether the pixel is the colour (0 to 255 a channel) within the rounding of tints and blends.
bool pixelNear(const Pixel& p, float r, float g, float b);

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
