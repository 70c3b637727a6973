#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/image_scaling.h"
#include "drawing/texture.h"
#include "drawing/tga_image.h"
#include "frontend/window.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace {

const auto kAtOnce = std::chrono::milliseconds(500);

// A run-length picture of one colour, 8-bit grey or 32-bit: a few bytes for every 128 pixels,
// so a small file decodes to as many pixels as its header likes.
std::vector<uint8_t> plainRuns(int width, int height, int bits) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = bits == 8 ? 11 : 10;
    bytes[12] = static_cast<uint8_t>(width);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = static_cast<uint8_t>(bits);
    bytes[17] = bits == 32 ? 8 : 0;
    for (int64_t left = static_cast<int64_t>(width) * height; left > 0; left -= 128) {
        bytes.push_back(static_cast<uint8_t>(0x80 | (left >= 128 ? 127 : left - 1)));
        bytes.insert(bytes.end(), bits / 8, 90);
    }
    return bytes;
}

// An uncompressed picture of one colour, 8-bit grey or 8-bit indices into a one-entry palette:
// a byte a pixel. The whole file is sized once: GCC 12 at -O3 misreads growing a vector of known
// size.
std::vector<uint8_t> plainPicture(int width, int height, bool colourMapped) {
    const size_t header = 18, palette = colourMapped ? 3 : 0;
    std::vector<uint8_t> bytes(header + palette + static_cast<size_t>(width) * height,
                               colourMapped ? 0 : 90);
    std::fill(bytes.begin(), bytes.begin() + header, 0);
    if (colourMapped) {
        bytes[1] = 1;
        bytes[2] = 1;
        bytes[5] = 1;  // one palette entry
        bytes[7] = 24;
    } else {
        bytes[2] = 3;
    }
    bytes[12] = static_cast<uint8_t>(width);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = 8;
    if (colourMapped) {
        bytes[header] = kOrange.b;
        bytes[header + 1] = kOrange.g;
        bytes[header + 2] = kOrange.r;
    }
    return bytes;
}

GLint maxTextureSide() {
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side;
}

// Loads the picture and tells whether it failed as a missing picture does: the line on
// standard output and no texture.
bool failsWithItsLine(const std::string& file, bool smooth) {
    testing::internal::CaptureStdout();
    const GLuint texture = loadTexture(file.c_str(), smooth);
    const std::string printed = testing::internal::GetCapturedStdout();
    return texture == kNoTexture &&
           printed == "Image file failed to load correctly: " + file + "\n";
}

class PictureFiles : public PictureTest {};

