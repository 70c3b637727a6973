#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "drawing/texture.h"
#include "tests/test_support.h"

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

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

Rgba grey(uint8_t level) {
    return {level, level, level, 255};
}

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

// One letter a texel.
Picture pictureOf(const std::vector<std::string>& rows, const std::map<char, Rgba>& palette) {
    Picture picture(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), kClearTexel);
    for (int y = 0; y < picture.height; y++) {
        for (int x = 0; x < picture.width; x++) {
            picture.texels[y * picture.width + x] = palette.at(rows[y][x]);
        }
    }
    return picture;
}

enum class Origin { BottomLeft, TopLeft };

std::vector<uint8_t> texelBytes(Rgba c, int bits) {
    if (bits == 8) {
        return {c.r};
    }
    if (bits == 24) {
        return {c.b, c.g, c.r};
    }
    return {c.b, c.g, c.r, c.a};
}

// 8-bit grey (the red channel), 24- or 32-bit TGA. Run-length files use a run packet for each
// run of equal texels and a one-texel raw packet for every other texel.
void writeTga(const std::string& path, const Picture& picture, int bits, bool runLength,
              Origin origin) {
    std::vector<std::vector<uint8_t>> stored;
    for (int row = 0; row < picture.height; row++) {
        const int y = origin == Origin::TopLeft ? row : picture.height - 1 - row;
        for (int x = 0; x < picture.width; x++) {
            stored.push_back(texelBytes(picture.at(x, y), bits));
        }
    }
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = static_cast<uint8_t>((bits == 8 ? 3 : 2) + (runLength ? 8 : 0));
    bytes[12] = static_cast<uint8_t>(picture.width);
    bytes[13] = static_cast<uint8_t>(picture.width >> 8);
    bytes[14] = static_cast<uint8_t>(picture.height);
    bytes[15] = static_cast<uint8_t>(picture.height >> 8);
    bytes[16] = static_cast<uint8_t>(bits);
    bytes[17] = static_cast<uint8_t>((bits == 32 ? 8 : 0) | (origin == Origin::TopLeft ? 32 : 0));
    for (size_t i = 0; i < stored.size();) {
        size_t run = 1;
        while (runLength && run < 128 && i + run < stored.size() && stored[i + run] == stored[i]) {
            run++;
        }
        if (runLength) {
            bytes.push_back(static_cast<uint8_t>(run > 1 ? 0x80 | (run - 1) : 0));
        }
        bytes.insert(bytes.end(), stored[i].begin(), stored[i].end());
        i += run;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

testing::AssertionResult pixelIs(int x, int y, Rgba expected) {
    const Pixel p = readPixel(x, y);
    auto near = [](int a, int b) { return a - b <= 1 && b - a <= 1; };
    if (near(p.r, expected.r) && near(p.g, expected.g) && near(p.b, expected.b)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << int(p.r) << "," << int(p.g) << ","
           << int(p.b) << ", expected " << int(expected.r) << "," << int(expected.g) << ","
           << int(expected.b);
}

// What the screen should show, one letter a pixel: '.' the background, 'K' black, the rest
// named colours. The first row is the top one, at y = top.
void expectScreen(int left, int top, const std::vector<std::string>& rows) {
    const std::map<char, Rgba> colours = {{'.', kBackground}, {'K', kBlack}, {'R', kRed},
                                          {'G', kGreen},      {'W', kWhite}, {'Y', kYellow},
                                          {'C', kCyan}};
    for (size_t row = 0; row < rows.size(); row++) {
        for (size_t column = 0; column < rows[row].size(); column++) {
            const int x = left + static_cast<int>(column);
            const int y = top - static_cast<int>(row);
            EXPECT_TRUE(pixelIs(x, y, colours.at(rows[row][column])));
        }
    }
}

void startFrame() {
    beginFrame();
    glClearColor(kBackground.r / 255.0f, kBackground.g / 255.0f, kBackground.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

// A quad over (x0, y0)-(x1, y1) showing the whole bound texture, or untextured in `colour`.
void drawQuad(int x0, int y0, int x1, int y1, bool textured, Rgba colour = kWhite) {
    if (!textured) {
        glDisable(GL_TEXTURE_2D);
    }
    glColor3ub(colour.r, colour.g, colour.b);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2i(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2i(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2i(x0, y1);
    glEnd();
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The most memory the process has held so far.
long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint textureParameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

class Drawing : public testing::Test {
protected:
    static void SetUpTestSuite() { scratch = new std::string(makeScratchDir()); }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(*scratch);
        delete scratch;
    }
    void SetUp() override {
        REQUIRE_GL();
        startFrame();
    }

    static std::string path(const std::string& name) { return *scratch + "/" + name; }

    // Four frames across and two down, 8 x 8 texels each, one solid colour a frame.
    static std::string writeFrameGrid() {
        Picture picture(32, 16, kClearTexel);
        for (int fy = 0; fy < 2; fy++) {
            for (int fx = 0; fx < 4; fx++) {
                picture.fill(fx * 8, (1 - fy) * 8, 8, 8, gridColour(fx, fy));
            }
        }
        writeTga(path("grid.tga"), picture, 32, false, Origin::BottomLeft);
        return path("grid.tga");
    }
    // Frame (fx, fy) with fy = 0 the bottom row of frames.
    static Rgba gridColour(int fx, int fy) {
        const Rgba colours[8] = {kRed, kGreen, kBlue, kYellow, kCyan, kWhite, kOrange, grey(90)};
        return colours[fy * 4 + fx];
    }

    // One 8 x 8 frame: two yellow columns on the left, cyan elsewhere, a cut-out 2 x 2 centre.
    static std::string writeMarkedFrame() {
        Picture picture(8, 8, kCyan);
        picture.fill(0, 0, 2, 8, kYellow);
        picture.fill(3, 3, 2, 2, kClearTexel);
        writeTga(path("marked.tga"), picture, 32, false, Origin::TopLeft);
        return path("marked.tga");
    }

    static std::string* scratch;
};

std::string* Drawing::scratch = nullptr;

// --- Loading -----------------------------------------------------------------------------------

TEST_F(Drawing, EveryTgaKindLoadsTheRightWayUpWithItsColours) {
    // Width 5 keeps 8- and 24-bit rows off a four-byte boundary; runs and single texels mix.
    const std::vector<std::string> rows = {"RRRGB", "GGWWY", "BYCCH", "LLLLL"};
    const Rgba cutOut = {255, 0, 255, 0}, half = {0, 200, 100, 128}, underHalf = {0, 120, 60, 127};
    const std::map<char, Rgba> colours = {{'R', kRed},   {'G', kGreen},   {'B', kBlue},
                                          {'W', kWhite}, {'Y', kYellow},  {'C', cutOut},
                                          {'H', half},   {'L', underHalf}};
    const std::map<char, Rgba> greys = {{'R', grey(30)},  {'G', grey(90)},  {'B', grey(150)},
                                        {'W', grey(255)}, {'Y', grey(210)}, {'C', grey(0)},
                                        {'H', grey(180)}, {'L', grey(60)}};
    struct Kind {
        int bits;
        bool runLength;
        Origin origin;
    };
    const Kind kinds[] = {{32, false, Origin::BottomLeft}, {32, true, Origin::TopLeft},
                          {24, false, Origin::TopLeft},    {24, true, Origin::BottomLeft},
                          {8, false, Origin::BottomLeft},  {8, true, Origin::TopLeft}};
    const int kScale = 8;  // screen pixels per texel
    int n = 0;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(testing::Message()
                     << kind.bits << "-bit, run-length " << kind.runLength << ", top-left origin "
                     << (kind.origin == Origin::TopLeft));
        const Picture picture = pictureOf(rows, kind.bits == 8 ? greys : colours);
        const std::string file = path("kind" + std::to_string(n++) + ".tga");
        writeTga(file, picture, kind.bits, kind.runLength, kind.origin);
        startFrame();
        SpriteSheet sheet(file.c_str(), picture.width * kScale, picture.height * kScale, 0, 0, 1,
                          1);
        ASSERT_NE(sheet.getTexture(), kNoTexture);
        sheet.draw(0, 0, 40, 40, false, 0);
        for (int y = 0; y < picture.height; y++) {
            for (int x = 0; x < picture.width; x++) {
                Rgba expected = picture.at(x, y);
                // Only 32-bit images carry alpha; 128 of 255 is the least that is drawn.
                if (kind.bits == 32 && expected.a < 128) {
                    expected = kBackground;
                }
                const int px = 40 + x * kScale + kScale / 2;
                const int py = 40 + (picture.height - 1 - y) * kScale + kScale / 2;
                EXPECT_TRUE(pixelIs(px, py, expected)) << "texel " << x << ", " << y;
            }
        }
    }
}

TEST_F(Drawing, SmoothTexturesAreMipmappedAndClampedOthersNearestAndRepeating) {
    writeTga(path("solid.tga"), Picture(6, 3, kOrange), 24, false, Origin::BottomLeft);
    struct Expected {
        bool smooth;
        GLint minFilter, magFilter, wrap;
    };
    const Expected cases[] = {{true, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP},
                              {false, GL_NEAREST, GL_NEAREST, GL_REPEAT}};
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.smooth ? "smooth" : "unsmoothed");
        const GLuint texture = loadTexture(path("solid.tga").c_str(), c.smooth);
        ASSERT_NE(texture, kNoTexture);
        EXPECT_EQ(boundTexture(), static_cast<GLint>(texture));
        EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), c.minFilter);
        EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), c.magFilter);
        EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), c.wrap);
        EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), c.wrap);
        // Without its mipmaps a smooth texture would be incomplete and draw plain white.
        startFrame();
        drawQuad(100, 100, 400, 250, true);
        EXPECT_TRUE(pixelIs(250, 175, kOrange));
    }
}

