#include "tools/common/synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

// Taylor coefficients, odd powers of the sine from z^3 and every power of e^r from r^2.
const double kSineTerms[] = {
    -1.0 / 6.0,        1.0 / 120.0,        -1.0 / 5040.0,         1.0 / 362880.0,
    -1.0 / 39916800.0, 1.0 / 6227020800.0, -1.0 / 1307674368000.0};
const double kExpTerms[] = {1.0 / 2.0,        1.0 / 6.0,         1.0 / 24.0,
                            1.0 / 120.0,      1.0 / 720.0,       1.0 / 5040.0,
                            1.0 / 40320.0,    1.0 / 362880.0,    1.0 / 3628800.0,
                            1.0 / 39916800.0, 1.0 / 479001600.0, 1.0 / 6227020800.0};

double sineTurns(double turns) {
    double y = turns - std::floor(turns + 0.5);  // -0.5 to 0.5
    if (y > 0.25) {
        y = 0.5 - y;
    } else if (y < -0.25) {
        y = -0.5 - y;
    }
    double z = 2.0 * kPi * y;  // -pi/2 to pi/2, where the series converges fast
    double z2 = z * z;
    double sum = 0.0;
    for (int k = 6; k >= 0; k--) {
        sum = (sum + kSineTerms[k]) * z2;
    }
    return z + z * sum;
}

// ln 2 split in two, so that subtracting k ln 2 loses no precision.
const double kLn2High = 0.693145751953125, kLn2Low = 1.42860682030941723212e-6;
const double kLog2E = 1.4426950408889634;

double expOf(double x) {
    if (x < -700.0) {
        return 0.0;
    }
    x = std::min(x, 700.0);
    double k = std::floor(x * kLog2E + 0.5);
    double r = (x - k * kLn2High) - k * kLn2Low;  // |r| <= ln 2 / 2
    double sum = 0.0;
    for (int n = 11; n >= 0; n--) {
        sum = (sum + kExpTerms[n]) * r;
    }
    // 2^k put together from its bits: k stays within the normal range here.
    uint64_t bits = static_cast<uint64_t>(static_cast<int64_t>(k) + 1023) << 52;
    double scale;
    std::memcpy(&scale, &bits, sizeof(scale));
    return (1.0 + r + r * sum) * scale;
}

double exp2Of(double x) {
    return expOf(x * (kLn2High + kLn2Low));
}

double tanhOf(double x) {
    if (std::fabs(x) > 20.0) {
        return x > 0.0 ? 1.0 : -1.0;
    }
    double e = expOf(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

int samplesOf(double seconds) {
    return static_cast<int>(std::floor(seconds * kSampleRate + 0.5));
}

float Noise::uniform() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ >> 8) / 16777216.0f;
}

int Noise::below(int n) {
    return static_cast<int>(uniform() * static_cast<float>(n)) % n;
}

// The polyBLEP correction that rounds off a jump of the naive wave at phase 0.
static double polyBlep(double phase, double step) {
    if (phase < step) {
        double x = phase / step;
        return x + x - x * x - 1.0;
    }
    if (phase > 1.0 - step) {
        double x = (phase - 1.0) / step;
        return x * x + x + x + 1.0;
    }
    return 0.0;
}

float Oscillator::next(Wave wave, double hz, float pulseWidth) {
    double step = std::min(hz / kSampleRate, 0.5);
    double p = phase_;
    double value = 0.0;
    switch (wave) {
        case Wave::Sine:
            value = sineTurns(p);
            break;
        case Wave::Triangle:
            value = p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p;
            break;
        case Wave::Saw:
            value = 2.0 * p - 1.0 - polyBlep(p, step);
            break;
        case Wave::Square: {
            double fall = std::fmod(p + 1.0 - pulseWidth, 1.0);
            value = (p < pulseWidth ? 1.0 : -1.0) + polyBlep(p, step) - polyBlep(fall, step);
            value -= 2.0 * pulseWidth - 1.0;  // a narrow pulse would otherwise carry DC
            break;
        }
        case Wave::Noise:
            value = noise_.white();
            break;
    }
    phase_ += step;
    phase_ -= std::floor(phase_);
    return static_cast<float>(value);
}

float Oscillator::nextSine(double hz, double modulation) {
    double value = sineTurns(phase_ + modulation / (2.0 * kPi));
    phase_ += hz / kSampleRate;
    phase_ -= std::floor(phase_);
    return static_cast<float>(value);
}

// How far below 1 the decay has fallen when its time is up (e^-5, under 1%).
const float kDecayShape = 5.0f;

float Adsr::level(float t, float held) const {
    auto gate = [this](float u) {
        if (u < attack) {
            return u / attack;
        }
        return sustain +
               (1.0f - sustain) * static_cast<float>(expOf(-kDecayShape * (u - attack) / decay));
    };
    if (t < 0.0f) {
        return 0.0f;
    }
    if (t < held) {
        return gate(t);
    }
    float x = (t - held) / release;
    if (x >= 1.0f) {
        return 0.0f;
    }
    // Exponential fall, bent to reach exactly zero at the end of the release.
    return gate(held) * static_cast<float>(expOf(-3.0 * x)) * (1.0f - x);
}

