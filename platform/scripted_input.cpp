#include "platform/scripted_input.h"

#include <GLFW/glfw3.h>

#include "platform/input.h"

namespace {

ScriptedInput g_script;

bool scriptKeyDown(int key) { return g_script.keys.count(key) != 0; }
bool scriptButtonDown(int button) { return g_script.buttons.count(button) != 0; }

void scriptPointer(double* x, double* y) {
    *x = g_script.pointerX;
    *y = g_script.pointerY;
}

void scriptSetTime(double seconds) { g_script.clock = seconds; }

double scriptGetTime() {
    g_script.clockReads++;
    return g_script.clock;
}

bool scriptWindowOpen() {
    g_script.windowChecks++;
    return g_script.windowOpen;
}

void scriptWindowSize(int* width, int* height) {
    *width = g_script.windowWidth;
    *height = g_script.windowHeight;
}

void scriptSwap() {
    if (GLFWwindow* window = glfwGetCurrentContext()) {
        glfwSwapBuffers(window);
    }
    g_script.swaps++;
    g_script.clock += g_script.clockStepPerSwap;
    if (g_script.onSwap) {
        g_script.onSwap();
    }
}

}  // namespace

ScriptedInput& useScriptedInput() {
    g_script = ScriptedInput();
    setInputBackend({scriptKeyDown, scriptButtonDown, scriptPointer, scriptGetTime, scriptSetTime,
                     scriptWindowOpen, scriptSwap, scriptWindowSize});
    return g_script;
}

ScriptedInput& scriptedInput() { return g_script; }
