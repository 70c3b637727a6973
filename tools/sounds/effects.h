#pragma once

// The game's sound effects, each made from scratch by the synthesizer.

#include <vector>

#include "tools/common/synth.h"

struct Effect {
    const char* file;  // below audio/
    Mono (*make)();
};

// The fourteen effects, in the order the game loads them.
const std::vector<Effect>& effects();

// Fire, menu and reward sounds.
Mono makeShot();    // the ship's laser
Mono makeShot2();   // a cannon firing
Mono makeBuzz();    // a refused menu move
Mono makeBlip();    // a menu move
Mono makePickup();  // a student boards
Mono makeDie();     // a student is killed
Mono makeCoin();    // a coin is collected
Mono makeSelect();  // a menu confirm

// Explosions and impacts.
Mono makeExplosion();   // a cannon destroyed
Mono makeExplosion2();  // the ship explodes
Mono makeExplosion3();  // a rock tile breaks
Mono makeHit();         // the ship is hit
Mono makeHit2();        // the laser hits a cannon
Mono makeHit3();        // the laser hits hard rock

// The launch: a quiet countdown, then ignition and the roar from kLaunchIgnition on, where the
// game starts playing it.
const double kLaunchIgnition = 9.2;  // seconds
Stereo makeLaunch();
