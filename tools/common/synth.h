#pragma once

// The small synthesizer behind every shipped sound: oscillators, envelopes, a filter, a
// fixed-seed noise source and the two file writers. Everything is plain arithmetic on floats,
// so the same program writes the same files on every run.

#include <cstdint>
#include <string>
#include <vector>

const int kSampleRate = 44100;  // samples per second, for effects and music alike
const double kPi = 3.14159265358979323846;

using Mono = std::vector<float>;

struct Stereo {
    Mono left, right;
};

// Our own transcendental functions, built from adds and multiplies only. The C library picks
// different code for different processors, and its last bits differ with it; these give the
// very same bits everywhere, so the shipped files can be checked byte for byte.
double sineTurns(double turns);  // sin(2 pi turns), to within 1e-9
double expOf(double x);          // e^x, to within a few units of the last place
double exp2Of(double x);         // 2^x
double tanhOf(double x);

// Seconds to a whole number of samples.
int samplesOf(double seconds);

// Our own noise source (xorshift): the same sequence for the same seed, on every machine.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1u) {}
    float uniform();  // 0 to 1
    float white() { return 2.0f * uniform() - 1.0f; }
    int below(int n);  // 0 to n - 1

private:
    uint32_t state_;
};

enum class Wave { Sine, Triangle, Saw, Square, Noise };

// One oscillator with its running phase. Saw and square are band-limited (polyBLEP), so high
// notes do not alias into a fizz; the triangle's harmonics fall fast enough without.
class Oscillator {
public:
    explicit Oscillator(double phase = 0.0) : phase_(phase) {}
    // The wave's next sample at `hz` (-1 to 1); `pulseWidth` shapes the square.
    float next(Wave wave, double hz, float pulseWidth = 0.5f);
    // The phase modulated sine of an FM pair: sin(2 pi phase + `modulation`).
    float nextSine(double hz, double modulation);

private:
    double phase_;  // 0 to 1
    Noise noise_{0x2545f491u};
};

// Attack and release are linear in time; the decay falls exponentially to the sustain level.
struct Adsr {
    float attack = 0.005f;  // seconds
    float decay = 0.1f;     // seconds to reach (almost) the sustain level
    float sustain = 1.0f;   // 0 to 1
    float release = 0.05f;  // seconds

    // The level `t` seconds after the note began, for a note held `held` seconds.
    float level(float t, float held) const;
    float length(float held) const { return held + release; }
};

// A state-variable filter (trapezoidal, stable at any cutoff): low, band and high pass at once.
class Filter {
public:
    struct Out {
        float low, band, high;
    };
    // `resonance` 0 (none) to 1 (self-oscillation); `cutoffHz` is kept below Nyquist.
    void set(float cutoffHz, float resonance);
    Out process(float in);
    float lowPass(float in) { return process(in).low; }
    float bandPass(float in) { return process(in).band; }
    float highPass(float in) { return process(in).high; }

private:
    float k_ = 2.0f, a1_ = 1.0f, a2_ = 0.0f, a3_ = 0.0f;
    float ic1_ = 0.0f, ic2_ = 0.0f;
};

double midiToHz(double note);
// An exponential fall from 1, by e every `tau` seconds.
float expDecay(double t, double tau);
// A value gliding exponentially from `from` to `to`, by e every `tau` seconds.
double glide(double t, double from, double to, double tau);
float peakOf(const Mono& sound);
float rmsOf(const Mono& sound, int from, int to);

// Scales so that the loudest sample is `peak`.
void normalise(Mono& sound, float peak);
// Short linear fades at both ends, so a sound never starts or stops with a click.
void fadeEdges(Mono& sound, float inSeconds, float outSeconds);
// Adds `source` into `target` from sample `at`, growing `target` as needed.
void mixInto(Mono& target, const Mono& source, int at, float gain);
// A soft saturation that keeps -1 to 1: gentle below `knee`, rounding off the peaks above.
float softClip(float x);

// 16-bit PCM WAV, mono, at kSampleRate. False when the file cannot be written.
bool writeWav(const std::string& path, const Mono& sound);
// MP3 (LAME through libsndfile), constant bitrate; `channels` 1 writes only the left side.
bool writeMp3(const std::string& path, const Stereo& sound, int channels, int kbps);
