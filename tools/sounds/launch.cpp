#include <cmath>

#include "tools/sounds/effects.h"

// The launch sound. The game starts it at kLaunchIgnition, so everything before is a quiet
// countdown that only a player of the bare file hears; the ignition crack falls right on the
// start point and the roar swells, then fades as the rocket climbs away.
const double kLaunchLength = 14.0;     // seconds
const float kRoarRms = 0.2f;           // loudness of the first second of the roar
const float kLaunchCeiling = 0.8f;     // room for the encoder's overshoot on the crackle
const float kCountdownLevel = 0.025f;  // the ambience and beeps before ignition
const double kBeepSpacing = 1.0;       // seconds between countdown beeps
const int kBeeps = 5;                  // the last ends well before ignition
const double kBeepLength = 0.12;       // seconds
const double kRoarSwell = 0.7;         // seconds from ignition to full roar
const double kRoarHold = 1.6;          // seconds of full roar
const double kRoarFade = 1.3;          // seconds per e of the fade after that

static double timeOf(int i) {
    return static_cast<double>(i) / kSampleRate;
}

// The roar's loudness, from 0 to 1, `t` seconds after ignition.
static float roarLevel(double t) {
    if (t < 0.0) {
        return 0.0f;
    }
    float rise = 0.55f + 0.45f * static_cast<float>(std::fmin(t / kRoarSwell, 1.0));
    float onset = static_cast<float>(std::fmin(t / 0.004, 1.0));
    float fade = t < kRoarHold ? 1.0f : expDecay(t - kRoarHold, kRoarFade);
    return onset * rise * fade;
}

// The hum of the pad and the countdown beeps, before ignition.
static void addCountdown(Stereo& sound) {
    Oscillator hum, hum2, beep;
    Filter air;
    air.set(300.0f, 0.0f);
    Noise noise(808);
    int ignition = samplesOf(kLaunchIgnition);
    double firstBeep = kLaunchIgnition - 1.0 - (kBeeps - 1) * kBeepSpacing;
    for (int i = 0; i < ignition; i++) {
        double t = timeOf(i);
        float ambience = 0.5f * hum.next(Wave::Sine, 55.0) + 0.25f * hum2.next(Wave::Sine, 110.5) +
                         2.0f * air.lowPass(noise.white());
        double since = t - firstBeep;
        int n = static_cast<int>(std::floor(since / kBeepSpacing));
        double into = since - n * kBeepSpacing;
        float tone = beep.next(Wave::Sine, n == kBeeps - 1 ? 1760.0 : 880.0);
        bool beeping = since >= 0.0 && n < kBeeps && into < kBeepLength;
        double edge = std::fmin(into / 0.005, (kBeepLength - into) / 0.01);  // soft on and off
        float gate = beeping ? static_cast<float>(std::fmin(1.0, edge)) : 0.0f;
        float fadeIn = static_cast<float>(std::fmin(t / 1.0, 1.0));
        float v = kCountdownLevel * (fadeIn * 0.4f * ambience + 1.5f * gate * tone);
        sound.left[i] += v;
        sound.right[i] += v;
    }
}

// One side of the roar: a deep rumble, a broad hiss through a darkening filter, shaken by slow
// turbulence, with the sharp crackle of a rocket's exhaust on top.
static void addRoarSide(Mono& side, Noise& shared, uint32_t seed) {
    Noise own(seed), crackle(seed * 3 + 1);
    Filter rumble, hiss, turbulence, crackleTone;
    rumble.set(140.0f, 0.2f);
    turbulence.set(7.0f, 0.0f);
    crackleTone.set(2500.0f, 0.3f);
    int ignition = samplesOf(kLaunchIgnition);
    for (int i = ignition; i < static_cast<int>(side.size()); i++) {
        double t = timeOf(i - ignition);
        if (i % 16 == 0) {
            hiss.set(600.0f + 2400.0f * expDecay(t, 2.0), 0.1f);
        }
        // Mostly the same noise on both sides, a little of each side's own, for width.
        float white = 0.75f * shared.white() + 0.25f * own.white();
        float shake = 1.0f + 14.0f * turbulence.lowPass(own.white());
        float body = 1.6f * rumble.lowPass(white) + 1.2f * hiss.lowPass(white);
        float pop = crackle.uniform() < 0.0015f ? crackle.white() * 1.5f : 0.0f;
        float crack = crackleTone.highPass(pop) * expDecay(t, 3.0);
        side[i] += roarLevel(t) * (shake * body + crack);
    }
}

// The ignition: a broadband crack and a deep thump.
static void addIgnition(Stereo& sound) {
    Noise noise(909);
    Filter bright;
    bright.set(400.0f, 0.0f);
    Oscillator thump;
    int ignition = samplesOf(kLaunchIgnition);
    int n = samplesOf(0.6);
    for (int i = 0; i < n; i++) {
        double t = timeOf(i);
        float crack = bright.highPass(noise.white()) * expDecay(t, 0.025);
        float low = thump.next(Wave::Sine, glide(t, 90.0, 32.0, 0.08)) * expDecay(t, 0.25);
        float onset = static_cast<float>(std::fmin(t / 0.002, 1.0));
        float v = onset * (0.5f * crack + 0.5f * low);
        sound.left[ignition + i] += v;
        sound.right[ignition + i] += v;
    }
}

Stereo makeLaunch() {
    int n = samplesOf(kLaunchLength);
    Stereo sound{Mono(n, 0.0f), Mono(n, 0.0f)};
    int ignition = samplesOf(kLaunchIgnition);
    Stereo roar{Mono(n, 0.0f), Mono(n, 0.0f)};
    Noise shared(1001), sharedCopy(1001);
    addRoarSide(roar.left, shared, 77);
    addRoarSide(roar.right, sharedCopy, 78);
    addIgnition(roar);
    // Scale the roar alone, so that the countdown keeps its own quiet level; the soft clip
    // rounds off the crackle's sharpest peaks.
    int second = ignition + kSampleRate;
    float left = rmsOf(roar.left, ignition, second), right = rmsOf(roar.right, ignition, second);
    float gain = kRoarRms / std::sqrt(0.5f * (left * left + right * right));
    for (int i = ignition; i < n; i++) {
        sound.left[i] = kLaunchCeiling * softClip(gain * roar.left[i]);
        sound.right[i] = kLaunchCeiling * softClip(gain * roar.right[i]);
    }
    addCountdown(sound);
    fadeEdges(sound.left, 0.0f, 0.3f);
    fadeEdges(sound.right, 0.0f, 0.3f);
    return sound;
}
