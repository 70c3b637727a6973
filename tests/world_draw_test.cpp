#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "drawing/sprite_sheet.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"
#include "tools/common/tga.h"

namespace {

// Terrain sheets in which frame f is opaque only in the quarters its corner mask names (all of
// it for frame 0, the variant), each frame in its own colour, each sheet in its own blue.
Rgba frameColour(int frame, uint8_t blue) {
    return {static_cast<uint8_t>(16 * frame + 8), static_cast<uint8_t>(255 - 16 * frame), blue,
            255};
}

std::string writeTerrainSheet(const std::string& dir, const char* name, uint8_t blue) {
    const int kFrame = 32, kFrames = 16, kHalf = 16;
    std::vector<Rgba> texels(kFrame * kFrames * kFrame);
    for (int y = 0; y < kFrame; y++) {
        for (int x = 0; x < kFrame * kFrames; x++) {
            const int frame = x / kFrame;
            const bool right = x % kFrame >= kHalf, top = y >= kHalf;
            const int bit = top ? (right ? 2 : 1) : (right ? 8 : 4);
            const bool opaque = frame == 0 || (frame & bit) != 0;
            texels[y * kFrame * kFrames + x] = opaque ? frameColour(frame, blue) : Rgba{0, 0, 0, 0};
        }
    }
    const std::string path = dir + "/" + name;
    writePixels(path, kFrame * kFrames, kFrame, texels);
    return path;
}

const uint8_t kSolidSheetBlue = 40, kBackdropSheetBlue = 200;

// What the terrain shows at a pixel: "<layer> <frame>" or "none".
std::string terrainAt(int x, int y) {
    const Pixel p = readPixel(x, y);
    struct Layer {
        const char* name;
        uint8_t blue;
        float tint[3];
    };
    const Layer layers[3] = {{"solid", kSolidSheetBlue, {1.0f, 1.0f, 1.0f}},
                             {"breakable", kSolidSheetBlue, {1.0f, 0.75f, 0.6f}},
                             {"backdrop", kBackdropSheetBlue, {0.3f, 0.35f, 0.4f}}};
    for (const Layer& layer : layers) {
        for (int f = 0; f < 16; f++) {
            const Rgba c = frameColour(f, layer.blue);
            if (pixelNear(p, c.r * layer.tint[0], c.g * layer.tint[1], c.b * layer.tint[2])) {
                return std::string(layer.name) + " " + std::to_string(f);
            }
        }
    }
    if (p.r == 0 && p.g == 0 && p.b == 0) {
        return "none";
    }
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) +
           ")";
}

// A sandbox whose terrain sheets are the recognisable pictures above.
struct Scene : MissionScene {
    Scene(int mission, int size) : MissionScene(mission, size) {
        const std::string dir = makeScratchDir();
        World* world = sandbox.world;
        delete world->tileSheet;
        world->tileSheet = new SpriteSheet(
            writeTerrainSheet(dir, "tiles.tga", kSolidSheetBlue).c_str(), 32, 32, 0, 0, 16, 1);
        delete world->backdropSheet;
        world->backdropSheet = new SpriteSheet(
            writeTerrainSheet(dir, "tiles3.tga", kBackdropSheetBlue).c_str(), 32, 32, 0, 0, 16, 1);
    }
};

// The middle of one quarter of terrain cell (x, y) on the screen.
struct CellQuarters {
    int cameraX, cameraY;
    std::string at(int x, int y, int dx, int dy) const {
        return terrainAt(32 * x + 8 * dx - cameraX + 400, 32 * y + 8 * dy - cameraY + 300);
    }
    std::string topLeft(int x, int y) const { return at(x, y, -1, 1); }
    std::string topRight(int x, int y) const { return at(x, y, 1, 1); }
    std::string bottomLeft(int x, int y) const { return at(x, y, -1, -1); }
    std::string bottomRight(int x, int y) const { return at(x, y, 1, -1); }
};

void clearColourIs(float r, float g, float b) {
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_NEAR(clear[0], r, 1e-5);
    EXPECT_NEAR(clear[1], g, 1e-5);
    EXPECT_NEAR(clear[2], b, 1e-5);
    EXPECT_EQ(clear[3], 1.0f);
}

