#pragma once

#include <GL/gl.h>

// The handle a failed load gives: no texture holds an image under it.
const GLuint kNoTexture = static_cast<GLuint>(-1);

// Loads a TGA image (uncompressed or run-length, 8, 24 or 32 bits per pixel) into a new texture,
// bottom row at t = 0, and leaves it bound. Smooth textures are mipmapped, linear and clamped;
// the others nearest-filtered and repeating. A file that cannot be read, is larger than the GL
// (or kMaxImageSide) allows, or ends before its pixels do, prints
// "Image file failed to load correctly: <file>" and gives kNoTexture.
GLuint loadTexture(const char* file, bool smooth);
