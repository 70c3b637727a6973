#include "platform/glfw_input.h"

#include <GLFW/glfw3.h>

#include <algorithm>

#include "platform/input.h"

namespace {

GLFWwindow* g_window = nullptr;

bool glfwKeyDown(int key) {
    return g_window && glfwGetKey(g_window, key) == GLFW_PRESS;
}

bool glfwButtonDown(int button) {
    return g_window && glfwGetMouseButton(g_window, button) == GLFW_PRESS;
}

// A captured pointer moves without bounds; it is kept on the picture, where the editor's cursor
// can be seen, and put back there so that moving back answers at once.
void keepOnPicture(double* x, double* y) {
    int width = 0;
    int height = 0;
    glfwGetWindowSize(g_window, &width, &height);
    const double keptX = std::clamp(*x, 0.0, std::max(width - 1.0, 0.0));
    const double keptY = std::clamp(*y, 0.0, std::max(height - 1.0, 0.0));
    if (keptX != *x || keptY != *y) {
        *x = keptX;
        *y = keptY;
        glfwSetCursorPos(g_window, keptX, keptY);
    }
}

void glfwPointer(double* x, double* y) {
    *x = *y = 0.0;
    if (!g_window) {
        return;
    }
    glfwGetCursorPos(g_window, x, y);
    if (glfwGetInputMode(g_window, GLFW_CURSOR) == GLFW_CURSOR_DISABLED) {
        keepOnPicture(x, y);
    }
}

bool glfwWindowOpen() {
    return g_window && !glfwWindowShouldClose(g_window);
}

void glfwWindowSize(int* width, int* height) {
    *width = *height = 0;
    if (g_window) {
        glfwGetWindowSize(g_window, width, height);
    }
}

void glfwSwap() {
    if (g_window) {
        glfwSwapBuffers(g_window);
    }
    glfwPollEvents();
}

}  // namespace

void useGlfwInput(GLFWwindow* window) {
    g_window = window;
    setInputBackend({glfwKeyDown, glfwButtonDown, glfwPointer, glfwGetTime, glfwSetTime,
                     glfwWindowOpen, glfwSwap, glfwWindowSize});
}
