// Placeholder until this part of the game is written.
#include "frontend/game.h"
#include <GLFW/glfw3.h>
#include "frontend/window.h"
#include "platform/glfw_input.h"
#include "platform/input.h"
int runGame() { glfwInit(); openWindow(800, 600); if (!hasInputBackend()) useGlfwInput(g_window); while (!isKeyDown(GLFW_KEY_ESCAPE) && isWindowOpen()) swapBuffers(); glfwTerminate(); return 0; }
