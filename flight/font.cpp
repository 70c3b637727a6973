// Placeholder until this part of the game is written.
#include "flight/font.h"
Font::Font(const char*, int a, int h) : advance(a), glyphHeight(h), texture(0), listBase(0) {}
void Font::print(const char*, int) {}
