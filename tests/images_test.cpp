#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "drawing/texture.h"
#include "drawing/tga_image.h"
#include "tests/shipped_pictures.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"
#include "tools/images/images.h"
#include "tools/images/pictures.h"

namespace {

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

TEST(ShippedPictures, LoadIntoTexturesTheRightWayUp) {
    // The checks on size and length pass every shipped picture through untouched, even where
    // the GL holds no side over 1024 pixels.
    const ImageLimits smallGl{1024, kMaxRunLengthPixels};
    for (const auto& entry : std::filesystem::directory_iterator("graphics")) {
        const std::string file = entry.path().string();
        TgaImage image;
        ASSERT_TRUE(readTga(file.c_str(), smallGl, image)) << file;
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
