#pragma once

// Runs the whole game: start-up, then the five-state main loop until Escape, a closed window or
// QUIT. Returns the exit status (0). Reads its files below the working directory.
int runGame();
