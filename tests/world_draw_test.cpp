#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flight/font.h"
#include "flight/hud.h"
#include "flight/rocket.h"
#include "flight/sprite_sheet.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/campaign.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

// A 32-bit TGA, rows from the bottom.
void writeTga(const std::string& path, int width, int height, const std::vector<Rgba>& texels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    const uint8_t w = static_cast<uint8_t>(width & 255), wHigh = static_cast<uint8_t>(width >> 8);
    const uint8_t h = static_cast<uint8_t>(height & 255), hHigh = static_cast<uint8_t>(height >> 8);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, w, wHigh, h, hHigh, 32, 8};
    std::fwrite(header, 1, sizeof header, file);
    for (const Rgba& t : texels) {
        const uint8_t bgra[4] = {t.b, t.g, t.r, t.a};
        std::fwrite(bgra, 1, sizeof bgra, file);
    }
    std::fclose(file);
}

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
    writeTga(path, kFrame * kFrames, kFrame, texels);
    return path;
}

// A glyph atlas in which every character looks different: the upper half of glyph c shows the
// bits of c as bars, the lower half a fixed hatch, so blanks are visible too.
std::string writeFontAtlas(const std::string& dir) {
    const int kWidth = 128, kHeight = 256;
    std::vector<Rgba> texels(kWidth * kHeight, Rgba{0, 0, 0, 0});
    for (int code = 0; code < 256; code++) {
        const int left = (code % 16) * 8, topRow = (code / 16) * 16;  // rows from the top
        for (int gy = 0; gy < 16; gy++) {
            for (int gx = 0; gx < 8; gx++) {
                const bool lit =
                    gy < 8 ? ((code >> gy) & 1) && gx >= 1 && gx <= 6 : (gx + gy) % 3 == 0;
                if (lit) {
                    const int fromBottom = kHeight - 1 - (topRow + gy);
                    texels[fromBottom * kWidth + left + gx] = {255, 255, 255, 255};
                }
            }
        }
    }
    const std::string path = dir + "/font.tga";
    writeTga(path, kWidth, kHeight, texels);
    return path;
}