TEST(WorldDraw, SkyBlendsWithTheCameraRow) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    const struct {
        int cameraY;
        float r, g, b;
    } cases[] = {
        {64 * 32, 0.2f, 0.3f, 0.5f},       // half the map: mid
        {64 * 32 + 31, 0.2f, 0.3f, 0.5f},  // the same row
        {0, 0.1f, 0.05f, 0.0f},            // bottom: low
        {-31, 0.1f, 0.05f, 0.0f},          // truncates to row 0
        {96 * 32, 0.1f, 0.15f, 0.35f},     // halfway between mid and high
        {32 * 32, 0.15f, 0.175f, 0.25f},   // halfway between low and mid
        {128 * 32, 0.0f, 0.0f, 0.2f},      // top: high
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cameraY);
        world->cameraY = c.cameraY;
        beginFrame();
        world->draw();
        clearColourIs(c.r, c.g, c.b);
    }
}

TEST(WorldDraw, LeavesTheDrawingStateAsItFoundIt) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({"###", "#%#", "-=-"}, 64);
    sandbox.launch(2.5f, 8.0f);
    sandbox.world->editorMode = true;
    beginFrame();
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    sandbox.world->draw();
    GLfloat colour[4], pointSize = 0, matrix[16];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(colour[0] + colour[1] + colour[2], 3.0f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(pointSize, 1.0f);
    EXPECT_EQ(depthAfter, depthBefore);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f);
    }
}

// The frame rule of one terrain layer, cell by cell.
TEST(WorldDraw, DrawTilePicksTheFrameOfItsCorners) {
    REQUIRE_GL();
    Scene scene(1, 64);
    World* world = scene.sandbox.world;
    SpriteSheet* sheet = world->tileSheet;
    beginFrame();
    world->drawTile(Solid, Solid, Solid, Solid, 0, 200, Solid, sheet, 601);
    world->drawTile(Solid, Solid, Solid, Solid, 40, 200, Solid, sheet, 1445);
    world->drawTile(Solid, Solid, Empty, Empty, 80, 200, Solid, sheet, 0);
    world->drawTile(Breakable, Solid, Empty, Backdrop, 120, 200, Breakable, sheet, 0);
    world->drawTile(Solid, Solid, Solid, Breakable, 160, 200, Backdrop, sheet, 0);  // no match
    world->drawTile(Backdrop, 7, Empty, -1, 200, 200, Backdrop, sheet, 0);
    EXPECT_EQ(terrainAt(24, 224), "solid 15");
    EXPECT_EQ(terrainAt(64, 224), "solid 0");
    EXPECT_EQ(terrainAt(88, 224), "solid 3");
    EXPECT_EQ(terrainAt(104, 208), "none");
    EXPECT_EQ(terrainAt(128, 224), "solid 3");  // a Solid corner fills a Breakable cell
    EXPECT_EQ(terrainAt(136, 208), "none");
    EXPECT_EQ(terrainAt(168, 224), "none");
    EXPECT_EQ(terrainAt(208, 224), "solid 1");  // unknown kinds neither match nor fill
    EXPECT_EQ(terrainAt(224, 224), "none");
}

// The three terrain layers through the whole frame: which picture lies in front.
TEST(WorldDraw, TerrainLayersAndVariants) {
    REQUIRE_GL();
    Scene scene(1, 64);
    World* world = scene.sandbox.world;
    auto put = [&](int x, int y, int kind) { world->setTile(x, y, kind); };
    // A 3 x 2 block of rock: full cells (2, 3) with variation 1445 and (3, 3) with 1769.
    for (int x = 1; x <= 3; x++) {
        put(x, 2, Solid);
        put(x, 3, Solid);
    }
    put(4, 10, Solid), put(5, 10, Solid);  // cell (5, 10)
    put(14, 10, Backdrop), put(15, 10, Solid), put(14, 9, Backdrop), put(15, 9, Backdrop);
    put(19, 10, Breakable), put(20, 10, Solid);  // cell (20, 10)
    put(7, 15, Backdrop2), put(8, 15, Backdrop2), put(7, 14, Backdrop2), put(8, 14, Backdrop2);
    put(10, 15, Backdrop), put(11, 15, Backdrop2);  // cell (11, 15)
    world->cameraX = world->cameraY = 320;
    const CellQuarters cell = {320, 320};
    scene.draw();

    EXPECT_EQ(cell.topLeft(2, 3), "solid 0");
    EXPECT_EQ(cell.bottomRight(2, 3), "solid 0");
    EXPECT_EQ(cell.topLeft(3, 3), "solid 15");
    EXPECT_EQ(cell.topRight(1, 3), "solid 10");

    EXPECT_EQ(cell.topLeft(5, 10), "solid 3");
    EXPECT_EQ(cell.topRight(5, 10), "solid 3");
    EXPECT_EQ(cell.bottomLeft(5, 10), "none");
    EXPECT_EQ(cell.bottomRight(5, 10), "none");

    // Rock in front of the backdrop, whose layer counts the rock corner as filled.
    EXPECT_EQ(cell.topRight(15, 10), "solid 2");
    EXPECT_EQ(cell.topLeft(15, 10), "backdrop 15");
    EXPECT_EQ(cell.bottomRight(15, 10), "backdrop 15");

    EXPECT_EQ(cell.topLeft(20, 10), "breakable 3");
    EXPECT_EQ(cell.topRight(20, 10), "solid 2");
    EXPECT_EQ(cell.bottomLeft(20, 10), "none");

    // Backdrop2 alone shows nothing; beside Backdrop it fills.
    EXPECT_EQ(cell.topLeft(8, 15), "none");
    EXPECT_EQ(cell.bottomRight(8, 15), "none");
    EXPECT_EQ(cell.topRight(11, 15), "backdrop 3");
    EXPECT_EQ(cell.bottomRight(11, 15), "none");

    // Past the map's left edge nothing is drawn.
    EXPECT_EQ(cell.topLeft(-2, 10), "none");
}

