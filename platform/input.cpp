#include "platform/input.h"

namespace {

// Before any backend is installed nothing is held, the clock stands at 0 and no window is open.
bool noKey(int) { return false; }
void noPointer(double* x, double* y) { *x = *y = 0.0; }
double noTime() { return 0.0; }
void noSetTime(double) {}
bool noWindow() { return false; }
void noSwap() {}
// The size the game's picture is drawn at.
const int kPictureWidth = 800, kPictureHeight = 600;  // pixels
void pictureSize(int* width, int* height) {
    *width = kPictureWidth;
    *height = kPictureHeight;
}

const InputBackend kNoBackend = {noKey,     noKey,    noPointer, noTime,
                                 noSetTime, noWindow, noSwap,    pictureSize};
InputBackend g_backend = kNoBackend;
bool g_backendSet = false;

}  // namespace

bool isKeyDown(int key) { return g_backend.keyDown(key); }
bool isMouseButtonDown(int button) { return g_backend.mouseButtonDown(button); }
void getPointerPosition(double* x, double* y) { g_backend.pointerPosition(x, y); }
double getClock() { return g_backend.getTime(); }
void setClock(double seconds) { g_backend.setTime(seconds); }
bool isWindowOpen() { return g_backend.windowOpen(); }
void swapBuffers() { g_backend.swap(); }
void getWindowSize(int* width, int* height) { g_backend.windowSize(width, height); }

void setInputBackend(const InputBackend& backend) {
    g_backend = backend;
    g_backendSet = true;
}

bool hasInputBackend() { return g_backendSet; }
