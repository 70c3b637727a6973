#include "flight/world.h"

#include "flight/collision_category.h"
#include "flight/minimap.h"
#include "flight/tile_kind.h"
#include "flight/user_data.h"

namespace {

const int kPixelsPerTile = 32;
const int kWindowReach = 16;  // cells each side of the camera's tile that get terrain bodies
const float kTerrainFriction = 0.5f;

// Marching-squares polygons of the dual-grid cell, in cell-local metres, counter-clockwise.
// Bits: 1 top left, 2 top right, 4 bottom left, 8 bottom right corner tile solid.
struct CellPolygon {
    int count;
    b2Vec2 vertices[6];
};

const CellPolygon kCellPolygons[16] = {
    {0, {}},
    {3, {{-0.5f, 0}, {0, 0.5f}, {-0.5f, 0.5f}}},
    {3, {{0, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}}},
    {4, {{-0.5f, 0}, {0.5f, 0}, {0.5f, 0.5f}, {-0.5f, 0.5f}}},
    {3, {{0, -0.5f}, {-0.5f, 0}, {-0.5f, -0.5f}}},
    {4, {{0, -0.5f}, {0, 0.5f}, {-0.5f, 0.5f}, {-0.5f, -0.5f}}},
    {6, {{-0.5f, -0.5f}, {0, -0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}, {-0.5f, 0}}},
    {5, {{0, -0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {-0.5f, 0.5f}, {-0.5f, -0.5f}}},
    {3, {{0.5f, 0}, {0, -0.5f}, {0.5f, -0.5f}}},
    {6, {{-0.5f, 0}, {0, -0.5f}, {0.5f, -0.5f}, {0.5f, 0}, {0, 0.5f}, {-0.5f, 0.5f}}},
    {4, {{0, 0.5f}, {0, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}}},
    {5, {{-0.5f, 0}, {0, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}}},
    {4, {{0.5f, 0}, {-0.5f, 0}, {-0.5f, -0.5f}, {0.5f, -0.5f}}},
    {5, {{0.5f, 0}, {0, 0.5f}, {-0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}}},
    {5, {{0, 0.5f}, {-0.5f, 0}, {-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}}},
    {0, {}},
};

// A square window of cells around a camera tile, bounds inclusive.
struct CellWindow {
    int left, right, bottom, top;

    static CellWindow around(int32_t cameraX, int32_t cameraY) {
        // Integer division truncates toward zero, as the camera tile must.
        int x = cameraX / kPixelsPerTile;
        int y = cameraY / kPixelsPerTile;
        return {x - kWindowReach, x + kWindowReach, y - kWindowReach, y + kWindowReach};
    }
    bool contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

}  // namespace

int World::getTile(int x, int y) const {
    if (x < 1 || y < 1 || x >= width || y >= height) {
        return Empty;
    }
    return tiles[x + y * width];
}

void World::markDirty(int x, int y) {
    if (x < 1 || y < 1 || x >= width || y >= height) {
        return;
    }
    tileDirty[x + y * width] = 1;
}

void World::setTile(int x, int y, int kind) {
    if (x < 1 || y < 1 || x >= width || y >= height) {
        return;
    }
    tiles[x + y * width] = kind;
    // The four cells that have this tile as a corner.
    markDirty(x, y);
    markDirty(x + 1, y);
    markDirty(x + 1, y + 1);
    markDirty(x, y + 1);
    if (minimap) {
        minimap->setTexel(x, y);
    }
}

b2PolygonShape World::tileShape(int mask) {
    b2PolygonShape shape;
    if (mask >= 1 && mask <= 14) {
        shape.Set(kCellPolygons[mask].vertices, kCellPolygons[mask].count);
    }
    return shape;
}

// Cell (x, y)'s static body from its four corner tiles; none when all or none are solid, so the
// terrain is a shell along its surface.
static b2Body* buildCellBody(World* world, int x, int y) {
    int mask = isSolidTile(world->getTile(x - 1, y)) + 2 * isSolidTile(world->getTile(x, y)) +
               4 * isSolidTile(world->getTile(x - 1, y - 1)) +
               8 * isSolidTile(world->getTile(x, y - 1));
    if (mask == 0 || mask == 15) {
        return nullptr;
    }
    b2BodyDef bodyDef;
    bodyDef.type = b2_staticBody;
    bodyDef.position.Set(static_cast<float>(x), static_cast<float>(y));
    b2Body* body = world->physics->CreateBody(&bodyDef);

    b2PolygonShape shape = World::tileShape(mask);
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = kTerrainFriction;
    fixtureDef.restitution = 0;
    fixtureDef.density = 0;
    fixtureDef.filter.categoryBits = CollisionCategory::Terrain;
    fixtureDef.filter.maskBits = 0xFFFF;
    fixtureDef.filter.groupIndex = 0;
    body->CreateFixture(&fixtureDef);
    setUserData(body, world);
    return body;
}

void World::updateTileBodies() {
    // 1. The windows around the camera and the previous camera.
    CellWindow now = CellWindow::around(cameraX, cameraY);
    CellWindow before = CellWindow::around(prevCameraX, prevCameraY);

    // 2. Bodies the camera has left behind go.
    for (int x = before.left; x <= before.right; x++) {
        for (int y = before.bottom; y <= before.top; y++) {
            if (x < 1 || y < 1 || x >= width || y >= height || now.contains(x, y)) {
                continue;
            }
            b2Body*& body = tileBodies[x + y * width];
            if (body) {
                physics->DestroyBody(body);
                body = nullptr;
            }
        }
    }

    // 3. Cells in view: rebuild the changed ones and those without a body.
    for (int x = now.left; x <= now.right; x++) {
        for (int y = now.bottom; y <= now.top; y++) {
            if (x < 1 || y < 1 || x >= width || y >= height) {
                continue;
            }
            int i = x + y * width;
            if (tileDirty[i]) {
                if (tileBodies[i]) {
                    physics->DestroyBody(tileBodies[i]);
                    tileBodies[i] = nullptr;
                }
                tileDirty[i] = 0;
            } else if (tileBodies[i]) {
                continue;
            }
            // 4. Rebuild.
            tileBodies[i] = buildCellBody(this, x, y);
        }
    }
}

void World::clearMap() {
    for (int i = 0; i < width * height; i++) {
        tileBodies[i] = nullptr;
        tileDirty[i] = 0;
        tiles[i] = Empty;
    }
    updateTileBodies();
    delete minimap;
    minimap = new Minimap(this, kMinimapSize, kMinimapSize);
}
