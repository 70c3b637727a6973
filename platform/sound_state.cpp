#include <algorithm>
#include <limits>

#include "platform/sound_state.h"

namespace {

// Decoded 16-bit sound a preloaded effect may take in memory. Our longest, the 14 s launch sound,
// is 2.5 MB, and 16 MiB holds 95 s of 44.1 kHz stereo; a longer effect is streamed from its file
// instead, as music is, so nothing is cut. Without it a small file of 192 kHz silence decodes to
// hundreds of MB. OpenAL copies the buffer, so a load peaks at twice.
constexpr size_t kMaxPreloadBytes = size_t(16) << 20;
static_assert(kMaxPreloadBytes <= size_t(std::numeric_limits<ALsizei>::max()),
              "alBufferData takes the byte count as an ALsizei");

// Formats past stereo come with an extension; each is looked up by name, as it may be missing.
struct WideFormat {
    int channels;
    const char* name;
};
constexpr WideFormat kWideFormats[] = {{4, "AL_FORMAT_QUAD16"},
                                       {6, "AL_FORMAT_51CHN16"},
                                       {7, "AL_FORMAT_61CHN16"},
                                       {8, "AL_FORMAT_71CHN16"}};

ALint sourceState(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

}  // namespace

void SoundEngineState::findFormats() {
    formats[1] = AL_FORMAT_MONO16;
    formats[2] = AL_FORMAT_STEREO16;
    placedChannels = kMonoAndStereo;
    if (!alIsExtensionPresent("AL_EXT_MCFORMATS")) {
        return;
    }
    for (const WideFormat& wide : kWideFormats) {
        alGetError();
        ALenum format = alGetEnumValue(wide.name);
        if (alGetError() == AL_NO_ERROR && format != AL_NONE) {
            formats[wide.channels] = format;
            placedChannels |= 1u << wide.channels;
        }
    }
}

void SoundEngineState::loadSource(SoundSource& sound, const char* file, bool preload) {
    sound.preloaded = preload;
    if (silent() || !file) {
        return;
    }
    sound.file = file;
    std::vector<int16_t> pcm;
    if (preload) {
        const Decoded decoded = decodeWholeFile(file, placedChannels, kMaxPreloadBytes, pcm,
                                                sound.channels, sound.sampleRate);
        if (decoded == Decoded::Nothing) {
            return;
        }
        preload = decoded == Decoded::Whole;
    }
    if (!preload) {
        sound.preloaded = false;
        sound.ok = probeFile(file, placedChannels, sound.channels, sound.sampleRate, sound.length);
        return;
    }
    alGetError();
    alGenBuffers(1, &sound.buffer);
    if (alGetError() != AL_NO_ERROR) {
        sound.buffer = 0;
        return;
    }
    alBufferData(sound.buffer, formats[sound.channels], pcm.data(),
                 ALsizei(pcm.size() * sizeof(int16_t)), sound.sampleRate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &sound.buffer);
        sound.buffer = 0;
        return;
    }
    sound.length = int64_t(pcm.size()) / sound.channels;
    sound.ok = true;
}

unsigned SoundEngineState::startVoice(SoundSource* sound, bool tracked, bool looped, bool paused) {
    if (silent() || !sound || !sound->ok) {
        return 0;
    }
    reclaimFinished();
    ALuint source = takeSource();
    if (!source) {
        return 0;
    }
    auto voice = std::make_unique<Voice>();
    voice->source = source;
    voice->sound = sound;
    voice->tracked = tracked;
    voice->looped = looped;
    voice->paused = paused;
    // Every sound is heard as it was recorded, in the middle, whatever the listener does.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    if (sound->preloaded) {
        alSourcei(source, AL_BUFFER, ALint(sound->buffer));
        alSourcei(source, AL_LOOPING, looped ? AL_TRUE : AL_FALSE);
    } else if (!startStream(*voice)) {
        idleSources.push_back(source);
        return 0;
    }
    if (!paused) {
        beginPlaying(*voice);
    }
    voice->id = nextVoiceId++;
    if (nextVoiceId == 0) {
        nextVoiceId = 1;
    }
    voices.push_back(std::move(voice));
    return voices.back()->id;
}

