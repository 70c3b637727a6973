#include "flight/minimap.h"

#include <box2d/box2d.h>

#include <cstdint>

#include "drawing/sprite_sheet.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/input.h"

namespace {

const int kTexelBytes = 4;  // R, G, B, A

// Radar colours by tile kind, R, G, B. Drawn fully opaque: the map quad has to pass the alpha
// test to be seen at all.
const uint8_t kTexelAlpha = 255;
const int kKnownKinds = 5;  // Empty .. Solid
const uint8_t kKindColours[kKnownKinds][3] = {
    {0, 0, 0},     // Empty
    {0, 32, 32},   // Backdrop
    {32, 16, 16},  // Backdrop2
    {96, 48, 0},   // Breakable
    {0, 96, 0},    // Solid
};

const float kDegreesPerRadian = 57.2957795f;
const int kArrowSize = 16;  // pixels; the ship's arrow is centred on the middle of the map
const int kBlipRate = 6;    // blip halves per second: on for 1/6 s, off for the next

}  // namespace

int nextPowerOfTwo(int n) {
    if (n <= 0) {
        return 0;
    }
    // Smear the highest set bit of n - 1 into every bit below it. Unsigned, so that no shift or
    // the final +1 can overflow.
    uint32_t v = static_cast<uint32_t>(n) - 1;
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    return static_cast<int>(v + 1);
}

Minimap::Minimap(World* world, int displayWidth, int displayHeight)
    : world(world),
      displayWidth(displayWidth),
      displayHeight(displayHeight),
      texture(0),
      texels(nullptr),
      textureWidth(nextPowerOfTwo(world->width)),
      textureHeight(nextPowerOfTwo(world->height)),
      dirty(false) {
    const int texelCount = textureWidth * textureHeight;
    texels = new uint8_t[texelCount * kTexelBytes];
    // Texels of kinds without a colour keep what they hold, so start every one Empty-coloured
    // rather than upload whatever the allocation left.
    for (int i = 0; i < texelCount; i++) {
        uint8_t* texel = texels + i * kTexelBytes;
        texel[0] = kKindColours[Empty][0];
        texel[1] = kKindColours[Empty][1];
        texel[2] = kKindColours[Empty][2];
        texel[3] = kTexelAlpha;
    }
    glGenTextures(1, &texture);
    for (int y = 0; y < textureHeight; y++) {
        for (int x = 0; x < textureWidth; x++) {
            setTexel(x, y);
        }
    }
}

Minimap::~Minimap() {
    delete[] texels;
    glDeleteTextures(1, &texture);
}

void Minimap::setTexel(int x, int y) {
    const int kind = world->getTile(x, y);
    if (kind >= 0 && kind < kKnownKinds) {
        uint8_t* texel = texels + (textureWidth * y + x) * kTexelBytes;
        texel[0] = kKindColours[kind][0];
        texel[1] = kKindColours[kind][1];
        texel[2] = kKindColours[kind][2];
        texel[3] = kTexelAlpha;
    }
    dirty = true;
}

// Front to back: the arrow and the blips are drawn before the map so that they stay in front.
void Minimap::draw() {
    // 1. Upload the whole texture once per frame at most.
    if (dirty) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, texels);
    }
    dirty = false;

    // 2. The ship's arrow, turned with the ship. Without a ship the last position stays.
    if (world->rocket) {
        const b2Vec2 centre = world->rocket->body->GetWorldCenter();
        shipTileX = static_cast<int32_t>(centre.x);
        shipTileY = static_cast<int32_t>(centre.y);
        glPushMatrix();
        glTranslatef(displayWidth / 2, displayHeight / 2, 0.0f);
        glRotatef(world->rocket->body->GetAngle() * kDegreesPerRadian, 0.0f, 0.0f, 1.0f);
        glTranslatef(-kArrowSize / 2, -kArrowSize / 2, 0.0f);
        glBindTexture(GL_TEXTURE_2D, world->arrowTexture);
        glBegin(GL_QUADS);
        glTexCoord2i(0, 0);
        glVertex2i(0, 0);
        glTexCoord2i(1, 0);
        glVertex2i(kArrowSize, 0);
        glTexCoord2i(1, 1);
        glVertex2i(kArrowSize, kArrowSize);
        glTexCoord2i(0, 1);
        glVertex2i(0, kArrowSize);
        glEnd();
        glPopMatrix();
    }

    // 3. Blinking blips for the students inside the shown window, 2 pixels per tile.
    const int quarterWidth = displayWidth / 4;
    const int quarterHeight = displayHeight / 4;
    for (Student* student : world->students) {
        const b2Vec2 s = student->body->GetWorldCenter();
        if (!(shipTileX - quarterWidth < s.x && s.x < shipTileX + quarterWidth &&
              shipTileY - quarterHeight < s.y && s.y < shipTileY + quarterHeight)) {
            continue;
        }
        const long long halves = static_cast<long long>(getClock() * kBlipRate);
        if (halves % 2 != 0) {
            const int x = static_cast<int>(2 * (s.x - shipTileX) + displayWidth / 2);
            const int y = static_cast<int>(2 * (s.y - shipTileY) + displayHeight / 2);
            world->blipSheet->draw(0, 0, x, y, false, 0);
        }
    }

    // 4. The map: a window of 2 * quarter texels around the ship, wrapping at the texture's
    // edges. It sits one texel left of and below the arrow.
    const float left = static_cast<float>(shipTileX + 1 - quarterWidth) / textureWidth;
    const float right = static_cast<float>(shipTileX + 1 + quarterWidth) / textureWidth;
    const float bottom = static_cast<float>(shipTileY + 1 - quarterHeight) / textureHeight;
    const float top = static_cast<float>(shipTileY + 1 + quarterHeight) / textureHeight;
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(left, bottom);
    glVertex2i(0, 0);
    glTexCoord2f(right, bottom);
    glVertex2i(displayWidth, 0);
    glTexCoord2f(right, top);
    glVertex2i(displayWidth, displayHeight);
    glTexCoord2f(left, top);
    glVertex2i(0, displayHeight);
    glEnd();
}