void Filter::set(float cutoffHz, float resonance) {
    float hz = std::clamp(cutoffHz, 10.0f, 0.45f * kSampleRate);
    double turns = 0.5 * hz / kSampleRate;
    float g = static_cast<float>(sineTurns(turns) / sineTurns(turns + 0.25));
    k_ = 2.0f - 1.98f * std::clamp(resonance, 0.0f, 1.0f);
    a1_ = 1.0f / (1.0f + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
}

Filter::Out Filter::process(float in) {
    float v3 = in - ic2_;
    float v1 = a1_ * ic1_ + a2_ * v3;
    float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0f * v1 - ic1_;
    ic2_ = 2.0f * v2 - ic2_;
    return {v2, v1, in - k_ * v1 - v2};
}

double midiToHz(double note) {
    return 440.0 * exp2Of((note - 69.0) / 12.0);
}

float expDecay(double t, double tau) {
    return static_cast<float>(expOf(-t / tau));
}

double glide(double t, double from, double to, double tau) {
    return to + (from - to) * expOf(-t / tau);
}

float peakOf(const Mono& sound) {
    float peak = 0.0f;
    for (float s : sound) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

float rmsOf(const Mono& sound, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, static_cast<int>(sound.size()));
    double sum = 0.0;
    for (int i = from; i < to; i++) {
        sum += static_cast<double>(sound[i]) * sound[i];
    }
    return to > from ? static_cast<float>(std::sqrt(sum / (to - from))) : 0.0f;
}

void normalise(Mono& sound, float peak) {
    float loudest = peakOf(sound);
    if (loudest <= 0.0f) {
        return;
    }
    for (float& s : sound) {
        s *= peak / loudest;
    }
}

void fadeEdges(Mono& sound, float inSeconds, float outSeconds) {
    int n = static_cast<int>(sound.size());
    int in = std::min(samplesOf(inSeconds), n);
    int out = std::min(samplesOf(outSeconds), n);
    for (int i = 0; i < in; i++) {
        sound[i] *= static_cast<float>(i) / in;
    }
    for (int i = 0; i < out; i++) {
        sound[n - 1 - i] *= static_cast<float>(i) / out;
    }
}

void mixInto(Mono& target, const Mono& source, int at, float gain) {
    if (target.size() < at + source.size()) {
        target.resize(at + source.size(), 0.0f);
    }
    for (size_t i = 0; i < source.size(); i++) {
        target[at + i] += gain * source[i];
    }
}

// Below this level the clipper passes the signal untouched.
const float kClipKnee = 0.7f;

float softClip(float x) {
    float a = std::fabs(x);
    if (a <= kClipKnee) {
        return x;
    }
    float room = 1.0f - kClipKnee;
    float bent = kClipKnee + room * static_cast<float>(tanhOf((a - kClipKnee) / room));
    return x < 0.0f ? -bent : bent;
}

bool writeWav(const std::string& path, const Mono& sound) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    std::vector<short> pcm(sound.size());
    for (size_t i = 0; i < sound.size(); i++) {
        float scaled = std::clamp(sound[i], -1.0f, 1.0f) * 32767.0f;
        pcm[i] = static_cast<short>(std::floor(scaled + 0.5f));
    }
    sf_count_t written = sf_write_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(pcm.size());
}

// libsndfile picks the bitrate from a compression level: 320 kbit/s at 0, 32 at 1.
const double kMaxKbps = 320.0, kMinKbps = 32.0;

bool writeMp3(const std::string& path, const Stereo& sound, int channels, int kbps) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    int mode = SF_BITRATE_MODE_CONSTANT;
    sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
    // Half a kbit/s inside the step, so the encoder rounds to the rate asked for.
    double level = (kMaxKbps - kbps + 0.5) / (kMaxKbps - kMinKbps);
    sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level));
    // Interleaved a block at a time: no second copy of a whole piece.
    const size_t block = 4096;
    std::vector<float> interleaved(block * channels);
    size_t frames = sound.left.size();
    bool ok = true;
    for (size_t from = 0; from < frames; from += block) {
        size_t count = std::min(block, frames - from);
        for (size_t i = 0; i < count; i++) {
            interleaved[i * channels] = std::clamp(sound.left[from + i], -1.0f, 1.0f);
            if (channels == 2) {
                interleaved[i * 2 + 1] = std::clamp(sound.right[from + i], -1.0f, 1.0f);
            }
        }
        sf_count_t want = static_cast<sf_count_t>(count);
        ok = sf_writef_float(file, interleaved.data(), want) == want && ok;
    }
    return sf_close(file) == 0 && ok;
}
