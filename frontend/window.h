#pragma once

struct GLFWwindow;

// Chosen by each executable before start-up: the full screen, or an 800 x 600 window.
extern bool g_fullScreen;
// The game's one window; null when none could be opened.
extern GLFWwindow* g_window;

// Opens the window with its OpenGL context and sets the projection and every piece of fixed
// drawing state the game relies on (first drawn wins: stencil not-equal-1 with replace, alpha
// test >= 0.5, modulated 2D texturing, white linear fog left off).
void openWindow(int width, int height);
