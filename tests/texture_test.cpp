#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "drawing/texture.h"
#include "drawing/tga_image.h"
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

// Bytes that end where readable memory does: the page after them cannot be read, so reading
// one byte past them faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t readable = (bytes.size() + page - 1) / page * page;
        size_ = readable + page;
        void* start =
            mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (start == MAP_FAILED) {
            std::abort();
        }
        start_ = static_cast<uint8_t*>(start);
        if (mprotect(start_ + readable, page, PROT_NONE) != 0) {
            std::abort();
        }
        data_ = start_ + readable - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { munmap(start_, size_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const uint8_t* data() const { return data_; }

private:
    uint8_t* start_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

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
    const std::string text = "this is not a picture of anything";
    const std::string garbage = writeBytes(path("garbage.tga"), {text.begin(), text.end()});
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

// --- Mipmaps of any size ----------------------------------------------------------------------

TEST_F(Drawing, SmoothPicturesOfOtherSidesAreScaledToPowersOfTwoWithinTheirPixels) {
    // The child starts afresh with a window of its own rather than fork the GL's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Size {
        int width, height;
    };
    // GLU's own scaling read past 8 x 3 and 1 x 3; the powers of two go to GLU as they are.
    const Size sizes[] = {{8, 3}, {1, 3}, {3, 8}, {5, 7}, {8, 2}, {1, 4}, {4, 1}, {1, 1}};
    EXPECT_EXIT(
        {
            GLuint name = 0;
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            for (const Size& size : sizes) {
                for (int channels : {1, 3, 4}) {
                    std::vector<uint8_t> bytes(size.width * size.height * channels);
                    for (size_t i = 0; i < bytes.size(); i++) {
                        bytes[i] = static_cast<uint8_t>(i * 37);
                    }
                    const GuardedBytes pixels(bytes);
                    // Named here so that a crash shows which picture it was.
                    std::fprintf(stderr, "%dx%d, %d channels\n", size.width, size.height, channels);
                    uploadMipmaps(pixels.data(), size.width, size.height, channels);
                    glFinish();
                }
            }
            std::exit(glGetError() == GL_NO_ERROR ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");

    // And scaled sensibly. Three rows, red, green and blue from the top, become four: the outer
    // ones keep their colours and the inner two mix green with its neighbours.
    Picture picture(8, 3, kRed);
    picture.fill(0, 1, 8, 1, kGreen);
    picture.fill(0, 2, 8, 1, kBlue);
    writeTga(path("three-rows.tga"), picture, 32, false, Origin::TopLeft);
    ASSERT_NE(loadTexture(path("three-rows.tga").c_str(), true), kNoTexture);
    ASSERT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 8);
    ASSERT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 4);
    std::vector<uint8_t> bytes(8 * 4 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    using Texel = std::array<int, 4>;
    auto texel = [&](int x, int y) {
        const uint8_t* t = &bytes[(y * 8 + x) * 4];
        return Texel{t[0], t[1], t[2], t[3]};
    };
    // The colour of a row, which every texel of it shares.
    auto row = [&](int y) {
        for (int x = 1; x < 8; x++) {
            EXPECT_EQ(texel(x, y), texel(0, y)) << "texel " << x << ", " << y;
        }
        return texel(0, y);
    };
    EXPECT_EQ(row(0), (Texel{kBlue.r, kBlue.g, kBlue.b, kBlue.a}));
    EXPECT_EQ(row(3), (Texel{kRed.r, kRed.g, kRed.b, kRed.a}));
    for (int y : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "row " << y);
        const Texel mixed = row(y);
        EXPECT_NEAR(mixed[0] + mixed[1] + mixed[2], 255, 2);
        EXPECT_GT(mixed[1], std::max(mixed[0], mixed[2]));
        EXPECT_EQ(mixed[3], 255);
    }
    EXPECT_GT(row(1)[2], row(1)[0]) << "the row above blue leans to blue";
    EXPECT_GT(row(2)[0], row(2)[2]) << "the row below red leans to red";
}

// --- Run-length packets ------------------------------------------------------------------------

TEST_F(Drawing, RunLengthPacketPastTheLastPixelIsRefusedFromMemoryAndFromFile) {
    // A 1 x 1 run-length 24-bit picture, its one texel orange, and the packets that follow.
    // The whole file is sized once: GCC 12 at -O3 misreads growing a vector of known size.
    auto picture = [](std::initializer_list<uint8_t> packets) {
        const uint8_t header[] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0};
        std::vector<uint8_t> bytes(std::size(header) + packets.size());
        std::copy(packets.begin(), packets.end(),
                  std::copy(std::begin(header), std::end(header), bytes.begin()));
        return bytes;
    };
    const uint8_t b = kOrange.b, g = kOrange.g, r = kOrange.r;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"raw packet of one", picture({0x00, b, g, r}), true},
        {"run of one", picture({0x80, b, g, r}), true},
        {"raw packet of two", picture({0x01, b, g, r, b, g, r}), false},
        {"run of two", picture({0x81, b, g, r}), false},
        {"run of 128", picture({0xFF, b, g, r}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageLimits limits{16384, kMaxRunLengthPixels};
        TgaImage fromMemory;
        EXPECT_EQ(decodeTga(c.bytes.data(), c.bytes.size(), limits, fromMemory), c.accepted);
        const std::string file = path("packets.tga");
        writeBytes(file, c.bytes);
        TgaImage fromFile;
        EXPECT_EQ(readTga(file.c_str(), limits, fromFile), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(fromMemory.pixels, (std::vector<uint8_t>{r, g, b}));
            EXPECT_EQ(fromFile.pixels, fromMemory.pixels);
        }
    }
}

}  // namespace