// Objects lie behind the rock and in front of the backdrop; among them, shots come first.
TEST(WorldDraw, ObjectsBetweenTheTerrainLayers) {
    REQUIRE_GL();
    Scene scene(1, 64);
    World* world = scene.sandbox.world;
    const std::string dir = makeScratchDir();
    auto solidSheet = [&](const char* name, int w, int h, Rgba colour) {
        writePixels(dir + "/" + name, w, h, std::vector<Rgba>(w * h, colour));
        return (dir + "/" + name);
    };
    const Rgba kStudent = {250, 40, 250, 255}, kBall = {40, 250, 250, 255},
               kCoin = {250, 250, 40, 255};
    delete world->studentSheet;
    world->studentSheet =
        new SpriteSheet(solidSheet("s.tga", 128, 128, kStudent).c_str(), 32, 32, 16, 16, 4, 4);
    delete world->ballSheet;
    world->ballSheet =
        new SpriteSheet(solidSheet("b.tga", 16, 16, kBall).c_str(), 16, 16, 8, 8, 1, 1);
    delete world->coinSheet;
    world->coinSheet =
        new SpriteSheet(solidSheet("c.tga", 64, 16, kCoin).c_str(), 16, 16, 8, 8, 4, 1);
    for (int x = 5; x <= 6; x++) {
        for (int y = 5; y <= 6; y++) {
            world->setTile(x, y, Solid);         // full rock cell (6, 6)
            world->setTile(x + 8, y, Backdrop);  // full backdrop cell (14, 6)
        }
    }
    auto addStudent = [&](float x, float y) {
        world->students.push_back(new Student(x, y, world, world->studentSheet));
    };
    addStudent(6.0f, 6.0f);
    addStudent(14.0f, 6.0f);
    addStudent(10.0f, 12.0f);
    world->shots.push_back(new Shot(10.0f, 12.0f, world, 0, 0, CollisionCategory::CannonBall));
    world->coins.push_back(new Coin(18.0f, 12.0f, world, world->coinSheet));
    world->cameraX = world->cameraY = 320;
    scene.draw();
    auto at = [&](float x, float y) { return readPixel(32 * x - 320 + 400, 32 * y - 320 + 300); };
    auto is = [](const Pixel& p, const Rgba& c) { return pixelNear(p, c.r, c.g, c.b); };
    EXPECT_EQ(terrainAt(32 * 6 + 80, 32 * 6 - 20), "solid 15");
    EXPECT_TRUE(is(at(14.0f, 6.0f), kStudent));
    EXPECT_TRUE(is(at(10.0f, 12.0f), kBall));
    EXPECT_TRUE(is(at(10.4f, 12.4f), kStudent));
    EXPECT_TRUE(is(at(18.0f, 12.0f), kCoin));
}

