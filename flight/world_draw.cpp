#include <GL/gl.h>

#include <cmath>

#include "campaign/campaign_state.h"
#include "drawing/sprite_sheet.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/explosion.h"
#include "flight/hud.h"
#include "flight/particle.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"

namespace {

const int kPixelsPerMetre = 32;
const int kHalfCell = 16;  // pixels: a terrain cell is centred on a whole-metre point
// The screen is 800 x 600; the camera point lies at its centre.
const int kHalfScreenWidth = 400, kHalfScreenHeight = 300;
// Terrain cells drawn around the camera's cell: 27 across, 21 up.
const int kCellsAcross = 13, kCellsUp = 10;
// The water quads reach this far left and right of the camera (pixels).
const float kWaterReach = 800.0f;

const float kWaterSurfaceColour[3] = {0.2f, 0.4f, 0.6f};
const float kBreakableTint[3] = {1.0f, 0.75f, 0.6f};
const float kBackdropTint[3] = {0.3f, 0.35f, 0.4f};
const float kCursorColour[3] = {0.0f, 1.0f, 0.0f};
const float kCursorSize = 6.0f;  // pixels

// A full cell shows its variant picture (frame 0) when its variation number is a multiple
// of this.
const int kVariantEvery = 5;
const int kFullFrame = 15;
const int kVariantFrame = 0;

struct Rgb {
    float red, green, blue;
};

Rgb blend(const Colour& from, const Colour& to, float t) {
    return {from.red * (1 - t) + to.red * t, from.green * (1 - t) + to.green * t,
            from.blue * (1 - t) + to.blue * t};
}

// The sky for the camera's tile row: low at the bottom, mid at half height, high at the top.
Rgb skyColour(int cameraY, int mapHeight, int mission) {
    const int row = cameraY / kPixelsPerMetre;
    const int half = mapHeight / 2;
    if (row > half) {
        const float t = static_cast<float>(row - half) / static_cast<float>(half);
        return blend(g_skyMidColour[mission], g_skyHighColour[mission], t);
    }
    const float t = static_cast<float>(row) / static_cast<float>(half);
    return blend(g_skyLowColour[mission], g_skyMidColour[mission], t);
}

// A whole number per cell that picks which full cells show the variant picture. Only cells with
// a corner inside the map need it; the others draw nothing.
int variationNumber(int x, int y) {
    if (x < 0 || y < 0) {
        return 0;
    }
    const double product = (333.0 * y + 19.0) * (1024.0 * x + 5.0);
    return static_cast<int>(std::sqrt(product));
}

void untexturedColour(const float* colour) {
    glDisable(GL_TEXTURE_2D);
    glColor3fv(colour);
}

void texturedWhite() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
}

// The band between the water line and halfway-to-it of the camera's distance, on the side of
// the camera.
void drawWaterSurface(float waterLine, int cx, int cy) {
    const float band = waterLine - 0.5f * (cy - waterLine);
    untexturedColour(kWaterSurfaceColour);
    glBegin(GL_QUADS);
    glVertex2f(cx - kWaterReach, band);
    glVertex2f(cx + kWaterReach, band);
    glVertex2f(cx + kWaterReach, waterLine);
    glVertex2f(cx - kWaterReach, waterLine);
    glEnd();
    texturedWhite();
}

void drawEditorCursor(float x, float y) {
    untexturedColour(kCursorColour);
    glPointSize(kCursorSize);
    glBegin(GL_POINTS);
    glVertex2f(x * kPixelsPerMetre, y * kPixelsPerMetre);
    glEnd();
    glPointSize(1.0f);
    texturedWhite();
}

// Behind everything: a fade from the surface colour to `fadeTo` halfway to the camera, then the
// water colour down to the bottom of the map.
void drawWaterBody(float waterLine, int cx, int cy, const Rgb& fadeTo, const Colour& water) {
    const float middle = waterLine + 0.5f * (cy - waterLine);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor3fv(kWaterSurfaceColour);
    glVertex2f(cx + kWaterReach, waterLine);
    glVertex2f(cx - kWaterReach, waterLine);
    glColor3f(fadeTo.red, fadeTo.green, fadeTo.blue);
    glVertex2f(cx - kWaterReach, middle);
    glVertex2f(cx + kWaterReach, middle);
    glColor3f(water.red, water.green, water.blue);
    glVertex2f(cx - kWaterReach, middle);
    glVertex2f(cx + kWaterReach, middle);
    glVertex2f(cx + kWaterReach, 0.0f);
    glVertex2f(cx - kWaterReach, 0.0f);
    glEnd();
    texturedWhite();
}