void SoundEngineState::stopVoice(unsigned id) {
    if (Voice* voice = findVoice(id)) {
        if (keepLog) {
            log.push_back({true, voice->sound->file, 0});
        }
        releaseVoice(voice);
    }
}

void SoundEngineState::pauseVoice(unsigned id, bool paused) {
    Voice* voice = findVoice(id);
    if (!voice || voice->paused == paused) {
        return;
    }
    voice->paused = paused;
    ALint state = sourceState(voice->source);
    if (paused && state == AL_PLAYING) {
        alSourcePause(voice->source);
    } else if (!paused && (!voice->started || state == AL_INITIAL || state == AL_PAUSED)) {
        // From a fresh source this also applies a position set while it waited.
        beginPlaying(*voice);
    }
}

void SoundEngineState::positionVoice(unsigned id, int milliseconds) {
    Voice* voice = findVoice(id);
    if (!voice) {
        return;
    }
    const SoundSource& sound = *voice->sound;
    int64_t frame = int64_t(std::max(milliseconds, 0)) * sound.sampleRate / 1000;
    if (sound.length > 0 && frame >= sound.length) {
        if (!voice->looped) {
            releaseVoice(voice);  // past the end of a sound played once: it is over
            return;
        }
        frame %= sound.length;
    }
    voice->startFrame = frame;
    if (sound.preloaded) {
        // OpenAL keeps the offset of a source not yet playing and applies it when it starts.
        alSourcei(voice->source, AL_SAMPLE_OFFSET, ALint(frame));
        return;
    }
    // A stream starts over from the decoder's new place with freshly filled buffers.
    alSourceRewind(voice->source);
    alSourcei(voice->source, AL_BUFFER, 0);
    if (!voice->decoder->seek(frame)) {
        releaseVoice(voice);
        return;
    }
    voice->decoderEnded = false;
    queueStream(*voice);
    if (!voice->paused) {
        beginPlaying(*voice);
    }
}

void SoundEngineState::service() {
    for (auto& voice : voices) {
        if (voice->decoder) {
            refillStream(*voice);
        }
    }
    reclaimFinished();
}

void SoundEngineState::releaseEverything() {
    while (!voices.empty()) {
        releaseVoice(voices.back().get());
    }
    if (!idleSources.empty()) {
        alDeleteSources(ALsizei(idleSources.size()), idleSources.data());
        idleSources.clear();
    }
    for (auto& sound : sources) {
        if (sound->buffer) {
            alDeleteBuffers(1, &sound->buffer);
            sound->buffer = 0;
        }
        sound->ok = false;
    }
}

Voice* SoundEngineState::findVoice(unsigned id) {
    if (id == 0) {
        return nullptr;
    }
    for (auto& voice : voices) {
        if (voice->id != id) {
            continue;
        }
        // A sound that ended between two refills is over, whatever is asked of it now.
        if (isFinished(*voice)) {
            releaseVoice(voice.get());
            return nullptr;
        }
        return voice.get();
    }
    return nullptr;
}

ALuint SoundEngineState::takeSource() {
    if (idleSources.empty()) {
        ALuint source = 0;
        alGetError();
        alGenSources(1, &source);
        if (alGetError() == AL_NO_ERROR && source) {
            idleSources.push_back(source);
        }
    }
    if (idleSources.empty()) {
        // The library has no source left (OpenAL Soft makes 256, which mix in under 2 % of a
        // core): the oldest fire-and-forget voice makes room, tracked ones never do.
        auto oldest = std::find_if(voices.begin(), voices.end(),
                                   [](const std::unique_ptr<Voice>& v) { return !v->tracked; });
        if (oldest == voices.end()) {
            return 0;
        }
        releaseVoice(oldest->get());
    }
    ALuint source = idleSources.back();
    idleSources.pop_back();
    return source;
}

