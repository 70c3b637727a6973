#include "drawing/sprite_sheet.h"

#include <utility>

#include "drawing/texture.h"

namespace {

// Linear fog that ends before eye depth 0, where everything is drawn: every fragment takes the
// white fog colour and keeps its texel's alpha, so the frame shows as a white silhouette.
const GLfloat kFlashFogStart = -1.0f;
const GLfloat kFlashFogEnd = 0.0f;

}  // namespace

SpriteSheet::SpriteSheet(const char* file, int frameWidth, int frameHeight, int originX,
                         int originY, int framesX, int framesY)
    : texture(loadTexture(file, false)),
      frameWidth(frameWidth),
      frameHeight(frameHeight),
      originX(originX),
      originY(originY),
      framesX(framesX),
      framesY(framesY) {}

SpriteSheet::~SpriteSheet() {
    if (texture != kNoTexture) {
        glDeleteTextures(1, &texture);
    }
}

void SpriteSheet::draw(int frameX, int frameY, int x, int y, bool mirror, int flash) {
    const int x0 = x - originX;
    const int y0 = y - originY;
    glBindTexture(GL_TEXTURE_2D, texture);
    float sLeft = static_cast<float>(frameX) / static_cast<float>(framesX);
    float sRight = static_cast<float>(frameX + 1) / static_cast<float>(framesX);
    const float tBottom = static_cast<float>(frameY) / static_cast<float>(framesY);
    const float tTop = static_cast<float>(frameY + 1) / static_cast<float>(framesY);
    if (flash >= 1) {
        glEnable(GL_FOG);
        glFogf(GL_FOG_START, kFlashFogStart);
        glFogf(GL_FOG_END, kFlashFogEnd);
    }
    if (mirror) {
        std::swap(sLeft, sRight);
    }
    glBegin(GL_QUADS);
    glTexCoord2f(sLeft, tBottom);
    glVertex2i(x0, y0);
    glTexCoord2f(sRight, tBottom);
    glVertex2i(x0 + frameWidth, y0);
    glTexCoord2f(sRight, tTop);
    glVertex2i(x0 + frameWidth, y0 + frameHeight);
    glTexCoord2f(sLeft, tTop);
    glVertex2i(x0, y0 + frameHeight);
    glEnd();
    glDisable(GL_FOG);
}
