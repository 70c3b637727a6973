#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"

namespace {

int terrainBodyCount(World* world) {
    int count = 0;
    for (b2Body* body = world->physics->GetBodyList(); body; body = body->GetNext()) {
        b2Fixture* f = body->GetFixtureList();
        if (f && f->GetFilterData().categoryBits == CollisionCategory::Terrain) {
            count++;
        }
    }
    return count;
}

float area(const b2PolygonShape& shape) {
    b2MassData mass;
    shape.ComputeMass(&mass, 1.0f);
    return mass.mass;
}

void lookAt(World* world, int tileX, int tileY) {
    world->cameraX = world->prevCameraX = tileX * 32 + 16;
    world->cameraY = world->prevCameraY = tileY * 32 + 16;
    world->updateTileBodies();
}

class Terrain : public testing::Test {
protected:
    void SetUp() override { g_mission = 0; }
};

}  // namespace

// Each corner of a cell is covered exactly when its tile is solid, and the areas follow:
// a corner triangle, half a cell, the cell less a corner, or a diagonal band joining two corners.
TEST_F(Terrain, CellShapesCoverTheirSolidCorners) {
    const b2Vec2 corners[4] = {{-0.45f, 0.45f}, {0.45f, 0.45f}, {-0.45f, -0.45f}, {0.45f, -0.45f}};
    b2Transform origin;
    origin.SetIdentity();
    for (int mask = 1; mask <= 14; mask++) {
        b2PolygonShape shape = World::tileShape(mask);
        int solid = 0;
        for (int bit = 0; bit < 4; bit++) {
            bool set = (mask >> bit) & 1;
            solid += set;
            EXPECT_EQ(shape.TestPoint(origin, corners[bit]), set) << "mask " << mask;
        }
        bool diagonal = mask == 6 || mask == 9;
        float expected = diagonal ? 0.75f : solid == 1 ? 0.125f : solid == 2 ? 0.5f : 0.875f;
        EXPECT_NEAR(area(shape), expected, 1e-5f) << "mask " << mask;
    }
    EXPECT_EQ(World::tileShape(0).m_count, 0);
    EXPECT_EQ(World::tileShape(15).m_count, 0);
}

TEST_F(Terrain, LoneTileCollidesAsADiamond) {
    Sandbox box({"...", ".#.", "..."});  // the solid tile is (2, 2)
    lookAt(box.world, 2, 2);
    EXPECT_EQ(terrainBodyCount(box.world), 4);
    EXPECT_TRUE(terrainAt(box.world, 2.5f, 2.5f));
    // Just inside each of the four tips (2.5, 2), (3, 2.5), (2.5, 3), (2, 2.5).
    EXPECT_TRUE(terrainAt(box.world, 2.5f, 2.05f));
    EXPECT_TRUE(terrainAt(box.world, 2.95f, 2.5f));
    EXPECT_TRUE(terrainAt(box.world, 2.5f, 2.95f));
    EXPECT_TRUE(terrainAt(box.world, 2.05f, 2.5f));
    // The tile's own corners are cut off.
    EXPECT_FALSE(terrainAt(box.world, 2.1f, 2.1f));
    EXPECT_FALSE(terrainAt(box.world, 2.9f, 2.9f));
    EXPECT_FALSE(terrainAt(box.world, 2.9f, 2.1f));
    EXPECT_FALSE(terrainAt(box.world, 2.1f, 2.9f));
}

TEST_F(Terrain, FlatGroundTopIsTheTopOfTheSolidRow) {
    Sandbox box({"..........", "##########", ".........."});  // row 2 solid
    lookAt(box.world, 5, 2);
    for (float x : {3.0f, 3.5f, 4.25f}) {
        EXPECT_TRUE(terrainAt(box.world, x, 2.99f));
        EXPECT_FALSE(terrainAt(box.world, x, 3.01f));
    }
    // The row's own cells reach only its middle from below, where nothing is solid.
    EXPECT_FALSE(terrainAt(box.world, 4.25f, 1.99f));
}

TEST_F(Terrain, DiagonalNeighboursAreJoinedByABand) {
    Sandbox box({"....", "..#.", ".#..", "...."});  // tiles (2, 2) and (3, 3)
    lookAt(box.world, 3, 3);
    // The shared cell (3, 3) carries one band through the corner point the tiles share.
    b2Body* cell = box.world->tileBodies[3 + 3 * box.world->width];
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->GetFixtureList()->GetNext(), nullptr);
    auto* shape = static_cast<b2PolygonShape*>(cell->GetFixtureList()->GetShape());
    EXPECT_NEAR(area(*shape), 0.75f, 1e-5f);
    EXPECT_TRUE(terrainAt(box.world, 3.0f, 3.0f));
    EXPECT_FALSE(terrainAt(box.world, 2.6f, 3.4f));
    EXPECT_FALSE(terrainAt(box.world, 3.4f, 2.6f));
}

