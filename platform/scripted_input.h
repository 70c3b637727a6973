#pragma once

#include <functional>
#include <set>

// A scripted stand-in for the keyboard, mouse, clock and window, for tests.
// A test holds keys, moves the pointer and sets the clock; the game sees them through the
// input seam exactly as it would see GLFW. Each swapBuffers() counts a frame, advances the
// clock by clockStepPerSwap and then calls onSwap, where a script may change the keys, as
// events would change them in the game.
struct ScriptedInput {
    std::set<int> keys;
    std::set<int> buttons;
    double pointerX = 0.0;
    double pointerY = 0.0;
    int windowWidth = 800;  // pixels, as the pointer's
    int windowHeight = 600;
    double clock = 0.0;
    double clockStepPerSwap = 1.0 / 60.0;
    bool windowOpen = true;
    int swaps = 0;
    std::function<void()> onSwap;
    // How often the game read the clock and asked whether the window is open (once a pass).
    int clockReads = 0;
    int windowChecks = 0;

    void hold(int key) { keys.insert(key); }
    void release(int key) { keys.erase(key); }
    void holdButton(int button) { buttons.insert(button); }
    void releaseButton(int button) { buttons.erase(button); }
    void releaseAll() {
        keys.clear();
        buttons.clear();
    }
};

// Installs the scripted backend, reset to nothing held, clock 0 and the window open.
// When a GLFW window is current, swaps also show its frame (for screenshots).
ScriptedInput& useScriptedInput();
ScriptedInput& scriptedInput();
