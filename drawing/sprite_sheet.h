#pragma once

#include <GL/gl.h>

// One texture cut into equal frames, drawn one frame at a time at a whole-pixel position.
class SpriteSheet {
public:
    SpriteSheet(const char* file, int frameWidth, int frameHeight, int originX, int originY,
                int framesX, int framesY);
    // Frees the texture: a World's sheets go with the World.
    ~SpriteSheet();

    SpriteSheet(const SpriteSheet&) = delete;
    SpriteSheet& operator=(const SpriteSheet&) = delete;

    // Draws frame (frameX, frameY), row 0 at the bottom of the image, with its origin at pixel
    // (x, y) of the current modelview, mirrored left to right on request; flash >= 1 draws a
    // white silhouette.
    void draw(int frameX, int frameY, int x, int y, bool mirror, int flash);

    int getOriginX() const { return originX; }
    int getOriginY() const { return originY; }
    GLuint getTexture() const { return texture; }

private:
    GLuint texture;
    int frameWidth;
    int frameHeight;
    int originX;
    int originY;
    int framesX;
    int framesY;
};
