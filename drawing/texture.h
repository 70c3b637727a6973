#pragma once

#include <GL/gl.h>

#include <cstdint>

// The handle a failed load gives: no texture holds an image under it.
const GLuint kNoTexture = static_cast<GLuint>(-1);

// Loads a TGA image (uncompressed or run-length, 8, 24 or 32 bits per pixel) into a new texture,
// left column at s = 0 and bottom row at t = 0, and leaves it bound. Smooth textures are
// mipmapped, linear and clamped; the others nearest-filtered and repeating. A file that cannot be
// read (or is no plain file), has a side longer than the GL holds, is run-length with more pixels
// than kMaxRunLengthPixels, or ends before its pixels do, prints "Image file failed to load
// correctly: <file>" and gives kNoTexture. With no context current the file is read and checked
// but nothing is uploaded, and no side is too long.
GLuint loadTexture(const char* file, bool smooth);

// Fills the bound texture and its mipmaps from packed rows of `channels` bytes a texel (1 grey,
// 2 grey and alpha, 3 RGB, 4 RGBA), bottom row first. Sides that are not powers of two are first
// scaled up to the next ones (see nextPowerOfTwo), within what the GL allows. Reads nothing past
// the last texel; does nothing with no context current.
void uploadMipmaps(const uint8_t* pixels, int width, int height, int channels);