void SoundEngineState::beginPlaying(Voice& voice) {
    alSourcePlay(voice.source);
    if (voice.started) {
        return;
    }
    voice.started = true;
    if (keepLog) {
        const SoundSource& sound = *voice.sound;
        int fromMs = sound.sampleRate > 0 ? int(voice.startFrame * 1000 / sound.sampleRate) : 0;
        log.push_back({false, sound.file, fromMs});
    }
}

void SoundEngineState::releaseVoice(Voice* voice) {
    // Rewound, not merely stopped: a source that played to its end reads as stopped until then,
    // and the next voice on it would be taken for finished before it ever played.
    alSourceRewind(voice->source);
    alSourcei(voice->source, AL_BUFFER, 0);
    alSourcei(voice->source, AL_LOOPING, AL_FALSE);
    if (voice->decoder) {
        alDeleteBuffers(kStreamBuffers, voice->buffers);
    }
    idleSources.push_back(voice->source);
    voices.erase(
        std::find_if(voices.begin(), voices.end(),
                     [voice](const std::unique_ptr<Voice>& v) { return v.get() == voice; }));
}

void SoundEngineState::reclaimFinished() {
    for (size_t i = 0; i < voices.size();) {
        if (isFinished(*voices[i])) {
            releaseVoice(voices[i].get());
        } else {
            i++;
        }
    }
}

bool SoundEngineState::isFinished(const Voice& voice) {
    // A stream that ran dry before its end is restarted by its refill, not finished; a voice
    // waiting paused for its first play is not finished either.
    return voice.started && sourceState(voice.source) == AL_STOPPED &&
           (!voice.decoder || voice.decoderEnded);
}

bool SoundEngineState::startStream(Voice& voice) {
    voice.decoder = std::make_unique<SoundDecoder>();
    if (!voice.decoder->open(voice.sound->file.c_str(), placedChannels)) {
        voice.decoder.reset();
        return false;
    }
    alGetError();
    alGenBuffers(kStreamBuffers, voice.buffers);
    if (alGetError() != AL_NO_ERROR) {
        voice.decoder.reset();
        return false;
    }
    alSourcei(voice.source, AL_LOOPING, AL_FALSE);  // the stream loops itself, seamlessly
    queueStream(voice);
    return true;
}

void SoundEngineState::queueStream(Voice& voice) {
    for (ALuint buffer : voice.buffers) {
        if (voice.decoderEnded || !fillBuffer(voice, buffer)) {
            return;
        }
        alSourceQueueBuffers(voice.source, 1, &buffer);
    }
}

bool SoundEngineState::fillBuffer(Voice& voice, ALuint buffer) {
    SoundDecoder& decoder = *voice.decoder;
    int channels = decoder.channels();
    streamScratch.resize(size_t(kStreamBufferFrames) * size_t(channels));
    int16_t* pcm = streamScratch.data();
    int got = decoder.read(pcm, kStreamBufferFrames);
    // A looped stream goes on from the file's start within the same buffer, so there is no gap.
    while (voice.looped && got < kStreamBufferFrames && decoder.seek(0)) {
        int more = decoder.read(pcm + got * channels, kStreamBufferFrames - got);
        if (more <= 0) {
            break;
        }
        got += more;
    }
    if (got < kStreamBufferFrames) {
        voice.decoderEnded = true;
    }
    if (got <= 0) {
        return false;
    }
    alBufferData(buffer, formats[channels], pcm, ALsizei(got * channels * sizeof(int16_t)),
                 decoder.sampleRate());
    return true;
}

void SoundEngineState::refillStream(Voice& voice) {
    ALint processed = 0;
    alGetSourcei(voice.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; processed--) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(voice.source, 1, &buffer);
        if (!voice.decoderEnded && fillBuffer(voice, buffer)) {
            alSourceQueueBuffers(voice.source, 1, &buffer);
        }
    }
    ALint queued = 0;
    alGetSourcei(voice.source, AL_BUFFERS_QUEUED, &queued);
    if (!voice.paused && queued > 0 && sourceState(voice.source) == AL_STOPPED) {
        alSourcePlay(voice.source);
    }
}
