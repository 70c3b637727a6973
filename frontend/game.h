#pragma once

class World;

// Runs the whole game: start-up, then the five-state main loop until Escape, a closed window or
// QUIT. Returns the exit status (0). Reads its files below the working directory.
int runGame();

// The main loop's states.
enum GameState { TitleState, MissionSelectState, ShopState, FlightState, ResultsState };

// While runGame runs, for code that watches it between frames (tests): the current state, and
// the mission's World from the choice of a mission to the end of its flight (else null).
int runningGameState();
World* runningWorld();