template <class T>
void drawAll(const std::list<T*>& objects) {
    for (T* object : objects) {
        object->draw();
    }
}

}  // namespace

void World::draw() {
    const int m = g_mission;

    // The sky for the camera's height: cleared with from the next frame on.
    const Rgb sky = skyColour(cameraY, height, m);
    glClearColor(sky.red, sky.green, sky.blue, 1.0f);

    // The HUD, in front of everything else.
    drawHud(*this);

    // The world as the camera sees it, in world pixels.
    glPushMatrix();
    glTranslatef(kHalfScreenWidth - cameraX, kHalfScreenHeight - cameraY, 0.0f);
    const int cx = cameraX;
    const int cy = cameraY;
    const float waterLine = g_waterLevel[m] * kPixelsPerMetre;

    // Water surface band.
    drawWaterSurface(waterLine, cx, cy);

    // Editor cursor.
    if (editorMode) {
        drawEditorCursor(cursorX, cursorY);
    }

    // Terrain, front layers: solid, then breakable rock tinted.
    const int col0 = cx / kPixelsPerMetre;
    const int row0 = cy / kPixelsPerMetre;
    for (int x = col0 - kCellsAcross; x <= col0 + kCellsAcross; x++) {
        for (int y = row0 - kCellsUp; y <= row0 + kCellsUp; y++) {
            const int c1 = getTile(x - 1, y), c2 = getTile(x, y);
            const int c3 = getTile(x - 1, y - 1), c4 = getTile(x, y - 1);
            const int n = variationNumber(x, y);
            const int px = kPixelsPerMetre * x - kHalfCell;
            const int py = kPixelsPerMetre * y - kHalfCell;
            drawTile(c1, c2, c3, c4, px, py, Solid, tileSheet, n);
            glColor3fv(kBreakableTint);
            drawTile(c1, c2, c3, c4, px, py, Breakable, tileSheet, n);
            glColor3f(1.0f, 1.0f, 1.0f);
        }
    }

    // The ship and the objects.
    if (rocket) {
        rocket->draw();
    }
    drawAll(shots);
    drawAll(explosions);
    drawAll(particles);
    drawAll(students);
    drawAll(coins);
    drawAll(cannons);

    // Terrain, back layer.
    for (int x = col0 - kCellsAcross; x <= col0 + kCellsAcross; x++) {
        for (int y = row0 - kCellsUp; y <= row0 + kCellsUp; y++) {
            const int c1 = getTile(x - 1, y), c2 = getTile(x, y);
            const int c3 = getTile(x - 1, y - 1), c4 = getTile(x, y - 1);
            glColor3fv(kBackdropTint);
            drawTile(c1, c2, c3, c4, kPixelsPerMetre * x - kHalfCell,
                     kPixelsPerMetre * y - kHalfCell, Backdrop, backdropSheet,
                     variationNumber(x, y));
            glColor3f(1.0f, 1.0f, 1.0f);
        }
    }

    // The water body; under water the fade runs into the water colour, above it into the sky.
    const Rgb fadeTo =
        cy < waterLine ? Rgb{g_waterColour[m].red, g_waterColour[m].green, g_waterColour[m].blue}
                       : sky;
    drawWaterBody(waterLine, cx, cy, fadeTo, g_waterColour[m]);
    glPopMatrix();
}

// A layer draws a cell only where one of its corners is exactly its kind; within such a cell,
// corners of a higher known kind count as filled too (so rock spreads over backdrop). Kinds
// outside Empty..Solid never match and never fill.
void World::drawTile(int c1, int c2, int c3, int c4, int x, int y, int kind, SpriteSheet* sheet,
                     int variation) {
    if (c1 != kind && c2 != kind && c3 != kind && c4 != kind) {
        return;
    }
    int frame;
    if (c1 == kind && c2 == kind && c3 == kind && c4 == kind) {
        frame = variation % kVariantEvery == 0 ? kVariantFrame : kFullFrame;
    } else {
        auto filled = [kind](int corner) { return corner >= kind && corner <= Solid ? 1 : 0; };
        frame = filled(c1) + 2 * filled(c2) + 4 * filled(c3) + 8 * filled(c4);
    }
    sheet->draw(frame, 0, x, y, false, 0);
}
