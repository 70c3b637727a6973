#include "platform/sound.h"

#include <chrono>

#include "platform/sound_state.h"

namespace {

// How often the device engine's thread refills the streams, well within what they hold.
constexpr std::chrono::milliseconds kFeedInterval(20);
// Frames mixed at a time by a loopback engine, with the streams refilled between them.
constexpr int kRenderSliceFrames = 1024;

template <typename T>
T alcFunction(ALCdevice* device, const char* name) {
    return reinterpret_cast<T>(alcGetProcAddress(device, name));
}

// Set by tests that run the whole game, which then mix the game's sound themselves.
int g_deviceLoopbackRate = 0;

void fillSilence(int16_t* out, int frames) {
    for (int i = 0; out && i < 2 * frames; i++) {
        out[i] = 0;
    }
}

// Makes the context and its thread-local binding; on failure closes the device (silent engine).
void makeContext(SoundEngineState& state, const ALCint* attributes) {
    state.context = alcCreateContext(state.device, attributes);
    if (!state.context) {
        alcCloseDevice(state.device);
        state.device = nullptr;
        return;
    }
    // Each engine binds its own context per thread, so several engines (tests) never mix.
    if (alcIsExtensionPresent(state.device, "ALC_EXT_thread_local_context")) {
        state.setThreadContext =
            alcFunction<PFNALCSETTHREADCONTEXTPROC>(state.device, "alcSetThreadContext");
    }
    state.bindContext();
    state.findFormats();
}

}  // namespace

void SoundEngineState::bindContext() {
    if (!context) {
        return;
    }
    if (setThreadContext) {
        setThreadContext(context);
    } else {
        alcMakeContextCurrent(context);
    }
}

void SoundEngineState::feedLoop() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!quitting) {
        wake.wait_for(lock, kFeedInterval);
        if (quitting) {
            break;
        }
        bindContext();
        service();
    }
    if (setThreadContext) {
        setThreadContext(nullptr);
    }
}

SoundEngine* SoundEngine::openDevice() {
    if (g_deviceLoopbackRate > 0) {
        return openLoopback(g_deviceLoopbackRate);
    }
    SoundEngine* engine = new SoundEngine();
    engine->state_ = new SoundEngineState();
    SoundEngineState& state = *engine->state_;
    state.device = alcOpenDevice(nullptr);
    if (!state.device) {
        return engine;
    }
    const ALCint attributes[] = {ALC_HRTF_SOFT, ALC_FALSE, 0};
    makeContext(state, attributes);
    if (!state.silent()) {
        state.feeder = std::thread([&state] { state.feedLoop(); });
    }
    return engine;
}

SoundEngine* SoundEngine::openLoopback(int sampleRate) {
    SoundEngine* engine = new SoundEngine();
    engine->state_ = new SoundEngineState();
    SoundEngineState& state = *engine->state_;
    if (sampleRate <= 0 || !alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) {
        return engine;
    }
    auto openLoopbackDevice =
        alcFunction<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
    auto isFormatSupported =
        alcFunction<LPALCISRENDERFORMATSUPPORTEDSOFT>(nullptr, "alcIsRenderFormatSupportedSOFT");
    state.renderSamples = alcFunction<LPALCRENDERSAMPLESSOFT>(nullptr, "alcRenderSamplesSOFT");
    if (!openLoopbackDevice || !isFormatSupported || !state.renderSamples) {
        return engine;
    }
    state.device = openLoopbackDevice(nullptr);
    if (!state.device) {
        return engine;
    }
    if (!isFormatSupported(state.device, sampleRate, ALC_STEREO_SOFT, ALC_SHORT_SOFT)) {
        alcCloseDevice(state.device);
        state.device = nullptr;
        return engine;
    }
    // The device keeps OpenAL's output limiter against harsh clipping; the loopback mixes plainly,
    // since its limiter's gain follows the sound's history and levels would not add up.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 sampleRate,
                                 ALC_HRTF_SOFT,
                                 ALC_FALSE,
                                 ALC_OUTPUT_LIMITER_SOFT,
                                 ALC_FALSE,
                                 0};
    makeContext(state, attributes);
    state.loopback = !state.silent();
    state.keepLog = state.loopback;
    return engine;
}

void SoundEngine::openLoopbackForDevice(int sampleRate) {
    g_deviceLoopbackRate = sampleRate;
}

SoundEngine::~SoundEngine() {
    if (!state_) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->quitting = true;
    }
    state_->wake.notify_all();
    if (state_->feeder.joinable()) {
        state_->feeder.join();
    }
    if (!state_->silent()) {
        state_->bindContext();
        state_->releaseEverything();
        if (state_->setThreadContext) {
            state_->setThreadContext(nullptr);
        } else {
            alcMakeContextCurrent(nullptr);
        }
        alcDestroyContext(state_->context);
        alcCloseDevice(state_->device);
    }
    delete state_;
}

SoundSource* SoundEngine::addSource(const char* file, bool preload) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->bindContext();
    state_->sources.push_back(std::make_unique<SoundSource>());
    SoundSource* sound = state_->sources.back().get();
    state_->loadSource(*sound, file, preload);
    return sound;
}

void SoundEngine::play(SoundSource* source) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->bindContext();
    state_->startVoice(source, false, false, false);
}

SoundHandle* SoundEngine::playTracked(SoundSource* source, bool looped, bool startPaused) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->bindContext();
    state_->handles.push_back(std::unique_ptr<SoundHandle>(new SoundHandle()));
    SoundHandle* handle = state_->handles.back().get();
    handle->engine_ = state_;
    handle->voice_ = state_->startVoice(source, true, looped, startPaused);
    return handle;
}

void SoundEngine::render(int16_t* out, int frames) {
    if (!out || frames <= 0) {
        return;
    }
    if (!state_->loopback) {
        fillSilence(out, frames);
        return;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->bindContext();
    for (int done = 0; done < frames; done += kRenderSliceFrames) {
        int slice = frames - done < kRenderSliceFrames ? frames - done : kRenderSliceFrames;
        state_->service();
        state_->renderSamples(state_->device, out + 2 * done, slice);
    }
}

bool SoundEngine::isSilent() const {
    return state_->silent();
}

std::vector<SoundLogEntry> SoundEngine::takeLog() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<SoundLogEntry> taken;
    taken.swap(state_->log);
    return taken;
}

void SoundHandle::stop() {
    if (!engine_ || voice_ == 0) {
        return;
    }
    std::lock_guard<std::mutex> lock(engine_->mutex);
    engine_->bindContext();
    engine_->stopVoice(voice_);
    voice_ = 0;
}

void SoundHandle::setPlayPosition(int milliseconds) {
    if (!engine_ || voice_ == 0) {
        return;
    }
    std::lock_guard<std::mutex> lock(engine_->mutex);
    engine_->bindContext();
    engine_->positionVoice(voice_, milliseconds);
}

void SoundHandle::setPaused(bool paused) {
    if (!engine_ || voice_ == 0) {
        return;
    }
    std::lock_guard<std::mutex> lock(engine_->mutex);
    engine_->bindContext();
    engine_->pauseVoice(voice_, paused);
}