// A pipe would hold the load up until a writer came, and /dev/zero would give zeros without end.
// The loads run in a fresh child on an alarm, so one that hangs fails instead of stopping the run.
TEST_F(PictureFiles, APipeADeviceOrAFolderLoadsAtOnceAsAMissingPicture) {
    const std::string pipe = path("pipe.tga");
    const std::string zeros = path("zeros.tga");
    const std::string folder = path("folder.tga");
    ASSERT_TRUE(plant(NotAFile::Pipe, pipe));
    ASSERT_TRUE(plant(NotAFile::DeviceLink, zeros));
    ASSERT_TRUE(plant(NotAFile::Folder, folder));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(kHangSeconds);
            int failures = 0;
            for (const std::string& file : {pipe, zeros, folder}) {
                for (bool smooth : {false, true}) {
                    const auto start = std::chrono::steady_clock::now();
                    const bool missing = failsWithItsLine(file, smooth);
                    const bool quick = std::chrono::steady_clock::now() - start < kAtOnce;
                    if (!missing || !quick) {
                        std::fprintf(stderr, "%s: %s\n", file.c_str(),
                                     missing ? "slow" : "not read as a missing picture");
                        failures++;
                    }
                }
            }
            std::exit(failures == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// --- What a picture costs ----------------------------------------------------------------------

// Memory follows the pixels. A run-length picture may decode to far more than its file, so it is
// held to 4096 x 4096 pixels in all, however long and thin; an uncompressed one decodes to no more
// than its file holds, so only the GL's side holds it.
TEST_F(PictureFiles, PicturesAreRefusedByTheGlsSideAndRunLengthOnesByTheirPixels) {
    const GLint glSide = maxTextureSide();
    if (glSide < 8193 || glSide > 65534) {
        GTEST_SKIP() << "this GL holds sides up to " << glSide << " only";
    }
    // One row more than 8192 x 2048, the whole budget, is refused before the decoder allocates
    // its 64 MiB, though the file is a few hundred kilobytes; so is a side the GL cannot hold.
    writeBytes(path("over-budget.tga"), plainRuns(8192, 2049, 32));
    writeBytes(path("over-side.tga"), plainRuns(glSide + 1, 1, 32));
    for (const char* name : {"over-budget.tga", "over-side.tga"}) {
        SCOPED_TRACE(name);
        const long rssBefore = peakRssKb();
        EXPECT_TRUE(failsWithItsLine(path(name), false));
        EXPECT_TRUE(failsWithItsLine(path(name), true));
        EXPECT_LT(peakRssKb() - rssBefore, 16 * 1024) << "kB more at the peak";
    }

    Picture strip(4097, 2, kOrange);
    strip.fill(4096, 0, 1, 2, kBlue);
    writeTga(path("strip.tga"), strip, 32, false, Origin::BottomLeft);
    for (bool smooth : {false, true}) {
        SCOPED_TRACE(smooth ? "smooth" : "unsmoothed");
        testing::internal::CaptureStdout();
        const GLuint texture = loadTexture(path("strip.tga").c_str(), smooth);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(texture, kNoTexture);
        // The smooth one is mipmapped from its next powers of two, 8192 x 2.
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), smooth ? 8192 : 4097);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 2);
    }

    writeBytes(path("budget.tga"), plainRuns(8192, 2048, 8));
    testing::internal::CaptureStdout();
    const GLuint budget = loadTexture(path("budget.tga").c_str(), false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(budget, kNoTexture);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 8192);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 2048);

    // One column past the budget, uncompressed: grey and colour-mapped both decode, from memory
    // and from the file, and the texture takes the picture whole.
    const ImageLimits limits{glSide, kMaxRunLengthPixels};
    for (bool colourMapped : {false, true}) {
        SCOPED_TRACE(colourMapped ? "colour-mapped" : "grey");
        const std::vector<uint8_t> bytes = plainPicture(4097, 4096, colourMapped);
        TgaImage image;
        EXPECT_TRUE(decodeTga(bytes.data(), bytes.size(), limits, image));
        writeBytes(path("past-budget.tga"), bytes);
        testing::internal::CaptureStdout();
        const GLuint texture = loadTexture(path("past-budget.tga").c_str(), false);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(texture, kNoTexture);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 4097);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 4096);
    }
}

// --- Which way round ----------------------------------------------------------------------------

// A TGA may be stored from any corner (bits 4 and 5 of its descriptor). From a file or from
// memory it lands the same: its left column at s = 0, its bottom row at t = 0.
TEST_F(PictureFiles, PicturesStoredFromAnyCornerLandTheRightWayRound) {
    // No two columns or rows alike, and a run in each row for the run-length files.
    Picture picture(4, 2, kRed);
    picture.fill(2, 0, 1, 1, kGreen);
    picture.fill(3, 0, 1, 1, kBlue);
    picture.fill(0, 1, 1, 1, kWhite);
    picture.fill(1, 1, 2, 1, kYellow);
    picture.fill(3, 1, 1, 1, kCyan);
    std::vector<uint8_t> expected;  // bottom row first, left to right
    for (int y = picture.height - 1; y >= 0; y--) {
        for (int x = 0; x < picture.width; x++) {
            const Rgba t = picture.at(x, y);
            expected.insert(expected.end(), {t.r, t.g, t.b, t.a});
        }
    }
    const ImageLimits limits{16384, kMaxRunLengthPixels};
    const std::string file = path("corner.tga");
    for (Origin origin :
         {Origin::BottomLeft, Origin::TopLeft, Origin::BottomRight, Origin::TopRight}) {
        for (bool runLength : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "corner " << static_cast<int>(origin) << ", run-length " << runLength);
            writeTga(file, picture, 32, runLength, origin);
            const std::vector<uint8_t> bytes = readBytes(file);
            TgaImage fromMemory, fromFile;
            ASSERT_TRUE(decodeTga(bytes.data(), bytes.size(), limits, fromMemory));
            ASSERT_TRUE(readTga(file.c_str(), limits, fromFile));
            EXPECT_EQ(fromMemory.pixels, expected);
            EXPECT_EQ(fromFile.pixels, expected);
            ASSERT_NE(loadTexture(file.c_str(), false), kNoTexture);
            std::vector<uint8_t> texels(expected.size());
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            EXPECT_EQ(texels, expected);
        }
    }
}