bool near(const Pixel& p, float r, float g, float b) {
    return std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2;
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
            if (near(p, c.r * layer.tint[0], c.g * layer.tint[1], c.b * layer.tint[2])) {
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

// A sandbox whose terrain sheets and font are the recognisable pictures above.
struct Scene {
    static std::vector<std::string> noTilesFor(int mission) {
        g_mission = mission;
        return {};
    }

    Scene(int mission, int size) : sandbox(noTilesFor(mission), size) {
        const std::string dir = makeScratchDir();
        World* world = sandbox.world;
        delete world->tileSheet;
        world->tileSheet = new SpriteSheet(
            writeTerrainSheet(dir, "tiles.tga", kSolidSheetBlue).c_str(), 32, 32, 0, 0, 16, 1);
        delete world->backdropSheet;
        world->backdropSheet = new SpriteSheet(
            writeTerrainSheet(dir, "tiles3.tga", kBackdropSheetBlue).c_str(), 32, 32, 0, 0, 16, 1);
        delete world->font;
        world->font = new Font(writeFontAtlas(dir).c_str(), 10, 16);
    }

    void draw() {
        beginFrame();
        sandbox.world->draw();
    }

    // The pixels of a screen rectangle, bounds inclusive.
    static std::vector<uint8_t> grab(int x0, int y0, int x1, int y1) {
        std::vector<uint8_t> rgb((x1 - x0 + 1) * (y1 - y0 + 1) * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x0, y0, x1 - x0 + 1, y1 - y0 + 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    // A frame holding only `lines` (32 pixels apart) printed with the world's font at (x, y).
    void drawText(int x, int y, const std::vector<const char*>& lines) {
        beginFrame();
        for (const char* line : lines) {
            glPushMatrix();
            glTranslatef(x, y, 0);
            sandbox.world->font->print(line, static_cast<int>(std::strlen(line)));
            glPopMatrix();
            y -= 32;
        }
    }

    Sandbox sandbox;
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

TEST(WorldDraw, HullAndFuelBars) {
    REQUIRE_GL();
    g_mission = 0;
    g_hullLevel = 2;
    g_fuelLevel = 4;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    sandbox.launch(64.5f, 100.0f);
    world->cameraX = world->cameraY = 8000;  // nothing of the world behind the HUD
    Rocket* ship = world->rocket;
    const float kHull[3] = {127.5f, 255, 0}, kFuel[3] = {204, 127.5f, 25.5f};
    auto hullAt = [&](int x) { return near(readPixel(x, 20), kHull[0], kHull[1], kHull[2]); };
    auto fuelAt = [&](int x) { return near(readPixel(x, 52), kFuel[0], kFuel[1], kFuel[2]); };

    ship->hull = 2.0f;  // full
    ship->fuel = 3.0f;  // full: 4 levels of 0.75
    beginFrame();
    world->draw();
    EXPECT_TRUE(hullAt(135));
    EXPECT_FALSE(hullAt(136));
    EXPECT_TRUE(fuelAt(135));
    EXPECT_FALSE(fuelAt(136));

    ship->hull = 1.0f;  // half: ends at 72
    ship->fuel = 6.0f;  // twice full: not capped, ends at 264
    beginFrame();
    world->draw();
    EXPECT_TRUE(hullAt(71));
    EXPECT_FALSE(hullAt(72));
    EXPECT_TRUE(fuelAt(263));
    EXPECT_FALSE(fuelAt(264));

    for (float empty : {0.0f, -1.0f, std::nanf("")}) {
        ship->hull = ship->fuel = empty;
        beginFrame();
        world->draw();
        for (int x = 50; x <= 140; x += 10) {
            EXPECT_FALSE(hullAt(x)) << empty << " at " << x;
            EXPECT_FALSE(fuelAt(x)) << empty << " at " << x;
        }
    }

    // Without a ship there are no bars.
    ship->hull = -1.0f;
    ship->fuel = 3.0f;
    sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->cameraX = world->cameraY = 8000;
    beginFrame();
    world->draw();
    EXPECT_FALSE(hullAt(100));
    EXPECT_FALSE(fuelAt(100));
    resetCampaign();
}

// The message chosen for each state of the flight, with its exact text and place.
TEST(WorldDraw, MessageFollowsTheFlightState) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({}, 128);
    World* world = sandbox.world;
    sandbox.launch(64.5f, 63.75f);  // on mission 0's start tile (64, 63)
    Rocket* ship = world->rocket;
    auto message = [&]() {
        const HudMessage m = chooseHudMessage(*world);
        std::string text = m.firstLine ? m.firstLine : "";
        if (m.secondLine) {
            text += std::string("|") + m.secondLine;
        }
        return text + " @" + std::to_string(m.x) + "," + std::to_string(m.y);
    };
    auto moveShip = [&](float x, float y) { ship->body->SetTransform(b2Vec2(x, y), 0.0f); };

    EXPECT_EQ(message(), "Use the arrow keys to fly. @270,364");
    moveShip(65.5f, 63.75f);
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");

    // An empty tank is announced only once a retry is allowed.
    ship->fuel = 0.0f;
    world->deadFrames = 120;
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");
    world->deadFrames = 121;
    EXPECT_EQ(message(), "    -- OUT OF FUEL --    |Press 'Z' to try again... @275,364");

    // Orbit: strictly above 32 m below the top; below the empty tank in priority.
    moveShip(65.5f, 96.0f);
    EXPECT_EQ(message(), "    -- OUT OF FUEL --    |Press 'Z' to try again... @275,364");
    ship->fuel = 1.0f;
    EXPECT_EQ(message(), "Land near a student to pick them up. @220,364");
    moveShip(65.5f, 96.01f);
    EXPECT_EQ(message(), "ENTERING ORBIT... @325,350");

    moveShip(30.5f, 50.0f);
    world->studentsRescued = 1;
    world->studentsKilled = 2;
    EXPECT_EQ(message(), "To end the mission, go into orbit! @230,364");
    world->studentsKilled = 1;
    EXPECT_EQ(message(), " @0,0");
    g_mission = 1;
    world->studentsKilled = 2;
    EXPECT_EQ(message(), " @0,0");
    g_mission = 0;

    // The ship lost: nothing until a retry is allowed.
    ship->hull = -1.0f;
    sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->deadFrames = 120;
    EXPECT_EQ(message(), " @0,0");
    world->deadFrames = 121;
    EXPECT_EQ(message(), "   -- YOU CRASHED!! --   |Press 'Z' to try again... @275,364");
}

// What the frame shows where messages stand, compared with the same text printed alone.
TEST(WorldDraw, MessagesAndCountersAreDrawnWhereTheyBelong) {
    REQUIRE_GL();
    Scene scene(0, 128);
    World* world = scene.sandbox.world;
    const int kBox[4] = {200, 300, 640, 400};
    auto messageBox = [&]() { return Scene::grab(kBox[0], kBox[1], kBox[2], kBox[3]); };

    // The crash message appears once a retry is allowed.
    world->rocket->hull = -1.0f;
    scene.sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->cameraX = world->cameraY = 8000;  // nothing of the world behind the text
    world->deadFrames = 120;
    scene.draw();
    const std::vector<uint8_t> drawn120 = messageBox();
    scene.drawText(0, 0, {});
    EXPECT_EQ(drawn120, messageBox());

    world->deadFrames = 121;
    scene.draw();
    const std::vector<uint8_t> drawn121 = messageBox();
    scene.drawText(275, 364, {"   -- YOU CRASHED!! --   ", "Press 'Z' to try again..."});
    EXPECT_EQ(drawn121, messageBox());
    scene.drawText(275, 364, {"    -- OUT OF FUEL --    ", "Press 'Z' to try again..."});
    EXPECT_NE(drawn121, messageBox());

    // Counters in plain decimals: students, and credits at 25 a student and 5 a coin.
    world->studentsRescued = 2;
    world->studentsTotal = 3;
    world->coinsCollected = 5;
    world->coinsTotal = 10;
    scene.draw();
    const std::vector<uint8_t> students = Scene::grab(41, 95, 140, 113);
    const std::vector<uint8_t> credits = Scene::grab(41, 71, 140, 89);
    scene.drawText(40, 96, {"x2 / 3"});
    EXPECT_EQ(students, Scene::grab(41, 95, 140, 113));
    scene.drawText(40, 72, {"x75 / 125"});
    EXPECT_EQ(credits, Scene::grab(41, 71, 140, 89));
}

TEST(WorldDraw, MissionZeroHintIsDrawnOverTheWorld) {
    REQUIRE_GL();
    Scene scene(0, 128);
    World* world = scene.sandbox.world;
    scene.sandbox.launch(64.5f, 63.75f);
    world->cameraX = world->cameraY = 8000;
    scene.draw();
    const std::vector<uint8_t> drawn = Scene::grab(200, 300, 640, 400);
    scene.drawText(270, 364, {"Use the arrow keys to fly."});
    EXPECT_EQ(drawn, Scene::grab(200, 300, 640, 400));
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
    EXPECT_TRUE(near(screen(3000, 750), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(near(screen(3232, 736), kSurface[0], kSurface[1], kSurface[2]));  // rock cell
    EXPECT_EQ(terrainAt(3232 - 3232 + 400, 864 - 1000 + 300), "solid 15");
    EXPECT_TRUE(near(screen(3000, 800), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(near(screen(3000, 899), sky[0] * 255, sky[1] * 255, sky[2] * 255));

    // Under the water at 600: the band covers 800 to 900, the fade runs to the water colour at
    // 700 and the water fills below.
    world->cameraY = 600;
    scene.draw();
    EXPECT_TRUE(near(screen(3000, 850), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(near(screen(3000, 799), kSurface[0], kSurface[1], kSurface[2]));
    EXPECT_TRUE(near(screen(3000, 700), kWater[0], kWater[1], kWater[2]));
    EXPECT_TRUE(near(screen(3000, 500), kWater[0], kWater[1], kWater[2]));
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
    EXPECT_TRUE(near(readPixel(400, 300), 0, 255, 0));
    EXPECT_EQ(terrainAt(405, 300), "solid 15");  // a point of 6 pixels
    // Under the minimap the radar stays in front.
    world->cursorX = (700 - 400 + 320) / 32.0f;
    world->cursorY = (500 - 300 + 320) / 32.0f;
    scene.draw();
    EXPECT_FALSE(near(readPixel(700, 500), 0, 255, 0));
}

}  // namespace
