#include "flight/minimap.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include "campaign/campaign_state.h"
#include "drawing/sprite_sheet.h"
#include "drawing/texture.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

// Pixels compare and print as colours.
bool operator==(const Pixel& a, const Pixel& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
void PrintTo(const Pixel& p, std::ostream* out) {
    *out << "(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ")";
}

namespace {

const Pixel kMapEmpty = {0, 0, 0};
const Pixel kMapSolid = {0, 96, 0};
const Pixel kArrowColour = {250, 200, 0};
const Pixel kBlipColour = {255, 0, 255};

// A one-colour, fully opaque 32-bit TGA.
std::string writeSolidTga(const std::string& dir, const char* name, int size, Pixel colour) {
    const std::string path = dir + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    const uint8_t header[18] = {0,
                                0,
                                2,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                static_cast<uint8_t>(size),
                                0,
                                static_cast<uint8_t>(size),
                                0,
                                32,
                                8};
    std::fwrite(header, 1, sizeof header, file);
    for (int i = 0; i < size * size; i++) {
        const uint8_t texel[4] = {colour.b, colour.g, colour.r, 255};
        std::fwrite(texel, 1, sizeof texel, file);
    }
    std::fclose(file);
    return path;
}

// A sandbox whose arrow and blip pictures are plain colours, so they can be told apart from
// the map in the frame.
struct Radar {
    explicit Radar(int size) : sandbox({}, size) {
        const std::string dir = makeScratchDir();
        World* world = sandbox.world;
        glDeleteTextures(1, &world->arrowTexture);
        world->arrowTexture =
            loadTexture(writeSolidTga(dir, "arrow.tga", 16, kArrowColour).c_str(), true);
        delete world->blipSheet;
        world->blipSheet = new SpriteSheet(writeSolidTga(dir, "blip.tga", 8, kBlipColour).c_str(),
                                           8, 8, 4, 4, 1, 1);
    }

    // Draws the radar alone at the screen's bottom-left corner and reads pixel (x, y) of it.
    Pixel drawAndRead(int x, int y) {
        beginFrame();
        sandbox.world->minimap->draw();
        return readPixel(x, y);
    }

    // Puts a new student with its centre of mass at (x, y).
    void placeStudent(float x, float y) {
        World* world = sandbox.world;
        Student* student = new Student(x, y, world, world->studentSheet);
        const b2Vec2 offset = student->body->GetWorldCenter() - student->body->GetPosition();
        student->body->SetTransform(b2Vec2(x, y) - offset, 0.0f);
        world->students.push_back(student);
    }

    Sandbox sandbox;
};

TEST(Minimap, NextPowerOfTwo) {
    EXPECT_EQ(nextPowerOfTwo(1), 1);
    EXPECT_EQ(nextPowerOfTwo(2), 2);
    EXPECT_EQ(nextPowerOfTwo(3), 4);
    EXPECT_EQ(nextPowerOfTwo(100), 128);
    EXPECT_EQ(nextPowerOfTwo(128), 128);
    EXPECT_EQ(nextPowerOfTwo(129), 256);
    EXPECT_EQ(nextPowerOfTwo(1 << 30), 1 << 30);
    EXPECT_EQ(nextPowerOfTwo(0), 0);
    EXPECT_EQ(nextPowerOfTwo(-5), 0);
    EXPECT_EQ(nextPowerOfTwo(INT_MIN), 0);
}

TEST(Minimap, TextureCoversTheMapAndBeyondIsEmpty) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox small({}, 100);
    Minimap& map = *small.world->minimap;
    EXPECT_EQ(map.textureWidth, 128);
    EXPECT_EQ(map.textureHeight, 128);
    // Beyond the 100 tiles, and row 0 / column 0, everything is Empty-coloured and opaque.
    for (int at : {(110 * 128 + 120) * 4, (127 * 128 + 127) * 4, (50 * 128 + 0) * 4}) {
        EXPECT_EQ(map.texels[at], 0);
        EXPECT_EQ(map.texels[at + 1], 0);
        EXPECT_EQ(map.texels[at + 2], 0);
        EXPECT_EQ(map.texels[at + 3], 255);
    }
    Sandbox large({}, 256);
    EXPECT_EQ(large.world->minimap->textureWidth, 256);
    EXPECT_EQ(large.world->minimap->textureHeight, 256);
}

