#include "platform/glfw_input.h"

#include <GLFW/glfw3.h>

#include "platform/input.h"

namespace {

GLFWwindow* g_window = nullptr;

bool glfwKeyDown(int key) { return g_window && glfwGetKey(g_window, key) == GLFW_PRESS; }

bool glfwButtonDown(int button) {
    return g_window && glfwGetMouseButton(g_window, button) == GLFW_PRESS;
}

void glfwPointer(double* x, double* y) {
    *x = *y = 0.0;
    if (g_window) {
        glfwGetCursorPos(g_window, x, y);
    }
}

bool glfwWindowOpen() { return g_window && !glfwWindowShouldClose(g_window); }

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
