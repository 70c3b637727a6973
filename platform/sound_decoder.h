#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Channel counts handed on as they are, a bit each (1 << count); a file of any other count is
// mixed down to stereo. Mono and stereo are always handed on.
using ChannelCounts = unsigned;
constexpr ChannelCounts kMonoAndStereo = (1u << 1) | (1u << 2);

// Reads a sound file (any format libsndfile knows, WAV and MP3 among them) as 16-bit frames.
class SoundDecoder {
public:
    SoundDecoder() = default;
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;
    ~SoundDecoder();

    // False when the file is missing, is no plain file (a pipe, device or folder: refused at
    // once), or is not a sound file libsndfile can read.
    bool open(const char* file, ChannelCounts kept = kMonoAndStereo);

    // Of the frames read: the file's own, or 2 when it is mixed down.
    int channels() const { return mixed_ ? 2 : info_.channels; }
    int sampleRate() const { return info_.samplerate; }
    // As the file reports it; 0 when unknown.
    int64_t length() const { return info_.frames > 0 ? info_.frames : 0; }

    // Reads up to `frames` frames into `out` (channels() values a frame); 0 at the end.
    int read(int16_t* out, int frames);
    bool seek(int64_t frame);

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    bool mixed_ = false;         // to stereo, as it is read
    std::vector<int16_t> wide_;  // the file's own frames, when mixed down
};

enum class Decoded {
    Nothing,  // the file is missing, no sound, or decodes to nothing
    Whole,    // all of it is in `pcm`
    TooLong   // it takes more than `maxBytes`; `pcm` holds no more than that
};

// Decodes a whole file into `pcm` when it fits in `maxBytes`. A file that says it is longer is
// not decoded at all; one that does not say is decoded up to the limit.
Decoded decodeWholeFile(const char* file, ChannelCounts kept, size_t maxBytes,
                        std::vector<int16_t>& pcm, int& channels, int& sampleRate);

// Opens the file and decodes a first few frames, without decoding the rest. False when that fails.
bool probeFile(const char* file, ChannelCounts kept, int& channels, int& sampleRate,
               int64_t& length);
