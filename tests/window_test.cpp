#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "frontend/window.h"
#include "platform/glfw_input.h"
#include "platform/input.h"
#include "platform/scripted_input.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace {

bool isRed(Pixel p) {
    return p.r == 255 && p.g == 0 && p.b == 0;
}
bool isGreen(Pixel p) {
    return p.r == 0 && p.g == 255 && p.b == 0;
}

TEST(Window, IsAnUnresizable800By600WindowWithAStencilAndAVisiblePointer) {
    REQUIRE_GL();
    int width = 0;
    int height = 0;
    glfwGetWindowSize(g_window, &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(glfwGetWindowAttrib(g_window, GLFW_RESIZABLE), GLFW_FALSE);
    EXPECT_EQ(glfwGetWindowMonitor(g_window), nullptr);
    EXPECT_EQ(glfwGetInputMode(g_window, GLFW_CURSOR), GLFW_CURSOR_NORMAL);
    EXPECT_EQ(glfwGetCurrentContext(), g_window);
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_GE(stencilBits, 1);
}

TEST(Window, DrawsInPixelsFromTheBottomLeftWithYUp) {
    REQUIRE_GL();
    beginFrame();
    drawQuad(0, 0, 1, 1, false, kRed);
    drawQuad(799, 599, 800, 600, false, kGreen);
    drawQuad(10, 500, 11, 501, false, kRed);
    EXPECT_TRUE(isRed(readPixel(0, 0)));
    EXPECT_TRUE(isGreen(readPixel(799, 599)));
    EXPECT_TRUE(isRed(readPixel(10, 500)));
    EXPECT_FALSE(isRed(readPixel(10, 99)));
}

// Untextured draws carry the colour's alpha through the same cut at one half.
TEST(Window, AlphaBelowOneHalfClaimsNoPixel) {
    const Rgba kFaintGreen = {0, 255, 0, 115};   // alpha 0.45
    const Rgba kStrongGreen = {0, 255, 0, 140};  // alpha 0.55
    REQUIRE_GL();
    beginFrame();
    drawQuad(100, 100, 200, 200, false, kFaintGreen);
    drawQuad(300, 100, 400, 200, false, kStrongGreen);
    drawQuad(0, 0, 800, 600, false, kRed);
    EXPECT_TRUE(isRed(readPixel(150, 150)));
    EXPECT_TRUE(isGreen(readPixel(350, 150)));
}

TEST(Window, BetweenDrawsTexturingIsOnAndNothingBlendsOrTestsDepth) {
    REQUIRE_GL();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

// The full-screen game takes the display mode nearest 800 x 600 (the virtual display has only
// its own size) and still shows the whole 800 x 600 picture across it.
TEST(Window, FullScreenCoversTheDisplayWithTheSamePicture) {
    REQUIRE_GL();
    GLFWwindow* windowed = g_window;
    g_fullScreen = true;
    openWindow(800, 600);
    GLFWwindow* full = g_window;
    g_fullScreen = false;
    g_window = windowed;
    if (!full) {
        glfwMakeContextCurrent(windowed);
        GTEST_SKIP() << "no full-screen window on this display";
    }
    EXPECT_EQ(glfwGetWindowMonitor(full), glfwGetPrimaryMonitor());
    EXPECT_EQ(glfwGetInputMode(full, GLFW_CURSOR), GLFW_CURSOR_DISABLED);
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(full, &width, &height);
    EXPECT_EQ(width, mode->width);
    EXPECT_EQ(height, mode->height);

    beginFrame();
    drawQuad(0, 0, 400, 300, false, kRed);
    drawQuad(0, 0, 800, 600, false, kGreen);
    EXPECT_TRUE(isRed(readPixel(0, 0)));
    EXPECT_TRUE(isRed(readPixel(width / 2 - 2, height / 2 - 2)));
    EXPECT_TRUE(isGreen(readPixel(width / 2 + 2, height / 2 + 2)));
    EXPECT_TRUE(isGreen(readPixel(width - 1, height - 1)));

    // The captured pointer stays on the picture however far it is pushed, and comes back at once.
    // A virtual display has no window manager to give the window the focus the pointer needs.
    glfwFocusWindow(full);
    glfwPollEvents();
    useGlfwInput(full);
    int windowWidth = 0;
    int windowHeight = 0;
    glfwGetWindowSize(full, &windowWidth, &windowHeight);
    double x = 0;
    double y = 0;
    glfwSetCursorPos(full, -300, 5000);
    getPointerPosition(&x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, windowHeight - 1);
    glfwSetCursorPos(full, 120.5, 90);
    getPointerPosition(&x, &y);
    EXPECT_EQ(x, 120.5);
    EXPECT_EQ(y, 90);
    glfwSetCursorPos(full, windowWidth + 700.0, -1);
    getPointerPosition(&x, &y);
    EXPECT_EQ(x, windowWidth - 1);
    EXPECT_EQ(y, 0);
    glfwGetCursorPos(full, &x, &y);
    EXPECT_EQ(x, windowWidth - 1);
    useScriptedInput();

    glfwDestroyWindow(full);
    glfwMakeContextCurrent(windowed);
}

}  // namespace
