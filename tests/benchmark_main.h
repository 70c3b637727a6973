#pragma once

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include "frontend/window.h"
#include "platform/scripted_input.h"

// The World loads its pictures and draws into the game's own window, so every benchmark program
// opens it first (under a virtual display: run them with xvfb-run).
inline int runBenchmarksInGameWindow(int argc, char** argv) {
    useScriptedInput();
    if (!glfwInit()) {
        return 1;
    }
    g_fullScreen = false;
    openWindow(800, 600);
    if (!g_window) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
