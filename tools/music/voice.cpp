#include <algorithm>
#include <cmath>

#include "tools/music/music.h"

// Filter and pitch are recomputed every this many samples: smooth enough, and far cheaper.
const int kControlSamples = 16;
// Seconds over which each drum hit swells in.
const double kDrumOnset = 0.0007;
// The cutoff's key tracking is measured from middle C.
const int kMiddleC = 60;

static double timeOf(int i) {
    return static_cast<double>(i) / kSampleRate;
}

// Equal-power panning: the left and right gains for `pan` from -1 to 1.
static void panGains(float pan, float& left, float& right) {
    double turns = (std::clamp(pan, -1.0f, 1.0f) + 1.0) / 8.0;  // a quarter turn across
    left = static_cast<float>(sineTurns(turns + 0.25));
    right = static_cast<float>(sineTurns(turns));
}

static void growTo(Stereo& out, size_t size) {
    if (out.left.size() < size) {
        out.left.resize(size, 0.0f);
        out.right.resize(size, 0.0f);
    }
}

// One unison voice of a pitched note.
static void renderVoice(const Instrument& in, double hz, double keyed, double held, float level,
                        float pan, double phase, int clock, Stereo& out) {
    int n = samplesOf(in.amp.length(static_cast<float>(held)));
    growTo(out, n);
    Oscillator osc(phase), sub(phase), modulator;
    Filter filter;
    bool filtered = in.cutoffHz < 18000.0f || in.cutoffEnvHz > 0.0f;
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    double pitch = hz, depth = 0.0;
    float loudness = 0.0f, loudnessStep = 0.0f;  // the envelope, drawn straight between controls
    auto envelope = [&in, held](double t) {
        return in.amp.level(static_cast<float>(t), static_cast<float>(held));
    };
    float nextLoudness = envelope(0.0);
    bool bends = in.vibratoCents != 0.0f || in.scoopSemis != 0.0f;
    for (int i = 0; i < n; i++) {
        if (i % kControlSamples == 0) {
            double t = timeOf(i);
            loudness = nextLoudness;
            nextLoudness = envelope(timeOf(i + kControlSamples));
            loudnessStep = (nextLoudness - loudness) / kControlSamples;
            if (in.fmRatio > 0.0f) {
                depth = in.fmIndex * expOf(-t / in.fmDecay);
            }
            if (bends) {
                double vibrato = in.vibratoCents * sineTurns(in.vibratoHz * t) *
                                 std::min(1.0, t / in.vibratoDelay) / 100.0;
                double scoop = in.scoopSemis * expOf(-t / in.scoopTime);
                pitch = hz * exp2Of((vibrato - scoop) / 12.0);
            }
            if (filtered) {
                double lfo = 1.0 + in.lfoDepth * sineTurns(in.lfoHz * (clock + i) / kSampleRate);
                double sweep = in.cutoffEnvHz * expOf(-t / in.cutoffDecay);
                filter.set(static_cast<float>(keyed * lfo + sweep), in.resonance);
            }
        }
        float s;
        if (in.fmRatio > 0.0f) {
            s = osc.nextSine(pitch, depth * modulator.next(Wave::Sine, pitch * in.fmRatio));
        } else {
            s = osc.next(in.wave, pitch, in.pulseWidth);
        }
        if (in.subLevel > 0.0f) {
            s += in.subLevel * sub.next(Wave::Sine, pitch / 2.0);
        }
        if (filtered) {
            s = filter.lowPass(s);
        }
        s *= level * loudness;
        loudness += loudnessStep;
        out.left[i] += s * gainLeft;
        out.right[i] += s * gainRight;
    }
}

// The drum kit. Each returns the hit's samples; `hz` tunes the bubble.
static Mono kick(Noise& noise) {
    Mono s(samplesOf(0.4));
    Oscillator body;
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        float thump = body.next(Wave::Sine, glide(t, 160.0, 48.0, 0.03)) * expDecay(t, 0.2);
        float click = noise.white() * expDecay(t, 0.002) * 0.4f;
        s[i] = static_cast<float>(tanhOf(1.6f * (thump + click)));
    }
    return s;
}

static Mono snare(Noise& noise, bool clap) {
    Mono s(samplesOf(0.3));
    Oscillator body;
    Filter bright;
    bright.set(clap ? 1300.0f : 2500.0f, clap ? 0.4f : 0.1f);
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        float rattle;
        if (clap) {
            // Three quick slaps, then the room.
            double since = std::fmod(t, 0.011);
            rattle = t < 0.033 ? expDecay(since, 0.003) : expDecay(t - 0.033, 0.06);
            rattle *= 2.0f * bright.bandPass(noise.white());
        } else {
            rattle = bright.highPass(noise.white()) * expDecay(t, 0.07);
            rattle +=
                0.7f * body.next(Wave::Sine, glide(t, 240.0, 180.0, 0.02)) * expDecay(t, 0.04);
        }
        s[i] = rattle;
    }
    return s;
}

