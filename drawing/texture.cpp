#include "drawing/texture.h"

#include <GL/glu.h>

#include <iostream>
#include <vector>

#include "drawing/image_scaling.h"
#include "drawing/tga_image.h"

namespace {

GLenum pixelFormat(int channels) {
    switch (channels) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

// The largest side the GL holds; 0 with no context current (no window opened), where the GL
// holds nothing and nothing is uploaded.
int largestSide() {
    GLint glMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
    return glMax;
}

// Rows of 8- and 24-bit images come packed, not padded to four bytes; whatever alignment was set
// comes back afterwards.
class PackedRows {
public:
    PackedRows() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~PackedRows() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved_); }
    PackedRows(const PackedRows&) = delete;
    PackedRows& operator=(const PackedRows&) = delete;

private:
    GLint saved_ = 4;
};

// Decodes the file into the bound texture, bottom row and left column first, so that they land at
// t = 0 and s = 0. False when the file is missing, not a readable TGA, too large, or cut short.
// With no context the picture is still read, so that a broken one is still reported, but no side
// is too large.
bool uploadImage(const char* file, bool mipmaps) {
    const int side = largestSide();
    TgaImage image;
    if (!readTga(file, ImageLimits{side > 0 ? side : kAnyTgaSide, kMaxRunLengthPixels}, image)) {
        return false;
    }
    if (side < 1) {
        return true;
    }
    if (mipmaps) {
        uploadMipmaps(image.pixels.data(), image.width, image.height, image.channels);
    } else {
        // An unsmoothed picture keeps its own sides: the GL takes any, and pixel art shows
        // exactly as drawn, with nothing resampled.
        const GLenum format = pixelFormat(image.channels);
        PackedRows packed;
        glTexImage2D(GL_TEXTURE_2D, 0, format, image.width, image.height, 0, format,
                     GL_UNSIGNED_BYTE, image.pixels.data());
    }
    return true;
}

}  // namespace

void uploadMipmaps(const uint8_t* pixels, int width, int height, int channels) {
    const int side = largestSide();
    // GLU asks the context for its version first and crashes without one.
    if (width < 1 || height < 1 || side < 1) {
        return;
    }
    // Each side goes up to the next power of two, so no row or column is averaged away. GLU
    // would scale to its own choice of sides, and reads past the end of some pictures doing it
    // (8 x 3 reads a row too far), so it only ever gets power-of-two sides from us.
    const int toWidth = nextPowerOfTwo(width, side);
    const int toHeight = nextPowerOfTwo(height, side);
    std::vector<uint8_t> scaled;
    if (toWidth != width || toHeight != height) {
        scaled = scalePixels(pixels, width, height, channels, toWidth, toHeight);
        pixels = scaled.data();
    }
    const GLenum format = pixelFormat(channels);
    PackedRows packed;
    gluBuild2DMipmaps(GL_TEXTURE_2D, format, toWidth, toHeight, format, GL_UNSIGNED_BYTE, pixels);
}

GLuint loadTexture(const char* file, bool smooth) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    if (smooth) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    } else {
        // Wrap stays at the default repeat: a frame index one past the last shows frame 0.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    if (!uploadImage(file, smooth)) {
        std::cout << "Image file failed to load correctly: " << file << std::endl;
        return kNoTexture;
    }
    return name;
}
