#include "drawing/font.h"

#include "drawing/texture.h"

namespace {

const int kGlyphCount = 256;
const int kAtlasCells = 16;                  // glyphs across and down the atlas
const float kCellSize = 1.0f / kAtlasCells;  // in texture coordinates
// Every glyph is drawn this size, whatever the font's advance and height say.
const int kGlyphWidth = 8;    // pixels
const int kGlyphHeight = 16;  // pixels

}  // namespace

Font::Font(const char* file, int advance, int height)
    : advance(advance),
      glyphHeight(height),
      texture(loadTexture(file, false)),
      listBase(glGenLists(kGlyphCount)) {
    for (int c = 0; c < kGlyphCount; c++) {
        buildGlyph(c);
    }
}

Font::~Font() {
    glDeleteLists(listBase, kGlyphCount);
    if (texture != kNoTexture) {
        glDeleteTextures(1, &texture);
    }
}

// One list per character code: its quad, then the pen moves right. Row 0 is the atlas's top.
void Font::buildGlyph(int code) {
    glNewList(listBase + code, GL_COMPILE);
    const int column = code % kAtlasCells;
    const int row = code / kAtlasCells;
    const float sLeft = column * kCellSize;
    const float sRight = sLeft + kCellSize;
    const float tTop = 1.0f - row * kCellSize;
    const float tBottom = tTop - kCellSize;
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(sLeft, tBottom);
    glVertex2i(0, 0);
    glTexCoord2f(sRight, tBottom);
    glVertex2i(kGlyphWidth, 0);
    glTexCoord2f(sLeft, tTop);
    glVertex2i(0, kGlyphHeight);
    glTexCoord2f(sRight, tTop);
    glVertex2i(kGlyphWidth, kGlyphHeight);
    glEnd();
    glTranslated(advance, 0.0, 0.0);
    glEndList();
}

void Font::drawCopy(const char* text, int length) {
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texture);
    glListBase(listBase);
    glCallLists(length, GL_UNSIGNED_BYTE, text);
    glPopMatrix();
}

// The text first, then the black outline around it: the first-drawn-wins stencil keeps the text
// in front, so the outline only fills the free pixels one step left, right, up and down.
void Font::print(const char* text, int length) {
    glPushMatrix();
    drawCopy(text, length);
    glColor3f(0.0f, 0.0f, 0.0f);
    glTranslatef(1.0f, 0.0f, 0.0f);
    drawCopy(text, length);
    glTranslatef(-2.0f, 0.0f, 0.0f);
    drawCopy(text, length);
    glTranslatef(1.0f, 1.0f, 0.0f);
    drawCopy(text, length);
    glTranslatef(0.0f, -2.0f, 0.0f);
    drawCopy(text, length);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}