static Mono hat(Noise& noise, double ring, float cutoff) {
    Mono s(samplesOf(ring * 6.0));
    Filter bright;
    bright.set(cutoff, 0.2f);
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        s[i] = bright.highPass(noise.white()) * expDecay(t, ring);
    }
    return s;
}

static Mono shaker(Noise& noise) {
    Mono s(samplesOf(0.12));
    Filter band;
    band.set(6000.0f, 0.3f);
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        float swell = std::min(1.0f, static_cast<float>(t / 0.012));
        s[i] = 1.5f * band.bandPass(noise.white()) * swell * expDecay(t, 0.035);
    }
    return s;
}

static Mono rim() {
    Mono s(samplesOf(0.06));
    Oscillator a, b;
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        s[i] =
            (a.next(Wave::Triangle, 820.0) + 0.6f * b.next(Wave::Sine, 1650.0)) * expDecay(t, 0.01);
    }
    return s;
}

// A bubble: a sine whose pitch jumps upward as it rises and pops.
static Mono bubble(double hz) {
    Mono s(samplesOf(0.15));
    Oscillator osc;
    for (size_t i = 0; i < s.size(); i++) {
        double t = timeOf(i);
        double sweep = hz * (1.0 + 1.2 * (1.0 - expOf(-t / 0.025)));
        float swell = std::min(1.0f, static_cast<float>(t / 0.003));
        s[i] = osc.next(Wave::Sine, sweep) * swell * expDecay(t, 0.035);
    }
    return s;
}

static Mono drumHit(Drum drum, double hz, Noise& noise) {
    switch (drum) {
        case Drum::Kick:
            return kick(noise);
        case Drum::Snare:
            return snare(noise, false);
        case Drum::Clap:
            return snare(noise, true);
        case Drum::Hat:
            return hat(noise, 0.018, 7000.0f);
        case Drum::OpenHat:
            return hat(noise, 0.09, 6000.0f);
        case Drum::Crash:
            return hat(noise, 0.4, 3500.0f);
        case Drum::Shaker:
            return shaker(noise);
        case Drum::Rim:
            return rim();
        case Drum::Bubble:
            return bubble(hz);
        case Drum::None:
            break;
    }
    return {};
}

int renderNote(const Instrument& in, const Note& note, double held, int clock, Noise& noise,
               Stereo& out) {
    double hz = midiToHz(note.midi);
    float level = in.gain * note.velocity;
    if (in.drum != Drum::None) {
        Mono hit = drumHit(in.drum, hz, noise);
        // A drum still takes a moment to speak: without it, each hit would start with a step.
        int onset = std::min(samplesOf(kDrumOnset), static_cast<int>(hit.size()));
        for (int i = 0; i < onset; i++) {
            hit[i] *= static_cast<float>(i) / onset;
        }
        // Bubbles rise all over the field; the kit stays where it stands.
        float pan = in.drum == Drum::Bubble ? in.pan + in.width * noise.white() : in.pan;
        float gainLeft, gainRight;
        panGains(pan, gainLeft, gainRight);
        growTo(out, hit.size());
        for (size_t i = 0; i < hit.size(); i++) {
            out.left[i] += level * gainLeft * hit[i];
            out.right[i] += level * gainRight * hit[i];
        }
        return static_cast<int>(hit.size());
    }
    double keyed = in.cutoffHz * exp2Of(in.keyTrack * (note.midi - kMiddleC) / 12.0);
    int voices = std::max(in.unison, 1);
    for (int k = 0; k < voices; k++) {
        double spread = voices > 1 ? static_cast<double>(k) / (voices - 1) - 0.5 : 0.0;
        double detuned = hz * exp2Of(in.detuneCents * spread / 1200.0);
        float pan = in.pan + 2.0f * in.width * static_cast<float>(spread);
        renderVoice(in, detuned, keyed, held, level / std::sqrt(static_cast<float>(voices)), pan,
                    noise.uniform(), clock, out);
    }
    return samplesOf(in.amp.length(static_cast<float>(held)));
}

Instrument drumOf(Drum drum, float gain, float pan) {
    Instrument kit;
    kit.drum = drum;
    kit.gain = gain;
    kit.pan = pan;
    return kit;
}
