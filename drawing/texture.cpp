#include "drawing/texture.h"

#include <GL/glu.h>

#include <iostream>

// The game's images are all TGA; the decoder needs nothing else.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

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

// Decodes the file into the bound texture, bottom row first so that it lands at t = 0.
// False when the file is missing or not a readable TGA.
bool uploadImage(const char* file, bool mipmaps) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_set_flip_vertically_on_load(1);
    stbi_uc* pixels = stbi_load(file, &width, &height, &channels, 0);
    if (!pixels) {
        return false;
    }
    const GLenum format = pixelFormat(channels);
    // Rows of 8- and 24-bit images come packed, not padded to four bytes.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, format, width, height, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    stbi_image_free(pixels);
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
