#include <GL/gl.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "drawing/font.h"
#include "drawing/sprite_sheet.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace {

// What the screen should show, one letter a pixel: '.' the background, 'K' black, the rest
// named colours. The first row is the top one, at y = top.
void expectScreen(int left, int top, const std::vector<std::string>& rows) {
    const std::map<char, Rgba> colours = {{'.', kBackground}, {'K', kBlack}, {'R', kRed},
                                          {'G', kGreen},      {'W', kWhite}, {'Y', kYellow},
                                          {'C', kCyan}};
    for (size_t row = 0; row < rows.size(); row++) {
        for (size_t column = 0; column < rows[row].size(); column++) {
            const int x = left + static_cast<int>(column);
            const int y = top - static_cast<int>(row);
            EXPECT_TRUE(pixelIs(x, y, colours.at(rows[row][column])));
        }
    }
}

class Drawing : public PictureTest {
protected:
    // Four frames across and two down, 8 x 8 texels each, one solid colour a frame.
    static std::string writeFrameGrid() {
        Picture picture(32, 16, kClearTexel);
        for (int fy = 0; fy < 2; fy++) {
            for (int fx = 0; fx < 4; fx++) {
                picture.fill(fx * 8, (1 - fy) * 8, 8, 8, gridColour(fx, fy));
            }
        }
        writeTga(path("grid.tga"), picture, 32, false, Origin::BottomLeft);
        return path("grid.tga");
    }
    // Frame (fx, fy) with fy = 0 the bottom row of frames.
    static Rgba gridColour(int fx, int fy) {
        const Rgba colours[8] = {kRed, kGreen, kBlue, kYellow, kCyan, kWhite, kOrange, grey(90)};
        return colours[fy * 4 + fx];
    }

    // One 8 x 8 frame: two yellow columns on the left, cyan elsewhere, a cut-out 2 x 2 centre.
    static std::string writeMarkedFrame() {
        Picture picture(8, 8, kCyan);
        picture.fill(0, 0, 2, 8, kYellow);
        picture.fill(3, 3, 2, 2, kClearTexel);
        writeTga(path("marked.tga"), picture, 32, false, Origin::TopLeft);
        return path("marked.tga");
    }
};

// --- First drawn wins --------------------------------------------------------------------------

TEST_F(Drawing, WhatIsDrawnFirstAtAPixelStaysThereForTheFrame) {
    SpriteSheet grid(writeFrameGrid().c_str(), 8, 8, 0, 0, 4, 2);
    SpriteSheet marked(writeMarkedFrame().c_str(), 8, 8, 0, 0, 1, 1);
    {
        SCOPED_TRACE("a sprite drawn twice at one place");
        grid.draw(0, 0, 100, 100, false, 0);  // red
        grid.draw(1, 0, 100, 100, false, 0);  // green over it
        grid.draw(1, 0, 200, 100, false, 0);  // green alone
        EXPECT_TRUE(pixelIs(104, 104, kRed));
        EXPECT_TRUE(pixelIs(204, 104, kGreen));
    }
    {
        SCOPED_TRACE("a background after the HUD, then before it");
        startFrame();
        grid.draw(0, 0, 100, 100, false, 0);
        drawQuad(0, 0, 800, 600, false, kGreen);
        EXPECT_TRUE(pixelIs(104, 104, kRed));
        EXPECT_TRUE(pixelIs(300, 300, kGreen));
        startFrame();
        drawQuad(0, 0, 800, 600, false, kGreen);
        grid.draw(0, 0, 100, 100, false, 0);
        EXPECT_TRUE(pixelIs(104, 104, kGreen));
    }
    {
        SCOPED_TRACE("cut-out texels of the first sprite");
        startFrame();
        marked.draw(0, 0, 100, 100, false, 0);
        grid.draw(0, 0, 100, 100, false, 0);  // red behind it
        expectScreen(101, 105, {"YCCCC", "YCRRC", "YCRRC", "YCCCC"});
    }
}

// --- Sprite sheets -----------------------------------------------------------------------------

TEST_F(Drawing, FramesAreChosenFromTheBottomRowUpAndWrapOnePastTheLast) {
    SpriteSheet sheet(writeFrameGrid().c_str(), 8, 8, 0, 0, 4, 2);
    for (int fy = 0; fy < 2; fy++) {
        for (int fx = 0; fx <= 4; fx++) {
            SCOPED_TRACE(testing::Message() << "frame " << fx << ", " << fy);
            const int x = 100 + fx * 20;
            const int y = 100 + fy * 20;
            sheet.draw(fx, fy, x, y, false, 0);
            // frameX == framesX repeats frame 0 of the same row.
            EXPECT_TRUE(pixelIs(x, y, gridColour(fx % 4, fy)));
            EXPECT_TRUE(pixelIs(x + 7, y + 7, gridColour(fx % 4, fy)));
        }
    }
}

