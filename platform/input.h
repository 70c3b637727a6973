#pragma once

// The seam between the game and its window: keys, mouse, clock, and the frame swap.
// The game reads all of these through the functions below. The game itself runs on the GLFW
// backend (glfw_input.h); tests run it on a scripted one (scripted_input.h).
// Keys are GLFW key codes (GLFW_KEY_UP, GLFW_KEY_Z, ...), buttons GLFW mouse button numbers.

bool isKeyDown(int key);
bool isMouseButtonDown(int button);
// Pointer position in window pixels, origin at the top-left corner, y downward.
void getPointerPosition(double* x, double* y);
// Window size in the same pixels as the pointer.
void getWindowSize(int* width, int* height);
double getClock();
void setClock(double seconds);
bool isWindowOpen();
// Shows the frame. Key and window states change only here.
void swapBuffers();

struct InputBackend {
    bool (*keyDown)(int key);
    bool (*mouseButtonDown)(int button);
    void (*pointerPosition)(double* x, double* y);
    double (*getTime)();
    void (*setTime)(double seconds);
    bool (*windowOpen)();
    void (*swap)();
    void (*windowSize)(int* width, int* height);
};

void setInputBackend(const InputBackend& backend);
bool hasInputBackend();
