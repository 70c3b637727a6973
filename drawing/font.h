#pragma once

#include <GL/gl.h>

// A 16 x 16 glyph atlas turned into 256 display lists. Text is drawn in the current colour with
// a one-pixel black outline; the outline is drawn after the text, and the first-drawn-wins
// stencil rule keeps the text in front of it.
class Font {
public:
    Font(const char* file, int advance, int height);
    // Frees the atlas and the display lists: a World's font goes with the World.
    ~Font();

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Prints `length` bytes with the first glyph's bottom-left corner at the modelview origin.
    // Leaves the colour white and the modelview as it was.
    void print(const char* text, int length);

    int getAdvance() const { return advance; }
    int getHeight() const { return glyphHeight; }

private:
    void buildGlyph(int code);
    // One copy of the text at the modelview origin, in the current colour.
    void drawCopy(const char* text, int length);

    int advance;
    int glyphHeight;
    GLuint texture;
    GLuint listBase;
};
