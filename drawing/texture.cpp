#include "drawing/texture.h"

#include <GL/glu.h>

#include <algorithm>
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

// A GL that will not say takes at least this much; every GL since 1.1 does.
const int kLeastMaxTextureSide = 64;  // pixels

// The largest side the GL holds.
int largestSide() {
    GLint glMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
    return std::max<int>(glMax, kLeastMaxTextureSide);
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

// Decodes the file into the bound texture, bottom row first so that it lands at t = 0.
// False when the file is missing, not a readable TGA, too large, or cut short.
bool uploadImage(const char* file, bool mipmaps) {
    TgaImage image;
    if (!readTga(file, ImageLimits{largestSide(), kMaxImagePixels}, image)) {
        return false;
    }
    if (mipmaps) {
        uploadMipmaps(image.pixels.data(), image.width, image.height, image.channels);
    } else {
        const GLenum format = pixelFormat(image.channels);
        PackedRows packed;
        glTexImage2D(GL_TEXTURE_2D, 0, format, image.width, image.height, 0, format,
                     GL_UNSIGNED_BYTE, image.pixels.data());
    }
    return true;
}

}  // namespace

void uploadMipmaps(const uint8_t* pixels, int width, int height, int channels) {
    if (width < 1 || height < 1) {
        return;
    }
    // GLU would round the sides itself, but its scaling reads past the end of some pictures
    // (8 x 3 reads a row too far), so it only ever gets power-of-two sides from us: the ones it
    // would have chosen.
    const int side = largestSide();
    const int toWidth = nearestPowerOfTwo(width, side);
    const int toHeight = nearestPowerOfTwo(height, side);
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
