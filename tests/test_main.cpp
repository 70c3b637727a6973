#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "frontend/window.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

namespace {
bool g_hasGl = false;
}

bool hasGlContext() { return g_hasGl; }

// Every test program runs the game's code on the scripted input, with the game's own window
// (under a virtual display) when one can be opened.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    useScriptedInput();
    if (std::getenv("DISPLAY") && glfwInit()) {
        g_fullScreen = false;
        openWindow(800, 600);
        g_hasGl = g_window != nullptr;
    }
    return RUN_ALL_TESTS();
}
