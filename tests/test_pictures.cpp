#include "tests/test_pictures.h"

#include <GL/gl.h>

#include <filesystem>

#include "tests/test_support.h"

namespace {

std::vector<uint8_t> texelBytes(Rgba c, int bits) {
    if (bits == 8) {
        return {c.r};
    }
    if (bits == 24) {
        return {c.b, c.g, c.r};
    }
    return {c.b, c.g, c.r, c.a};
}

}  // namespace

Rgba grey(uint8_t level) {
    return {level, level, level, 255};
}

void writeTga(const std::string& path, const Picture& picture, int bits, bool runLength,
              Origin origin) {
    const bool top = origin == Origin::TopLeft || origin == Origin::TopRight;
    const bool right = origin == Origin::BottomRight || origin == Origin::TopRight;
    std::vector<std::vector<uint8_t>> stored;
    for (int row = 0; row < picture.height; row++) {
        const int y = top ? row : picture.height - 1 - row;
        for (int column = 0; column < picture.width; column++) {
            const int x = right ? picture.width - 1 - column : column;
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
    bytes[17] = static_cast<uint8_t>((bits == 32 ? 8 : 0) | (top ? 0x20 : 0) | (right ? 0x10 : 0));
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
    writeBytes(path, bytes);
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

GLint levelParameter(GLint level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

void startFrame() {
    beginFrame();
    glClearColor(kBackground.r / 255.0f, kBackground.g / 255.0f, kBackground.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void drawQuad(int x0, int y0, int x1, int y1, bool textured, Rgba colour) {
    if (!textured) {
        glDisable(GL_TEXTURE_2D);
    }
    glColor4ub(colour.r, colour.g, colour.b, colour.a);
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

std::string* PictureTest::scratch = nullptr;

void PictureTest::SetUpTestSuite() {
    scratch = new std::string(makeScratchDir());
}

void PictureTest::TearDownTestSuite() {
    std::filesystem::remove_all(*scratch);
    delete scratch;
}

void PictureTest::SetUp() {
    REQUIRE_GL();
    startFrame();
}
