// Placeholder until this part of the game is written.
#include "flight/minimap.h"
int nextPowerOfTwo(int n) { return n; }
Minimap::Minimap(World* w, int dw, int dh) : world(w), displayWidth(dw), displayHeight(dh), texture(0), texels(nullptr), textureWidth(0), textureHeight(0), dirty(false) {}
Minimap::~Minimap() {}
void Minimap::setTexel(int, int) {}
void Minimap::draw() {}
