#include "flight/world.h"

#include <algorithm>

#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "drawing/texture.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/explosion.h"
#include "flight/minimap.h"
#include "flight/object_list.h"
#include "flight/particle.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"

namespace {

const int32_t kStartCamera = 8000;  // pixels, until the first step follows the ship
const int kFontAdvance = 10;        // pixels
const int kFontHeight = 16;         // pixels

void deleteTexture(GLuint texture) {
    if (texture != kNoTexture) {
        glDeleteTextures(1, &texture);
    }
}

}  // namespace

World::World(int size) {
    // Empty lists (members), no editor.
    editorMode = false;

    // The map's size and its tile grid. The grid is cleared here, not only by the loaders, so
    // that a World deleted or drawn before loading reads nothing undefined.
    width = height = size;
    tiles = new int32_t[size * size];
    std::fill(tiles, tiles + size * size, static_cast<int32_t>(Empty));
    studentsRescued = studentsTotal = 0;

    // Sprite sheets: file, frame size, origin, frames across and down.
    tileSheet = new SpriteSheet("graphics/tiles.tga", 32, 32, 0, 0, 16, 1);
    backdropSheet = new SpriteSheet("graphics/tiles3.tga", 32, 32, 0, 0, 16, 1);
    studentSheet = new SpriteSheet("graphics/spaceman.tga", 32, 32, 16, 16, 4, 4);
    cannonSheet = new SpriteSheet("graphics/cannon.tga", 32, 32, 16, 16, 1, 1);
    explosionSheet = new SpriteSheet("graphics/explosion.tga", 32, 32, 16, 16, 16, 1);
    ballSheet = new SpriteSheet("graphics/ball.tga", 16, 16, 8, 8, 1, 1);
    blipSheet = new SpriteSheet("graphics/blip.tga", 8, 8, 4, 4, 1, 1);

    // Smooth textures.
    rocketTexture = loadTexture("graphics/rocket.tga", true);
    gunTexture = loadTexture("graphics/gun.tga", true);
    arrowTexture = loadTexture("graphics/arrow.tga", true);

    // The HUD font, then the coins' sheet.
    font = new Font("graphics/font.tga", kFontAdvance, kFontHeight);
    coinSheet = new SpriteSheet("graphics/coin.tga", 16, 16, 8, 8, 4, 1);

    // No gravity in the physics world: every object applies its own.
    physics = new b2World(b2Vec2(0, 0));
    physics->SetAllowSleeping(true);

    // The ship, at the origin until launch.
    rocket = new Rocket(0, 0, this, rocketTexture);

    // The camera and the previous camera.
    cameraX = cameraY = prevCameraX = prevCameraY = kStartCamera;

    // Terrain bodies and dirty flags, cleared as the tiles are.
    tileBodies = new b2Body*[size * size];
    std::fill(tileBodies, tileBodies + size * size, nullptr);
    tileDirty = new uint8_t[size * size];
    std::fill(tileDirty, tileDirty + size * size, 0);

    // No step counted toward a retry yet.
    deadFrames = 0;
}

World::~World() {
    // The objects, cannons first and puffs last; then the ship, which is already gone (deleted
    // with its body) when it exploded.
    removeAllObjects(cannons);
    removeAllObjects(shots);
    removeAllObjects(coins);
    removeAllObjects(students);
    removeAllObjects(particles);
    removeAllObjects(explosions);
    delete rocket;

    // The physics world frees every remaining body (terrain, cannon anchors) and joint.
    delete physics;

    delete tileSheet;
    delete backdropSheet;
    delete studentSheet;
    delete cannonSheet;
    delete explosionSheet;
    delete ballSheet;
    delete coinSheet;
    delete blipSheet;
    deleteTexture(rocketTexture);
    deleteTexture(gunTexture);
    deleteTexture(arrowTexture);
    delete font;
    delete minimap;

    delete[] tiles;
    delete[] tileBodies;
    delete[] tileDirty;
}
