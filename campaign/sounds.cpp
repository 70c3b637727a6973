#include "campaign/sounds.h"

#include "platform/sound.h"

SoundEngine* g_soundEngine = nullptr;
SoundSource* g_soundShot = nullptr;
SoundSource* g_soundShot2 = nullptr;
SoundSource* g_soundBuzz = nullptr;
SoundSource* g_soundBlip = nullptr;
SoundSource* g_soundExplosion = nullptr;
SoundSource* g_soundExplosion2 = nullptr;
SoundSource* g_soundExplosion3 = nullptr;
SoundSource* g_soundPickup = nullptr;
SoundSource* g_soundDie = nullptr;
SoundSource* g_soundHit = nullptr;
SoundSource* g_soundHit2 = nullptr;
SoundSource* g_soundHit3 = nullptr;
SoundSource* g_soundCoin = nullptr;
SoundSource* g_soundSelect = nullptr;
SoundSource* g_soundLaunch = nullptr;

Music loadSounds(SoundEngine* engine) {
    g_soundEngine = engine;
    auto effect = [engine](const char* file) { return engine->addSource(file, true); };
    auto music = [engine](const char* file) { return engine->addSource(file, false); };

    g_soundShot = effect("audio/shot.wav");
    g_soundShot2 = effect("audio/shot2.wav");
    g_soundBuzz = effect("audio/buzz.wav");
    g_soundBlip = effect("audio/blip.wav");
    g_soundExplosion = effect("audio/explosion.wav");
    g_soundExplosion2 = effect("audio/explosion2.wav");
    g_soundExplosion3 = effect("audio/explosion3.wav");
    g_soundPickup = effect("audio/pickup.wav");
    g_soundDie = effect("audio/die.wav");
    g_soundHit = effect("audio/hit.wav");
    g_soundHit2 = effect("audio/hit2.wav");
    g_soundHit3 = effect("audio/hit3.wav");
    g_soundCoin = effect("audio/coin.wav");
    g_soundSelect = effect("audio/selecty.wav");
    g_soundLaunch = effect("audio/velquist_nebrilo.mp3");

    Music tracks;
    tracks.mission[3] = music("audio/tarrowin_-_fizz.mp3");
    tracks.mission[2] = music("audio/tarrowin_-_sweet_spot.mp3");
    tracks.mission[1] = music("audio/tarrowin_-_starman.mp3");
    tracks.mission[0] = music("audio/tarrowin_-_life_underwater.mp3");
    tracks.menu = music("audio/Deep Space (Qv).mp3");
    return tracks;
}

void playSound(SoundSource* source) {
    if (g_soundEngine && source) {
        g_soundEngine->play(source);
    }
}