// --- With no window ------------------------------------------------------------------------------

// A run that opened no window has no GL to say how large a texture may be. Its pictures are still
// read, so a broken one is still reported, but none is refused for its size, and nothing reaches
// GLU, which needs a context. In a fresh child, whose context can be let go.
TEST_F(PictureFiles, WithNoContextPicturesAreReadAndNoneIsRefusedForItsSize) {
    writeTga(path("wide.tga"), Picture(4097, 3, kOrange), 24, false, Origin::BottomLeft);
    std::vector<std::string> files = {path("wide.tga")};
    for (const std::string& name : folderEntries("graphics")) {
        files.push_back("graphics/" + name);
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            glfwMakeContextCurrent(nullptr);
            int failures = 0;
            for (const std::string& file : files) {
                for (bool smooth : {false, true}) {
                    testing::internal::CaptureStdout();
                    const GLuint texture = loadTexture(file.c_str(), smooth);
                    const std::string printed = testing::internal::GetCapturedStdout();
                    if (texture == kNoTexture || !printed.empty()) {
                        std::fprintf(stderr, "%s refused: %s", file.c_str(), printed.c_str());
                        failures++;
                    }
                }
            }
            if (!failsWithItsLine(path("missing.tga"), true)) {
                std::fprintf(stderr, "a missing picture went unreported\n");
                failures++;
            }
            std::exit(failures == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// --- Mipmap sides --------------------------------------------------------------------------------

// Each side goes up to the next power of two, but never past the largest one the GL holds.
TEST(NextPowerOfTwo, RoundsUpWithinTheLargestSide) {
    struct Case {
        int side, largest, power;
    };
    const Case cases[] = {{1, 16384, 1},
                          {2, 16384, 2},
                          {3, 16384, 4},
                          {5, 16384, 8},
                          {17, 16384, 32},
                          {33, 16384, 64},
                          {80, 16384, 128},
                          {4096, 16384, 4096},
                          {4097, 16384, 8192},
                          {16383, 16384, 16384},
                          {100, 64, 64},
                          {3, 2, 2},
                          {9000, 12000, 8192},
                          {2147483647, 16384, 16384},
                          {2147483647, 2147483647, 1073741824},
                          {0, 16384, 0},
                          {-5, 16384, 0},
                          {-2147483647 - 1, 16384, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(nextPowerOfTwo(c.side, c.largest), c.power)
            << "side " << c.side << " within " << c.largest;
    }
}

// A smooth picture goes to GLU at those sides, scaled up by our own box filter: 5 x 3 becomes
// 8 x 4 and 100 x 80 becomes 128 x 128, and a plain colour stays that colour exactly.
TEST_F(PictureFiles, SmoothPicturesAreMipmappedFromTheirNextPowersOfTwo) {
    struct Size {
        int width, height, toWidth, toHeight;
    };
    for (const Size& s :
         {Size{5, 3, 8, 4}, Size{33, 17, 64, 32}, Size{100, 80, 128, 128}, Size{6, 5, 8, 8}}) {
        SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
        const std::string file = path("plain.tga");
        writeTga(file, Picture(s.width, s.height, kOrange), 32, false, Origin::BottomLeft);
        ASSERT_NE(loadTexture(file.c_str(), true), kNoTexture);
        ASSERT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), s.toWidth);
        ASSERT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), s.toHeight);
        std::vector<uint8_t> bytes(static_cast<size_t>(s.toWidth) * s.toHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        for (size_t i = 0; i < bytes.size(); i += 4) {
            ASSERT_EQ(bytes[i], kOrange.r) << "texel " << i / 4;
            ASSERT_EQ(bytes[i + 1], kOrange.g) << "texel " << i / 4;
            ASSERT_EQ(bytes[i + 2], kOrange.b) << "texel " << i / 4;
        }
    }
}

}  // namespace