TEST_F(Terrain, OnlyBreakableAndSolidCollide) {
    Sandbox box({"-=-=-", "=-=-=", "-=-=-"});
    box.world->setTile(3, 4, 7);
    box.world->setTile(4, 4, 255);
    box.world->setTile(2, 4, -1);
    lookAt(box.world, 3, 3);
    EXPECT_EQ(terrainBodyCount(box.world), 0);

    box.world->setTile(3, 2, Breakable);
    box.world->updateTileBodies();
    EXPECT_EQ(terrainBodyCount(box.world), 4);
}

TEST_F(Terrain, ChangedTilesAreRebuiltAndEmptiedCellsLoseTheirBodies) {
    Sandbox box({"...", ".#.", "..."});
    lookAt(box.world, 2, 2);
    ASSERT_EQ(terrainBodyCount(box.world), 4);
    box.world->setTile(2, 2, Empty);
    // Collision changes only at the next rebuild.
    EXPECT_EQ(terrainBodyCount(box.world), 4);
    box.world->updateTileBodies();
    EXPECT_EQ(terrainBodyCount(box.world), 0);
    for (int i = 0; i < box.world->width * box.world->height; i++) {
        EXPECT_EQ(box.world->tileDirty[i], 0);
    }
}

// The window of bodies follows the camera: cells left behind are destroyed, cells coming into
// view are built, and the total stays the window's 33 cells of surface.
TEST_F(Terrain, WindowFollowsTheCamera) {
    Sandbox box({std::string(63, '#')}, 64);  // row 1 solid across the map
    World* world = box.world;
    lookAt(world, 20, 1);
    auto hasBody = [world](int x, int y) {
        return world->tileBodies[x + y * world->width] != nullptr;
    };
    // Row 2's cells carry the surface; x from 4 to 36.
    EXPECT_TRUE(hasBody(4, 2));
    EXPECT_TRUE(hasBody(36, 2));
    EXPECT_FALSE(hasBody(3, 2));
    EXPECT_FALSE(hasBody(37, 2));
    int before = terrainBodyCount(world);

    world->prevCameraX = world->cameraX;
    world->cameraX += 10 * 32;
    world->updateTileBodies();
    EXPECT_FALSE(hasBody(4, 2));
    EXPECT_FALSE(hasBody(13, 2));
    EXPECT_TRUE(hasBody(14, 2));
    EXPECT_TRUE(hasBody(46, 2));
    EXPECT_EQ(terrainBodyCount(world), before);
}

TEST_F(Terrain, NegativeCameraDividesTowardZero) {
    Sandbox box({std::string(63, '#')}, 64);
    World* world = box.world;
    // -31 pixels is tile 0, so the window reaches column 16; flooring would stop at 15.
    world->cameraX = world->prevCameraX = -31;
    world->cameraY = world->prevCameraY = 2 * 32;
    world->updateTileBodies();
    EXPECT_NE(world->tileBodies[16 + 2 * world->width], nullptr);
    EXPECT_EQ(world->tileBodies[17 + 2 * world->width], nullptr);
}

TEST_F(Terrain, EdgesOfTheMap) {
    Sandbox box({}, 16);
    World* world = box.world;
    // Column 0 and row 0 are stored but read as Empty.
    world->tiles[0 + 5 * 16] = Solid;
    world->tiles[5 + 0 * 16] = Solid;
    EXPECT_EQ(world->getTile(0, 5), Empty);
    EXPECT_EQ(world->getTile(5, 0), Empty);
    EXPECT_EQ(world->getTile(16, 5), Empty);
    EXPECT_EQ(world->getTile(-3, -3), Empty);

    // Outside the valid range setTile changes nothing.
    world->setTile(0, 3, Solid);
    world->setTile(16, 3, Solid);
    world->setTile(3, 16, Solid);
    for (int i = 0; i < 16 * 16; i++) {
        EXPECT_EQ(world->tileDirty[i], 0) << i;
    }

    // The last column marks only the cells that exist.
    world->setTile(15, 7, Solid);
    EXPECT_EQ(world->getTile(15, 7), Solid);
    int marked = 0;
    for (int i = 0; i < 16 * 16; i++) {
        marked += world->tileDirty[i];
    }
    EXPECT_EQ(marked, 2);
    EXPECT_EQ(world->tileDirty[15 + 7 * 16], 1);
    EXPECT_EQ(world->tileDirty[15 + 8 * 16], 1);

    // The top-right tile is covered only up to its centre lines.
    world->setTile(15, 15, Solid);
    lookAt(world, 10, 10);
    EXPECT_TRUE(terrainAt(world, 15.3f, 15.3f));
    EXPECT_FALSE(terrainAt(world, 15.7f, 15.3f));
    EXPECT_FALSE(terrainAt(world, 15.3f, 15.7f));
}

TEST_F(Terrain, SandboxPictureRowsAndColumns) {
    Sandbox box({"#..", "..%"});
    EXPECT_EQ(box.world->getTile(1, 2), Solid);
    EXPECT_EQ(box.world->getTile(3, 1), Breakable);
    EXPECT_EQ(box.world->getTile(1, 1), Empty);
}
