#include "tools/sounds/effects.h"

#include <cmath>

// Loudest sample of each effect. The ones heard dozens of times a minute (laser, blip) sit
// lower than the rare big events, so that together they keep one balance.
const float kShotPeak = 0.55f;
const float kShot2Peak = 0.7f;
const float kBuzzPeak = 0.45f;
const float kBlipPeak = 0.4f;
const float kPickupPeak = 0.6f;
const float kDiePeak = 0.6f;
const float kCoinPeak = 0.45f;
const float kSelectPeak = 0.5f;

const std::vector<Effect>& effects() {
    static const std::vector<Effect> list = {
        {"shot.wav", makeShot},
        {"shot2.wav", makeShot2},
        {"buzz.wav", makeBuzz},
        {"blip.wav", makeBlip},
        {"explosion.wav", makeExplosion},
        {"explosion2.wav", makeExplosion2},
        {"explosion3.wav", makeExplosion3},
        {"pickup.wav", makePickup},
        {"die.wav", makeDie},
        {"hit.wav", makeHit},
        {"hit2.wav", makeHit2},
        {"hit3.wav", makeHit3},
        {"coin.wav", makeCoin},
        {"selecty.wav", makeSelect},
    };
    return list;
}

// Seconds from sample index.
static double timeOf(int i) {
    return static_cast<double>(i) / kSampleRate;
}

// A laser "pew": two band-limited waves diving from a high whistle, with a hiss at the start.
Mono makeShot() {
    const double length = 0.22, startHz = 2100.0, endHz = 260.0, diveTau = 0.045;
    Mono sound(samplesOf(length));
    Oscillator square, saw(0.3);
    Filter tone, hiss;
    tone.set(7000.0f, 0.1f);
    hiss.set(5000.0f, 0.3f);
    Noise noise(11);
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        double hz = glide(t, startHz, endHz, diveTau);
        float body =
            0.6f * square.next(Wave::Square, hz, 0.3f) + 0.4f * saw.next(Wave::Saw, hz * 1.5);
        float zap = hiss.bandPass(noise.white()) * expDecay(t, 0.006);
        float level = std::fmin(static_cast<float>(t / 0.001), 1.0f) * expDecay(t, 0.07);
        sound[i] = tone.lowPass(body * level + zap);
    }
    fadeEdges(sound, 0.0005f, 0.03f);
    normalise(sound, kShotPeak);
    return sound;
}

// A cannon: a sine thump falling into the sub range under a short, darkening blast of noise.
Mono makeShot2() {
    const double length = 0.45;
    Mono sound(samplesOf(length));
    Oscillator body;
    Filter blast;
    Noise noise(23);
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        if (i % 16 == 0) {
            blast.set(200.0f + 3000.0f * expDecay(t, 0.05), 0.2f);
        }
        float thump = body.next(Wave::Sine, glide(t, 160.0, 45.0, 0.04)) * expDecay(t, 0.16);
        float burst = blast.lowPass(noise.white()) * expDecay(t, 0.07);
        float attack = std::fmin(static_cast<float>(t / 0.0015), 1.0f);
        sound[i] = static_cast<float>(tanhOf(1.8f * attack * (thump + 0.8f * burst)));
    }
    fadeEdges(sound, 0.0f, 0.08f);
    normalise(sound, kShot2Peak);
    return sound;
}

// A refusal: two low saws a little apart, so they beat against each other, plus a sub square.
Mono makeBuzz() {
    const double length = 0.22, hz = 98.0, roughHz = 103.8;
    Mono sound(samplesOf(length));
    Oscillator a, b(0.5), sub;
    Filter tone;
    tone.set(1400.0f, 0.2f);
    for (size_t i = 0; i < sound.size(); i++) {
        float raw = a.next(Wave::Saw, hz) + b.next(Wave::Saw, roughHz) +
                    0.6f * sub.next(Wave::Square, hz / 2.0);
        sound[i] = tone.lowPass(raw);
    }
    fadeEdges(sound, 0.004f, 0.04f);
    normalise(sound, kBuzzPeak);
    return sound;
}

// A soft tick of a triangle, lifting slightly in pitch.
Mono makeBlip() {
    const double length = 0.08;
    Mono sound(samplesOf(length));
    Oscillator osc;
    Filter tone;
    tone.set(4000.0f, 0.0f);
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        float level = std::fmin(static_cast<float>(t / 0.002), 1.0f) * expDecay(t, 0.022);
        sound[i] = tone.lowPass(osc.next(Wave::Triangle, glide(t, 880.0, 990.0, 0.03)) * level);
    }
    fadeEdges(sound, 0.0f, 0.02f);
    normalise(sound, kBlipPeak);
    return sound;
}

