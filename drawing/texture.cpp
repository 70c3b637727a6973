#include "drawing/texture.h"

#include <GL/glu.h>

#include <algorithm>
#include <iostream>

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

// The largest side both the GL and our own cap allow.
int largestSide() {
    GLint glMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
    return glMax > 0 ? std::min<int>(glMax, kMaxImageSide) : kMaxImageSide;
}

// Decodes the file into the bound texture, bottom row first so that it lands at t = 0.
// False when the file is missing, not a readable TGA, too large, or cut short.
bool uploadImage(const char* file, bool mipmaps) {
    TgaImage image;
    if (!readTga(file, largestSide(), image)) {
        return false;
    }
    const GLenum format = pixelFormat(image.channels);
    // Rows of 8- and 24-bit images come packed, not padded to four bytes.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, format, image.width, image.height, format,
                          GL_UNSIGNED_BYTE, image.pixels.data());
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, format, image.width, image.height, 0, format,
                     GL_UNSIGNED_BYTE, image.pixels.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return true;
}

}  // namespace

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
