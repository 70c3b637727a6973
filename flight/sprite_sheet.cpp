// Placeholder until this part of the game is written.
#include "flight/sprite_sheet.h"
SpriteSheet::SpriteSheet(const char*, int w, int h, int ox, int oy, int fx, int fy) : texture(0), frameWidth(w), frameHeight(h), originX(ox), originY(oy), framesX(fx), framesY(fy) {}
void SpriteSheet::draw(int, int, int, int, bool, int) {}