// One bell note: a sine with a light FM shimmer and a soft octave, ringing out.
static void addBell(Mono& sound, int at, double hz, double ring, float gain) {
    Oscillator carrier, modulator, octave;
    for (int i = at; i < static_cast<int>(sound.size()); i++) {
        double t = timeOf(i - at);
        float shimmer = 1.2f * expDecay(t, 0.05) * modulator.next(Wave::Sine, hz * 3.0);
        float tone = carrier.nextSine(hz, shimmer) + 0.25f * octave.next(Wave::Sine, hz * 2.0);
        float level = std::fmin(static_cast<float>(t / 0.002), 1.0f) * expDecay(t, ring);
        sound[i] += gain * tone * level;
    }
}

// A happy rising chime: a major arpeggio of bells, the top note ringing longest.
Mono makePickup() {
    const double length = 0.75, spacing = 0.06;
    const int notes[] = {79, 83, 86, 91};  // G5 B5 D6 G6
    Mono sound(samplesOf(length));
    for (int n = 0; n < 4; n++) {
        double ring = n == 3 ? 0.22 : 0.1;
        addBell(sound, samplesOf(n * spacing), midiToHz(notes[n]), ring, 1.0f - 0.1f * n);
    }
    fadeEdges(sound, 0.0f, 0.1f);
    normalise(sound, kPickupPeak);
    return sound;
}

// A sad, wobbling slide down, through a closing resonant filter: a squelch.
Mono makeDie() {
    const double length = 0.45, fromHz = 560.0, toHz = 140.0, slideTau = 0.16;
    Mono sound(samplesOf(length));
    Oscillator osc, wobble;
    Filter squelch;
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        if (i % 16 == 0) {
            squelch.set(250.0f + 2600.0f * expDecay(t, 0.12), 0.75f);
        }
        double vibrato = exp2Of(0.04 * wobble.next(Wave::Sine, 9.0));
        float raw = osc.next(Wave::Saw, glide(t, fromHz, toHz, slideTau) * vibrato);
        float level = std::fmin(static_cast<float>(t / 0.006), 1.0f) * expDecay(t, 0.25);
        sound[i] = squelch.lowPass(raw) * level;
    }
    fadeEdges(sound, 0.0f, 0.08f);
    normalise(sound, kDiePeak);
    return sound;
}

// The classic coin ding: a short square B5, then a ringing E6.
Mono makeCoin() {
    const double length = 0.45, firstNote = 0.07;
    const double firstHz = midiToHz(83), secondHz = midiToHz(88);
    Mono sound(samplesOf(length));
    Oscillator osc;
    Filter tone;
    tone.set(9000.0f, 0.0f);
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        bool first = t < firstNote;
        float level = first ? 0.8f : expDecay(t - firstNote, 0.13);
        float raw = osc.next(Wave::Square, first ? firstHz : secondHz);
        sound[i] = tone.lowPass(raw * level);
    }
    fadeEdges(sound, 0.001f, 0.05f);
    normalise(sound, kCoinPeak);
    return sound;
}

// An affirmative chirp: three quick notes up a fifth and a fourth, each one scooping upward.
Mono makeSelect() {
    const double length = 0.3, spacing = 0.045;
    const int notes[] = {84, 91, 96};  // C6 G6 C7
    Mono sound(samplesOf(length));
    Filter tone;
    tone.set(8000.0f, 0.0f);
    for (int n = 0; n < 3; n++) {
        Oscillator pulse, soft;
        int at = samplesOf(n * spacing);
        double hz = midiToHz(notes[n]);
        double ring = n == 2 ? 0.08 : 0.025;
        for (int i = at; i < static_cast<int>(sound.size()); i++) {
            double t = timeOf(i - at);
            double scoop = glide(t, hz * 0.85, hz, 0.008);
            float raw = 0.5f * pulse.next(Wave::Square, scoop, 0.25f) +
                        0.8f * soft.next(Wave::Triangle, scoop);
            float level = std::fmin(static_cast<float>(t / 0.002), 1.0f) * expDecay(t, ring);
            sound[i] += raw * level;
        }
    }
    for (float& s : sound) {
        s = tone.lowPass(s);
    }
    fadeEdges(sound, 0.0f, 0.05f);
    normalise(sound, kSelectPeak);
    return sound;
}
