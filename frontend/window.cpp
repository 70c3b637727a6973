#include "frontend/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GLFW/glfw3.h>

bool g_fullScreen = false;
GLFWwindow* g_window = nullptr;

namespace {

const char* const kWindowTitle = "Morvelan";

// The logical screen every draw uses, whatever size the window or display mode is.
const double kScreenWidth = 800.0;   // pixels
const double kScreenHeight = 600.0;  // pixels

// Texels below half opacity are cut out of sprites and glyphs.
const GLclampf kAlphaCutoff = 0.5f;

// Fog is only ever switched on for the white flash of a sprite; its colour is that white.
const GLfloat kFogColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// The picture always fills the whole window. A full-screen window is made at the asked size
// and then grown to the display mode GLFW picked, after the context first took its size.
void fillWindow() {
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(g_window, &width, &height);
    glViewport(0, 0, width, height);
}

void setProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, kScreenWidth, 0.0, kScreenHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// First drawn wins: a fragment that survives the alpha test is written only where nothing was
// written this frame, and marks the pixel taken. So every frame is drawn front to back.
void setFixedState() {
    glEnable(GL_STENCIL_TEST);
    glClearStencil(0);
    glStencilFunc(GL_NOTEQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, kAlphaCutoff);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, kFogColour);
}

}  // namespace

void openWindow(int width, int height) {
    if (!glfwInit()) {
        return;
    }
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 1);
    GLFWmonitor* monitor = g_fullScreen ? glfwGetPrimaryMonitor() : nullptr;
    g_window = glfwCreateWindow(width, height, kWindowTitle, monitor, nullptr);
    if (!g_window) {
        return;
    }
    glfwMakeContextCurrent(g_window);
    // On the full screen the pointer is hidden and captured, so that a click can never land on
    // another screen and take the focus away; the window leaves it free and visible.
    if (g_fullScreen) {
        glfwSetInputMode(g_window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    }
    glfwSwapInterval(1);
    fillWindow();
    setProjection();
    setFixedState();
}
