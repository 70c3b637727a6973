#pragma once

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>

#include "campaign/campaign_state.h"

// A World loads its pictures into textures, so the level readers run with a hidden window's
// context, as the game does (run under a virtual display).
inline void openHiddenWindow() {
    if (!glfwInit()) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        std::exit(1);
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(64, 64, "fuzz", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "no OpenGL window\n");
        std::exit(1);
    }
    glfwMakeContextCurrent(window);
    g_mission = 0;
}

// Missions 0 and 1 are this size; their maps seed the map reader.
const int kFuzzWorldSize = 128;  // tiles