// Mission 2 has its water line at 25 m (800 pixels).
TEST(WorldDraw, WaterBandAndBody) {
    REQUIRE_GL();
    Scene scene(2, 256);
    World* world = scene.sandbox.world;
    const float kSurface[3] = {51, 102, 153}, kWater[3] = {25.5f, 0, 12.75f};
    // A full rock cell inside the band and one in the fading water above it.
    for (int x = 100; x <= 101; x++) {
        for (int y = 22; y <= 23; y++) {
            world->setTile(x, y, Solid);
        }
        for (int y = 26; y <= 27; y++) {
            world->setTile(x, y, Solid);
        }
    }
    auto screen = [&](int worldX, int worldY) {
        return readPixel(worldX - world->cameraX + 400, worldY - world->cameraY + 300);
    };

    // Camera above the line at 1000: the band covers 700 to 800 in front of the rock, the fade
    // runs from the surface colour at 800 to the sky at 900.
    world->cameraX = 3232;
    world->cameraY = 1000;
    scene.draw();
    GLfloat sky[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, sky);
    EXPECT_TRUE(pixelNear(screen(3000, 750), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(pixelNear(screen(3232, 736), kSurface[0], kSurface[1], kSurface[2]));  // rock cell
    EXPECT_EQ(terrainAt(3232 - 3232 + 400, 864 - 1000 + 300), "solid 15");
    EXPECT_TRUE(pixelNear(screen(3000, 800), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(pixelNear(screen(3000, 899), sky[0] * 255, sky[1] * 255, sky[2] * 255));

    // Under the water at 600: the band covers 800 to 900, the fade runs to the water colour at
    // 700 and the water fills below.
    world->cameraY = 600;
    scene.draw();
    EXPECT_TRUE(pixelNear(screen(3000, 850), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(pixelNear(screen(3000, 799), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(pixelNear(screen(3000, 700), kWater[0], kWater[1], kWater[2]));
    EXPECT_TRUE(pixelNear(screen(3000, 500), kWater[0], kWater[1], kWater[2]));
    EXPECT_EQ(terrainAt(3232 - 3232 + 400, 736 - 600 + 300), "solid 0");  // variation 28180
}

TEST(WorldDraw, EditorCursorLiesBetweenHudAndTerrain) {
    REQUIRE_GL();
    Scene scene(1, 64);
    World* world = scene.sandbox.world;
    for (int x = 9; x <= 10; x++) {
        for (int y = 9; y <= 10; y++) {
            world->setTile(x, y, Solid);
        }
    }
    world->cameraX = world->cameraY = 320;
    world->cursorX = 10.0f;  // the middle of full cell (10, 10)
    world->cursorY = 10.0f;
    scene.draw();
    EXPECT_EQ(terrainAt(400, 300), "solid 15");
    world->editorMode = true;
    scene.draw();
    EXPECT_TRUE(pixelNear(readPixel(400, 300), 0, 255, 0));
    EXPECT_EQ(terrainAt(405, 300), "solid 15");  // a point of 6 pixels
    // Under the minimap the radar stays in front.
    world->cursorX = (700 - 400 + 320) / 32.0f;
    world->cursorY = (500 - 300 + 320) / 32.0f;
    scene.draw();
    EXPECT_FALSE(pixelNear(readPixel(700, 500), 0, 255, 0));
}

// A picture of a flight over varied terrain with the game's own images, for the docs; written
// only when MORVELAN_SCREENSHOTS names a folder.
TEST(WorldDraw, FlightScreenshot) {
    REQUIRE_GL();
    const char* folder = std::getenv("MORVELAN_SCREENSHOTS");
    if (!folder) {
        GTEST_SKIP() << "MORVELAN_SCREENSHOTS not set";
    }
    g_mission = 0;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    for (int x = 1; x < 128; x++) {
        const int ground = 60 + static_cast<int>(4 * std::sin(x * 0.3) + 2 * std::sin(x * 0.9));
        for (int y = 1; y < 128; y++) {
            int kind = Empty;
            if (y <= ground) {
                kind = (y > ground - 3 && x % 11 < 3) ? Breakable : Solid;
                if (y < ground - 3 && y > ground - 8 && x % 17 < 9) {
                    kind = Backdrop;
                }
            } else if (y < ground + 6 && x % 23 < 4) {
                kind = x % 2 ? Backdrop2 : Backdrop;
            } else if (y > 70 && y < 73 && x > 70 && x < 76) {
                kind = Solid;
            }
            world->setTile(x, y, kind);
        }
    }
    world->students.push_back(new Student(58.5f, 66.0f, world, world->studentSheet));
    world->students.push_back(new Student(72.5f, 74.0f, world, world->studentSheet));
    world->cannons.push_back(
        new Cannon(52.5f, 65.0f, world, world->cannonSheet, world->gunTexture));
    world->coins.push_back(new Coin(61.0f, 68.0f, world, world->coinSheet));
    world->studentsTotal = 3;
    world->coinsTotal = 5;
    sandbox.launch(64.5f, 69.0f);
    scriptedInput().hold(GLFW_KEY_UP);
    sandbox.tick(20);
    scriptedInput().releaseAll();
    beginFrame();
    world->draw();  // sets the sky, which the next clear shows
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    world->draw();
    saveScreenshot(std::string(folder) + "/flight.ppm");
}

}  // namespace
