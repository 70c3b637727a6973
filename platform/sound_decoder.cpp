#include "platform/sound_decoder.h"

#include <algorithm>

#include "platform/outside_file.h"

namespace {

// Frames decoded per call when reading a whole file, and when probing a streamed one.
constexpr int kDecodeChunkFrames = 16384;
constexpr int kProbeFrames = 1024;
// Frames decoded ahead of a seek point, more than the MP3 decoder needs to settle.
constexpr int64_t kSeekLeadFrames = 8192;
// A mixed-down file's channels past the first two go to both sides 3 dB down, as a centre does.
constexpr float kMiddleGain = 0.70710678f;

int16_t clipped(float sample) {
    return int16_t(std::clamp(sample, -32768.0f, 32767.0f));
}

bool keeps(ChannelCounts kept, int channels) {
    return channels < 32 && ((kMonoAndStereo | kept) >> channels & 1u) != 0;
}

}  // namespace

SoundDecoder::~SoundDecoder() {
    if (file_) {
        sf_close(file_);
    }
}

bool SoundDecoder::open(const char* file, ChannelCounts kept) {
    if (file_ || !file) {
        return false;
    }
    // libsndfile would open a pipe and wait on it, or read a device without end, so it only
    // ever gets a plain file, and closes the descriptor itself (even when it refuses the file).
    OutsideFile checked(file);
    if (!checked.isOpen()) {
        return false;
    }
    info_ = SF_INFO{};
    file_ = sf_open_fd(checked.release(), SFM_READ, &info_, SF_TRUE);
    if (!file_) {
        return false;
    }
    if (info_.channels <= 0 || info_.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        return false;
    }
    mixed_ = !keeps(kept, info_.channels);
    // MP3 decoding overshoots full scale now and then; clip rather than wrap around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

int SoundDecoder::read(int16_t* out, int frames) {
    if (!file_ || frames <= 0) {
        return 0;
    }
    if (!mixed_) {
        sf_count_t got = sf_readf_short(file_, out, frames);
        return got > 0 ? int(got) : 0;
    }
    // The first two channels are taken for left and right (as in every usual layout); the rest,
    // whatever they are, are heard from the middle.
    const int channels = info_.channels;
    wide_.resize(size_t(frames) * size_t(channels));
    sf_count_t got = sf_readf_short(file_, wide_.data(), frames);
    for (sf_count_t i = 0; i < got; i++) {
        const int16_t* frame = wide_.data() + size_t(i) * size_t(channels);
        float middle = 0.0f;
        for (int c = 2; c < channels; c++) {
            middle += kMiddleGain * frame[c];
        }
        out[2 * i] = clipped(frame[0] + middle);
        out[2 * i + 1] = clipped(frame[1] + middle);
    }
    return got > 0 ? int(got) : 0;
}

bool SoundDecoder::seek(int64_t frame) {
    if (!file_ || frame < 0) {
        return false;
    }
    // MP3 frames lean on the ones before them: right after a seek libsndfile gives a few thousand
    // frames of silence, so land early and decode up to the place asked for.
    int64_t from = std::max<int64_t>(frame - kSeekLeadFrames, 0);
    if (sf_seek(file_, from, SEEK_SET) != from) {
        return false;
    }
    std::vector<int16_t> skipped(size_t(frame - from) * size_t(channels()));
    return read(skipped.data(), int(frame - from)) == int(frame - from);
}

Decoded decodeWholeFile(const char* file, ChannelCounts kept, size_t maxBytes,
                        std::vector<int16_t>& pcm, int& channels, int& sampleRate) {
    SoundDecoder decoder;
    if (!decoder.open(file, kept)) {
        return Decoded::Nothing;
    }
    channels = decoder.channels();
    sampleRate = decoder.sampleRate();
    int64_t maxFrames = int64_t(maxBytes / (size_t(channels) * sizeof(int16_t)));
    int64_t frames = 0;
    pcm.clear();
    if (decoder.length() > maxFrames) {
        return Decoded::TooLong;
    }
    // Room for it all at once when the file tells its length: growing as it decodes would hold
    // the old copy and the new one together. The length is the file's word, so the cap bounds it.
    if (decoder.length() > 0) {
        pcm.reserve(size_t(decoder.length()) * size_t(channels));
    }
    bool whole = false;
    while (frames < maxFrames && !whole) {
        int want = int(std::min<int64_t>(kDecodeChunkFrames, maxFrames - frames));
        pcm.resize(size_t(frames + want) * size_t(channels));
        int got = decoder.read(pcm.data() + frames * channels, want);
        frames += got;
        whole = got < want;
    }
    pcm.resize(size_t(frames) * size_t(channels));
    if (frames == 0) {
        return Decoded::Nothing;
    }
    return whole ? Decoded::Whole : Decoded::TooLong;
}

bool probeFile(const char* file, ChannelCounts kept, int& channels, int& sampleRate,
               int64_t& length) {
    SoundDecoder decoder;
    if (!decoder.open(file, kept)) {
        return false;
    }
    channels = decoder.channels();
    sampleRate = decoder.sampleRate();
    length = decoder.length();
    std::vector<int16_t> first(size_t(kProbeFrames) * size_t(channels));
    return decoder.read(first.data(), kProbeFrames) > 0;
}
