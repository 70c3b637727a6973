#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Our small sound layer over OpenAL Soft (mixing, output) and libsndfile (WAV and MP3 decoding).
// Nothing here ever fails loudly: no device, a missing file or an undecodable one means silence,
// and every operation on a silent source or handle does nothing. Nothing is printed on standard
// output, which belongs to the game.
//
// The engine is called from the game's one thread; music streaming may run on a thread of its own.

class SoundSource;
class SoundHandle;
struct SoundEngineState;

// What a loopback engine heard: a sound that began to sound, or a tracked one stopped while it
// still sounded.
struct SoundLogEntry {
    bool stopped = false;
    std::string file;  // as loaded
    int fromMs = 0;    // where a started sound began
};

class SoundEngine {
public:
    // Opens the default output device; without one the engine is silent.
    static SoundEngine* openDevice();
    // Mixes into memory instead of a device (OpenAL Soft's loopback device), for tests.
    static SoundEngine* openLoopback(int sampleRate);

    // Stops everything; sources and handles of this engine are gone with it.
    ~SoundEngine();

    // Loads a source. Preloaded sources (effects) are decoded at once; the others (music) are
    // streamed while they play, so loading them is quick. Never null: a file that cannot be
    // read or decoded gives a silent source.
    SoundSource* addSource(const char* file, bool preload);

    // Plays a source once, fire and forget; copies of one source may overlap.
    void play(SoundSource* source);

    // Plays a source and keeps a handle to it: looped or once, optionally started paused.
    // Never null; the handle stays valid for the life of the engine.
    SoundHandle* playTracked(SoundSource* source, bool looped, bool startPaused);

    // Loopback engines only: mixes the next `frames` stereo frames of 16-bit samples into `out`
    // (2 * frames values). Any other engine fills `out` with silence.
    void render(int16_t* out, int frames);

    bool isSilent() const;

    // Loopback engines only: what was heard since the last call, oldest first. Other engines
    // keep nothing, so the game pays nothing for it.
    std::vector<SoundLogEntry> takeLog();

    // For tests that run the whole game: from now on openDevice() gives a loopback engine of
    // this rate instead (0: the device again).
    static void openLoopbackForDevice(int sampleRate);

private:
    SoundEngine() = default;
    SoundEngineState* state_ = nullptr;
};

class SoundHandle {
public:
    // Silences the sound at once; the handle stays valid and does nothing from then on.
    void stop();
    // Works while paused too: the sound then starts from there when unpaused.
    void setPlayPosition(int milliseconds);
    void setPaused(bool paused);

private:
    friend class SoundEngine;
    friend struct SoundEngineState;
    SoundHandle() = default;
    unsigned voice_ = 0;  // 0: silent
    SoundEngineState* engine_ = nullptr;
};
