#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "platform/sound_decoder.h"

// A loaded sound file. One that could not be read or decoded stays silent (ok is false).
class SoundSource {
public:
    bool ok = false;
    bool preloaded = false;
    std::string file;  // streamed sources reopen it on every play
    int channels = 0;  // as its buffers hold them
    int sampleRate = 0;
    int64_t length = 0;  // frames; 0 when the file does not tell
    ALuint buffer = 0;   // preloaded sources
};

// Buffers queued per streamed voice; together they hold about three quarters of a second at
// 44.1 kHz, so a refill every few tens of milliseconds never lets them run dry.
constexpr int kStreamBuffers = 4;
constexpr int kStreamBufferFrames = 8192;

// The most channels a buffer format of the library places (7.1).
constexpr int kMostPlacedChannels = 8;

// One playing (or paused) sound on one OpenAL source.
struct Voice {
    unsigned id = 0;
    ALuint source = 0;
    SoundSource* sound = nullptr;
    bool tracked = false;
    bool looped = false;
    bool paused = false;
    // Until its first play a voice started paused reads as stopped, yet it is not over.
    bool started = false;
    int64_t startFrame = 0;  // where it was positioned before its first play
    // Streamed voices only: their own decoder of the file, and the buffers they cycle.
    std::unique_ptr<SoundDecoder> decoder;
    ALuint buffers[kStreamBuffers] = {};
    bool decoderEnded = false;
};

struct SoundEngineState {
    // Guards everything below: the game's thread and the streaming thread both come here.
    std::mutex mutex;

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
    PFNALCSETTHREADCONTEXTPROC setThreadContext = nullptr;

    std::vector<std::unique_ptr<SoundSource>> sources;
    std::vector<std::unique_ptr<SoundHandle>> handles;
    std::vector<std::unique_ptr<Voice>> voices;  // oldest first
    std::vector<ALuint> idleSources;
    // The library's buffer format for each channel count it places, 0 for the others: files of
    // any other count are mixed down to stereo as they are decoded.
    ALenum formats[kMostPlacedChannels + 1] = {};
    ChannelCounts placedChannels = 0;
    unsigned nextVoiceId = 1;
    std::vector<int16_t> streamScratch;
    bool keepLog = false;  // loopback engines only: tests read it, the game never pays for it
    std::vector<SoundLogEntry> log;

    std::thread feeder;
    std::condition_variable wake;
    bool quitting = false;

    bool silent() const { return context == nullptr; }
    void bindContext();
    // Asks the library, with the context bound, which buffer formats it has.
    void findFormats();

    // Callers hold the mutex with the context bound.
    void loadSource(SoundSource& sound, const char* file, bool preload);
    unsigned startVoice(SoundSource* sound, bool tracked, bool looped, bool paused);
    void stopVoice(unsigned id);
    void pauseVoice(unsigned id, bool paused);
    void positionVoice(unsigned id, int milliseconds);
    // Keeps streams fed, restarts any that ran dry and frees finished voices.
    void service();
    void releaseEverything();

    // The device engine's streaming thread.
    void feedLoop();

private:
    Voice* findVoice(unsigned id);
    ALuint takeSource();
    void beginPlaying(Voice& voice);
    void releaseVoice(Voice* voice);
    void reclaimFinished();
    bool isFinished(const Voice& voice);
    bool startStream(Voice& voice);
    void queueStream(Voice& voice);
    bool fillBuffer(Voice& voice, ALuint buffer);
    void refillStream(Voice& voice);
};