TEST(Minimap, TileChangesRecolourTexelsAndUnknownKindsKeepThem) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({}, 64);
    World* world = sandbox.world;
    Minimap& map = *world->minimap;
    const int at = (64 * 5 + 7) * 4;  // texel (7, 5)
    world->setTile(7, 5, Breakable);
    EXPECT_EQ(map.texels[at], 96);
    EXPECT_EQ(map.texels[at + 1], 48);
    EXPECT_EQ(map.texels[at + 2], 0);
    EXPECT_EQ(map.texels[at + 3], 255);  // opaque, or the alpha test would hide the map

    for (int unknown : {5, -1}) {
        beginFrame();
        map.draw();
        ASSERT_FALSE(map.dirty);
        world->tiles[7 + 5 * 64] = unknown;
        map.setTexel(7, 5);
        EXPECT_TRUE(map.dirty);
        EXPECT_EQ(map.texels[at], 96) << unknown;
        EXPECT_EQ(map.texels[at + 1], 48) << unknown;
    }
}

TEST(Minimap, ShowsTheWindowAroundTheShipOneTexelOffAndRedrawsChanges) {
    REQUIRE_GL();
    g_mission = 0;
    Radar radar(64);
    World* world = radar.sandbox.world;
    radar.sandbox.launch(20.5f, 30.5f);  // centre of mass in tile (20, 30)
    // Tile (x, y) shows at pixels 2 * (x - 20 + 31), 2 * (y - 30 + 31).
    world->setTile(30, 35, Solid);
    EXPECT_EQ(radar.drawAndRead(82, 72), kMapSolid);
    EXPECT_EQ(radar.drawAndRead(84, 72), kMapEmpty);
    EXPECT_EQ(world->minimap->shipTileX, 20);
    EXPECT_EQ(world->minimap->shipTileY, 30);
    // The arrow covers the middle and lies in front of the map.
    world->setTile(20, 30, Solid);
    EXPECT_EQ(radar.drawAndRead(62, 62), kArrowColour);
    EXPECT_EQ(radar.drawAndRead(55, 64), kMapEmpty);
    // A change after an upload shows at the next draw.
    world->setTile(30, 35, Empty);
    EXPECT_EQ(radar.drawAndRead(82, 72), kMapEmpty);
}

TEST(Minimap, BlipsInsideTheWindowBlinkWithTheClock) {
    REQUIRE_GL();
    g_mission = 0;
    Radar radar(128);
    radar.sandbox.launch(20.5f, 30.5f);
    radar.placeStudent(20 + 31.9f, 30.5f);  // blip at (127, 65)
    radar.placeStudent(10.0f, 30 - 32.0f);  // exactly 32 tiles below: never shown
    radar.placeStudent(20 - 32.0f, 30.5f);  // exactly 32 tiles left: never shown
    radar.placeStudent(20 + 32.0f, 40.5f);  // exactly 32 tiles right: never shown

    scriptedInput().clock = 0.2;  // 1.2 sixths of a second: on
    EXPECT_EQ(radar.drawAndRead(126, 65), kBlipColour);
    EXPECT_EQ(radar.drawAndRead(44, 1), kMapEmpty);
    EXPECT_EQ(radar.drawAndRead(1, 65), kMapEmpty);
    EXPECT_EQ(radar.drawAndRead(126, 85), kMapEmpty);
    scriptedInput().clock = 0.4;  // 2.4: off
    EXPECT_EQ(radar.drawAndRead(126, 65), kMapEmpty);
    scriptedInput().clock = 0.0;
}

TEST(Minimap, WindowWrapsAtTheLeftEdge) {
    REQUIRE_GL();
    g_mission = 0;
    Radar radar(64);
    World* world = radar.sandbox.world;
    radar.sandbox.launch(10.5f, 30.5f);
    // The leftmost texel shown is x = 10 + 1 - 32 = -21, which repeats as x = 64 - 21.
    world->setTile(43, 35, Solid);
    EXPECT_EQ(radar.drawAndRead(0, 72), kMapSolid);
}

TEST(Minimap, LostShipLeavesNoArrowAndTheWindowWhereItWas) {
    REQUIRE_GL();
    g_mission = 0;
    Radar radar(64);
    World* world = radar.sandbox.world;
    radar.sandbox.launch(20.5f, 30.5f);
    world->setTile(21, 31, Solid);  // under the arrow's middle
    EXPECT_EQ(radar.drawAndRead(64, 64), kArrowColour);
    world->rocket->hull = -1.0f;
    radar.sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    EXPECT_EQ(radar.drawAndRead(64, 64), kMapSolid);
    EXPECT_EQ(world->minimap->shipTileX, 20);
    EXPECT_EQ(world->minimap->shipTileY, 30);
}

TEST(Minimap, DeletingReleasesTheTexture) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({}, 64);
    Minimap* map = new Minimap(sandbox.world, 128, 128);
    beginFrame();
    map->draw();
    const GLuint name = map->texture;
    EXPECT_TRUE(glIsTexture(name));
    delete map;
    EXPECT_FALSE(glIsTexture(name));
}

}  // namespace
