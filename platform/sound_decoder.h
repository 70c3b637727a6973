#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads a sound file (any format libsndfile knows, WAV and MP3 among them) as 16-bit frames of
// one or two channels; files with more channels are mixed down to two.
class SoundDecoder {
public:
    SoundDecoder() = default;
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;
    ~SoundDecoder();

    // False when the file is missing, is no plain file (a pipe, device or folder: refused at
    // once), or is not a sound file libsndfile can read.
    bool open(const char* file);

    int channels() const { return info_.channels >= 2 ? 2 : 1; }
    int sampleRate() const { return info_.samplerate; }
    // As the file reports it; 0 when unknown.
    int64_t length() const { return info_.frames > 0 ? info_.frames : 0; }

    // Reads up to `frames` frames into `out` (channels() values a frame); 0 at the end.
    int read(int16_t* out, int frames);
    bool seek(int64_t frame);

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::vector<int16_t> wide_;  // frames of files with more than two channels
};

enum class Decoded {
    Nothing,  // the file is missing, no sound, or decodes to nothing
    Whole,    // all of it is in `pcm`
    TooLong   // it takes more than `maxBytes`; `pcm` holds no more than that
};

// Decodes a whole file into `pcm` when it fits in `maxBytes`. A file that says it is longer is
// not decoded at all; one that does not say is decoded up to the limit.
Decoded decodeWholeFile(const char* file, size_t maxBytes, std::vector<int16_t>& pcm, int& channels,
                        int& sampleRate);

// Opens the file and decodes a first few frames, without decoding the rest. False when that fails.
bool probeFile(const char* file, int& channels, int& sampleRate, int64_t& length);
