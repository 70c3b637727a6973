#pragma once

#include <GL/gl.h>

#include <cstdint>

class World;

// The smallest power of two not below n; 0 for n <= 0.
int nextPowerOfTwo(int n);

// The radar: one texel per tile coloured by kind, a window of it around the ship, the ship's
// arrow and the nearby students' blips.
class Minimap {
public:
    Minimap(World* world, int displayWidth, int displayHeight);
    ~Minimap();

    Minimap(const Minimap&) = delete;
    Minimap& operator=(const Minimap&) = delete;

    void setTexel(int x, int y);
    void draw();

    World* world;
    int32_t displayWidth;
    int32_t displayHeight;
    GLuint texture;
    uint8_t* texels;  // RGBA, texel (x, y) at (textureWidth * y + x) * 4, row 0 at the bottom
    int32_t textureWidth;
    int32_t textureHeight;
    int32_t shipTileX = 0;
    int32_t shipTileY = 0;
    bool dirty;
};
