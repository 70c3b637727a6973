#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "drawing/texture.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace {

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

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
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

class Drawing : public PictureTest {};

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

}  // namespace