TEST_F(Drawing, TheFramesOriginLandsOnTheDrawingPosition) {
    SpriteSheet sheet(writeFrameGrid().c_str(), 8, 8, 4, 2, 4, 2);
    EXPECT_EQ(sheet.getOriginX(), 4);
    EXPECT_EQ(sheet.getOriginY(), 2);
    glTranslatef(50, 0, 0);  // the caller's modelview moves it too
    sheet.draw(1, 0, 150, 300, false, 0);
    // Green over x 196..203, y 298..305.
    expectScreen(195, 306, {"..........", ".GGGGGGGG.", ".GGGGGGGG."});
    expectScreen(195, 299, {".GGGGGGGG.", ".GGGGGGGG.", ".........."});
}

TEST_F(Drawing, AMirroredFrameIsFlippedInsideTheSameRectangle) {
    SpriteSheet sheet(writeMarkedFrame().c_str(), 8, 8, 2, 2, 1, 1);
    sheet.draw(0, 0, 102, 102, false, 0);
    sheet.draw(0, 0, 202, 102, true, 0);
    expectScreen(99, 108,
                 {"..........", ".YYCCCCCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".YYC..CCC.",
                  ".YYC..CCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".YYCCCCCC.", ".........."});
    expectScreen(199, 108,
                 {"..........", ".CCCCCCYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".CCC..CYY.",
                  ".CCC..CYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".CCCCCCYY.", ".........."});
}

TEST_F(Drawing, FlashDrawsAWhiteSilhouetteAndLeavesFogOff) {
    SpriteSheet sheet(writeMarkedFrame().c_str(), 8, 8, 0, 0, 1, 1);
    for (int flash : {1, 7, 0, -3}) {
        SCOPED_TRACE(testing::Message() << "flash " << flash);
        startFrame();
        sheet.draw(0, 0, 100, 100, false, flash);
        EXPECT_FALSE(glIsEnabled(GL_FOG));
        if (flash >= 1) {
            expectScreen(101, 105, {"WWWWW", "WW..W", "WW..W", "WWWWW"});
        } else {
            expectScreen(101, 105, {"YCCCC", "YC..C", "YC..C", "YCCCC"});
        }
    }
}

// --- Font --------------------------------------------------------------------------------------

class FontDrawing : public Drawing {
protected:
    // 'A' is a 2 x 2 block at glyph pixels (3..4, 7..8); code 200 one at (5..6, 2..3).
    // Every other texel of the atlas is transparent.
    static std::string writeAtlas() {
        Picture atlas(128, 256, kClearTexel);
        markGlyph(atlas, 'A', 3, 7);
        markGlyph(atlas, 200, 5, 2);
        writeTga(path("font.tga"), atlas, 32, true, Origin::BottomLeft);
        return path("font.tga");
    }
    static void markGlyph(Picture& atlas, int code, int x, int yFromBottom) {
        const int cellLeft = (code % 16) * 8;
        const int cellBottomFromTop = (code / 16) * 16 + 15;
        atlas.fill(cellLeft + x, cellBottomFromTop - yFromBottom - 1, 2, 2, kWhite);
    }
    static void expectColourWhite() {
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[0], 1.0f);
        EXPECT_EQ(colour[1], 1.0f);
        EXPECT_EQ(colour[2], 1.0f);
    }
};

TEST_F(FontDrawing, TextKeepsItsColourInsideAOnePixelBlackOutline) {
    // Made just before the font under test, so that a code taken as a signed byte would land in
    // its lists, with their wider advance, instead of the right ones.
    Font decoy(writeAtlas().c_str(), 30, 16);
    Font font(writeAtlas().c_str(), 12, 20);
    EXPECT_EQ(font.getAdvance(), 12);
    EXPECT_EQ(font.getHeight(), 20);
    glTranslatef(100, 200, 0);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glColor3f(1, 0, 0);
    font.print("\310A", 2);

    // Code 200 (atlas row 12) at the pen's start, its block at (105..106, 202..203); 'A' one
    // advance along, at (115..116, 207..208). Diagonal corners get no outline.
    expectScreen(103, 204, {"..KK..", ".KRRK.", ".KRRK.", "..KK.."});
    expectScreen(113, 209, {"..KK..", ".KRRK.", ".KRRK.", "..KK.."});

    expectColourWhite();
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(after[i], before[i]) << "modelview element " << i;
    }
}

TEST_F(FontDrawing, PrintingNothingDrawsNothingAndStillLeavesTheColourWhite) {
    Font font(writeAtlas().c_str(), 10, 16);
    glTranslatef(100, 200, 0);
    glColor3f(1, 0, 0);
    font.print("AAAA", 0);
    for (int x = 100; x < 145; x++) {
        for (int y = 198; y < 218; y++) {
            ASSERT_TRUE(pixelIs(x, y, kBackground));
        }
    }
    expectColourWhite();
}

}  // namespace
