#include <cstdlib>

#include "frontend/game.h"
#include "frontend/window.h"

int main() {
    g_fullScreen = MORVELAN_FULLSCREEN;
    std::exit(runGame());
}
