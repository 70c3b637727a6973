// Placeholder until this part of the game is written.
#include "flight/texture.h"
GLuint loadTexture(const char*, bool) { return kNoTexture; }