TEST_F(Drawing, UnreadableImagePrintsItsNameAndGivesNoTexture) {
    const std::string garbage = path("garbage.tga");
    FILE* file = std::fopen(garbage.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("this is not a picture of anything", file);
    std::fclose(file);
    // Headers alone promising 16000 x 16000 pixels, plain and run-length: the decoder would
    // allocate and fill gigabytes before noticing the file has nothing more.
    const int kGiantSide = 16000;  // pixels
    std::vector<uint8_t> giant(18, 0);
    giant[2] = 2;
    giant[12] = giant[14] = kGiantSide & 0xFF;
    giant[13] = giant[15] = kGiantSide >> 8;
    giant[16] = 32;
    writeBytes(path("giant.tga"), giant);
    giant[2] = 10;
    writeBytes(path("giant-rle.tga"), giant);
    // Pictures cut short: the plain font after 100 bytes, a run-length one inside its last packet.
    std::vector<uint8_t> fontFile = readBytes("graphics/font.tga");
    fontFile.resize(100);
    writeBytes(path("font-cut.tga"), fontFile);
    writeTga(path("runs.tga"), Picture(40, 3, kOrange), 24, true, Origin::BottomLeft);
    std::vector<uint8_t> runs = readBytes(path("runs.tga"));
    runs.pop_back();
    writeBytes(path("runs-cut.tga"), runs);

    for (const std::string& name :
         {path("missing.tga"), garbage, path("giant.tga"), path("giant-rle.tga"),
          path("font-cut.tga"), path("runs-cut.tga")}) {
        for (bool smooth : {false, true}) {
            const long rssBefore = peakRssKb();
            const auto start = std::chrono::steady_clock::now();
            testing::internal::CaptureStdout();
            const GLuint texture = loadTexture(name.c_str(), smooth);
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                      "Image file failed to load correctly: " + name + "\n");
            const auto took = std::chrono::steady_clock::now() - start;
            EXPECT_LT(took, std::chrono::milliseconds(500)) << name;
            EXPECT_LT(peakRssKb() - rssBefore, 64 * 1024) << name << ": kB more at the peak";
            EXPECT_EQ(texture, 0xFFFFFFFFu);
            // The name made for it stays bound, holding no image.
            EXPECT_NE(boundTexture(), 0);
            EXPECT_TRUE(glIsTexture(static_cast<GLuint>(boundTexture())));
        }
    }

    // Sheets and fonts built on a failed load still draw without harm.
    testing::internal::CaptureStdout();
    SpriteSheet sheet(path("missing.tga").c_str(), 8, 8, 0, 0, 1, 1);
    Font font(path("missing.tga").c_str(), 10, 16);
    testing::internal::GetCapturedStdout();
    sheet.draw(0, 0, 10, 10, false, 1);
    font.print("ok", 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// --- First drawn wins --------------------------------------------------------------------------

TEST_F(Drawing, WhatIsDrawnFirstAtAPixelStaysThereForTheFrame) {
    SpriteSheet grid(writeFrameGrid().c_str(), 8, 8, 0, 0, 4, 2);
    SpriteSheet marked(writeMarkedFrame().c_str(), 8, 8, 0, 0, 1, 1);
    {
        SCOPED_TRACE("a sprite drawn twice at one place");
        grid.draw(0, 0, 100, 100, false, 0);  // red
        grid.draw(1, 0, 100, 100, false, 0);  // green over it
        grid.draw(1, 0, 200, 100, false, 0);  // green alone
        EXPECT_TRUE(pixelIs(104, 104, kRed));
        EXPECT_TRUE(pixelIs(204, 104, kGreen));
    }
    {
        SCOPED_TRACE("a background after the HUD, then before it");
        startFrame();
        grid.draw(0, 0, 100, 100, false, 0);
        drawQuad(0, 0, 800, 600, false, kGreen);
        EXPECT_TRUE(pixelIs(104, 104, kRed));
        EXPECT_TRUE(pixelIs(300, 300, kGreen));
        startFrame();
        drawQuad(0, 0, 800, 600, false, kGreen);
        grid.draw(0, 0, 100, 100, false, 0);
        EXPECT_TRUE(pixelIs(104, 104, kGreen));
    }
    {
        SCOPED_TRACE("cut-out texels of the first sprite");
        startFrame();
        marked.draw(0, 0, 100, 100, false, 0);
        grid.draw(0, 0, 100, 100, false, 0);  // red behind it
        expectScreen(101, 105, {"YCCCC", "YCRRC", "YCRRC", "YCCCC"});
    }
}

// --- Sprite sheets -----------------------------------------------------------------------------

TEST_F(Drawing, FramesAreChosenFromTheBottomRowUpAndWrapOnePastTheLast) {
    SpriteSheet sheet(writeFrameGrid().c_str(), 8, 8, 0, 0, 4, 2);
    for (int fy = 0; fy < 2; fy++) {
        for (int fx = 0; fx <= 4; fx++) {
            SCOPED_TRACE(testing::Message() << "frame " << fx << ", " << fy);
            const int x = 100 + fx * 20;
            const int y = 100 + fy * 20;
            sheet.draw(fx, fy, x, y, false, 0);
            // frameX == framesX repeats frame 0 of the same row.
            EXPECT_TRUE(pixelIs(x, y, gridColour(fx % 4, fy)));
            EXPECT_TRUE(pixelIs(x + 7, y + 7, gridColour(fx % 4, fy)));
        }
    }
}

TEST_F(Drawing, TheFramesOriginLandsOnTheDrawingPosition) {
    SpriteSheet sheet(writeFrameGrid().c_str(), 8, 8, 4, 2, 4, 2);
    EXPECT_EQ(sheet.getOriginX(), 4);
    EXPECT_EQ(sheet.getOriginY(), 2);
    glTranslatef(50, 0, 0);  // the caller's modelview moves it too
    sheet.draw(1, 0, 150, 300, false, 0);
    // Green over x 196..203, y 298..305.
    expectScreen(195, 306, {"..........", ".GGGGGGGG.", ".GGGGGGGG."});
    expectScreen(195, 299, {".GGGGGGGG.", ".GGGGGGGG.", ".........."});
}

TEST_F(Drawing, AMirroredFrameIsFlippedInsideTheSameRectangle) {
    SpriteSheet sheet(writeMarkedFrame().c_str(), 8, 8, 2, 2, 1, 1);
    sheet.draw(0, 0, 102, 102, false, 0);
    sheet.draw(0, 0, 202, 102, true, 0);
    expectScreen(99, 108,
                 {"..........", ".YYCCCCCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".YYC..CCC.",
                  ".YYC..CCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".........."});
    expectScreen(199, 108,
                 {"..........", ".CCCCCCYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".CCC..CYY.",
                  ".CCC..CYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".........."});
}

TEST_F(Drawing, FlashDrawsAWhiteSilhouetteAndLeavesFogOff) {
    SpriteSheet sheet(writeMarkedFrame().c_str(), 8, 8, 0, 0, 1, 1);
    for (int flash : {1, 7, 0, -3}) {
        SCOPED_TRACE(testing::Message() << "flash " << flash);
        startFrame();
        sheet.draw(0, 0, 100, 100, false, flash);
        EXPECT_FALSE(glIsEnabled(GL_FOG));
        if (flash >= 1) {
            expectScreen(101, 105, {"WWWWW", "WW..W", "WW..W", "WWWWW"});
        } else {
            expectScreen(101, 105, {"YCCCC", "YC..C", "YC..C", "YCCCC"});
        }
    }
}

// --- Font --------------------------------------------------------------------------------------

class FontDrawing : public Drawing {
protected:
    // 'A' is a 2 x 2 block at glyph pixels (3..4, 7..8); code 200 one at (5..6, 2..3).
    // Every other texel of the atlas is transparent.
    static std::string writeAtlas() {
        Picture atlas(128, 256, kClearTexel);
        markGlyph(atlas, 'A', 3, 7);
        markGlyph(atlas, 200, 5, 2);
        writeTga(path("font.tga"), atlas, 32, true, Origin::BottomLeft);
        return path("font.tga");
    }
    static void markGlyph(Picture& atlas, int code, int x, int yFromBottom) {
        const int cellLeft = (code % 16) * 8;
        const int cellBottomFromTop = (code / 16) * 16 + 15;
        atlas.fill(cellLeft + x, cellBottomFromTop - yFromBottom - 1, 2, 2, kWhite);
    }
    static void expectColourWhite() {
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[0], 1.0f);
        EXPECT_EQ(colour[1], 1.0f);
        EXPECT_EQ(colour[2], 1.0f);
    }
};

TEST_F(FontDrawing, TextKeepsItsColourInsideAOnePixelBlackOutline) {
    // Made just before the font under test, so that a code taken as a signed byte would land in
    // its lists, with their wider advance, instead of the right ones.
    Font decoy(writeAtlas().c_str(), 30, 16);
    Font font(writeAtlas().c_str(), 12, 20);
    EXPECT_EQ(font.getAdvance(), 12);
    EXPECT_EQ(font.getHeight(), 20);
    glTranslatef(100, 200, 0);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glColor3f(1, 0, 0);
    font.print("\310A", 2);

    // Code 200 (atlas row 12) at the pen's start, its block at (105..106, 202..203); 'A' one
    // advance along, at (115..116, 207..208). Diagonal corners get no outline.
    expectScreen(103, 204, {"..KK..", ".KRRK.", ".KRRK.", "..KK.."});
    expectScreen(113, 209, {"..KK..", ".KRRK.", ".KRRK.", "..KK.."});

    expectColourWhite();
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(after[i], before[i]) << "modelview element " << i;
    }
}

TEST_F(FontDrawing, PrintingNothingDrawsNothingAndStillLeavesTheColourWhite) {
    Font font(writeAtlas().c_str(), 10, 16);
    glTranslatef(100, 200, 0);
    glColor3f(1, 0, 0);
    font.print("AAAA", 0);
    for (int x = 100; x < 145; x++) {
        for (int y = 198; y < 218; y++) {
            ASSERT_TRUE(pixelIs(x, y, kBackground));
        }
    }
    expectColourWhite();
}

}  // namespace
