#pragma once

class SoundEngine;
class SoundSource;

// The sound device and the effects, loaded at start-up and never released.
extern SoundEngine* g_soundEngine;
extern SoundSource* g_soundShot;        // ship fires
extern SoundSource* g_soundShot2;       // cannon fires
extern SoundSource* g_soundBuzz;        // refused menu move
extern SoundSource* g_soundBlip;        // menu move
extern SoundSource* g_soundExplosion;   // cannon destroyed
extern SoundSource* g_soundExplosion2;  // ship explodes
extern SoundSource* g_soundExplosion3;  // tile broken
extern SoundSource* g_soundPickup;      // student boards
extern SoundSource* g_soundDie;         // student killed
extern SoundSource* g_soundHit;         // ship hit
extern SoundSource* g_soundHit2;        // cannon hit
extern SoundSource* g_soundHit3;        // laser on hard terrain
extern SoundSource* g_soundCoin;        // coin collected
extern SoundSource* g_soundSelect;      // menu confirm
extern SoundSource* g_soundLaunch;      // launch

const int kMissionTracks = 4;

// Main's music, loaded with the effects.
struct Music {
    SoundSource* mission[kMissionTracks];  // missions 0 to 3
    SoundSource* menu;
};

// Opens the sound device on `engine` and loads every sound, effects preloaded, music streamed.
Music loadSounds(SoundEngine* engine);

// Plays an effect once. Silent before loadSounds (as in tests that need no sound).
void playSound(SoundSource* source);
