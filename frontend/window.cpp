// Placeholder until this part of the game is written.
#include "frontend/window.h"
#include <GLFW/glfw3.h>
bool g_fullScreen = false;
GLFWwindow* g_window = nullptr;
void openWindow(int width, int height) { glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE); glfwWindowHint(GLFW_STENCIL_BITS, 1); g_window = glfwCreateWindow(width, height, "Morvelan", nullptr, nullptr); if (g_window) glfwMakeContextCurrent(g_window); }
