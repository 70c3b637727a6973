#include <algorithm>
#include <cmath>

#include "tools/sounds/effects.h"

// Loudest sample of each: the ship's own end is the biggest sound of the game.
const float kExplosionPeak = 0.85f;
const float kExplosion2Peak = 0.95f;
const float kExplosion3Peak = 0.6f;
const float kHitPeak = 0.7f;
const float kHit2Peak = 0.5f;
const float kHit3Peak = 0.45f;

// Below this nothing but wasted headroom: small speakers cannot play it.
const float kSubsonicHz = 35.0f;

static double timeOf(int i) {
    return static_cast<double>(i) / kSampleRate;
}

// What one explosion is made of; the three sizes differ only in these numbers.
struct Blast {
    double length;                                    // seconds
    double boomFromHz, boomToHz, boomDrop, boomRing;  // the sine thump: Hz, Hz, s, s
    double rumbleHz, rumbleDarken, rumbleRing;  // noise low-pass start Hz, its fall s, decay s
    double crack;                               // seconds of broadband snap at the start
    int debris;                                 // crackling fragments flying off
    double debrisSpan;                          // seconds over which they fall
    uint32_t seed;
};

// Short bursts of band-passed noise scattered over the first part: the crackle of debris,
// thickest at the start.
static void addDebris(Mono& sound, const Blast& blast, float gain) {
    Noise noise(blast.seed * 7 + 1);
    for (int d = 0; d < blast.debris; d++) {
        double u = noise.uniform();
        double at = blast.debrisSpan * u * u;
        double grain = 0.008 + 0.03 * noise.uniform();
        Filter band;
        band.set(500.0f + 3500.0f * noise.uniform(), 0.5f);
        float level =
            gain * (0.4f + 0.6f * noise.uniform()) * (1.0f - static_cast<float>(u) * 0.7f);
        int start = samplesOf(at);
        int n = std::min(samplesOf(grain), static_cast<int>(sound.size()) - start);
        for (int i = 0; i < n; i++) {
            double t = timeOf(i);
            sound[start + i] += level * band.bandPass(noise.white()) * expDecay(t, grain / 4.0);
        }
    }
}

static Mono makeBlast(const Blast& blast, float peak) {
    Mono sound(samplesOf(blast.length));
    Oscillator boom;
    Filter rumble, snap;
    snap.set(1200.0f, 0.0f);
    Noise noise(blast.seed);
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        float cutoff =
            150.0f + static_cast<float>(blast.rumbleHz) * expDecay(t, blast.rumbleDarken);
        if (i % 16 == 0) {
            rumble.set(cutoff, 0.15f);
        }
        float white = noise.white();
        double hz = glide(t, blast.boomFromHz, blast.boomToHz, blast.boomDrop);
        float thump = 0.6f * boom.next(Wave::Sine, hz) * expDecay(t, blast.boomRing);
        // Keep the noise's loudness as its filter closes: the blast darkens before it fades.
        float open = std::sqrt(kSampleRate / (2.0f * cutoff));
        float roar = 0.5f * open * rumble.lowPass(white) * expDecay(t, blast.rumbleRing);
        float crack =
            t < blast.crack ? 0.7f * snap.highPass(white) * expDecay(t, blast.crack / 3) : 0;
        float attack = std::fmin(static_cast<float>(t / 0.002), 1.0f);
        sound[i] = attack * (thump + roar + crack);
    }
    addDebris(sound, blast, 0.5f);
    Filter subsonic;
    subsonic.set(kSubsonicHz, 0.0f);
    for (float& s : sound) {
        s = static_cast<float>(tanhOf(1.5f * subsonic.highPass(s)));
    }
    fadeEdges(sound, 0.0f, static_cast<float>(blast.length * 0.2));
    normalise(sound, peak);
    return sound;
}

Mono makeExplosion() {
    Blast blast{1.2, 110.0, 38.0, 0.08, 0.3, 2600.0, 0.25, 0.35, 0.02, 40, 0.7, 101};
    return makeBlast(blast, kExplosionPeak);
}

// The ship's end: a longer, deeper blast with two after-blasts as the wreck breaks up.
Mono makeExplosion2() {
    Blast blast{2.3, 95.0, 30.0, 0.12, 0.55, 3200.0, 0.45, 0.7, 0.03, 90, 1.5, 202};
    Mono sound = makeBlast(blast, kExplosion2Peak);
    const double afterAt[] = {0.28, 0.62};
    const float afterGain[] = {0.55f, 0.35f};
    Blast after{0.9, 80.0, 35.0, 0.06, 0.25, 2000.0, 0.2, 0.3, 0.015, 25, 0.5, 303};
    for (int k = 0; k < 2; k++) {
        after.seed += 11;
        mixInto(sound, makeBlast(after, 1.0f), samplesOf(afterAt[k]), afterGain[k]);
    }
    sound.resize(samplesOf(blast.length));
    for (float& s : sound) {
        s = softClip(s);
    }
    fadeEdges(sound, 0.0f, 0.4f);
    normalise(sound, kExplosion2Peak);
    return sound;
}

// A tile crumbling: a small knock and a shower of little grains of rock.
Mono makeExplosion3() {
    Blast blast{0.5, 130.0, 60.0, 0.03, 0.07, 1800.0, 0.05, 0.08, 0.01, 45, 0.35, 404};
    return makeBlast(blast, kExplosion3Peak);
}

// A struck piece of metal: inharmonic partials, each with a slightly detuned twin so that it
// shimmers, decaying faster the higher they are; a click and a thud give the strike.
struct Metal {
    double length, baseHz;
    const double* ratios;
    const float* gains;
    const double* rings;
    int partials;
    float twin;  // level of each partial's detuned twin: how much it shimmers
    float thud;  // level of the low thud under the strike
    uint32_t seed;
};

static Mono makeMetal(const Metal& metal, float peak) {
    Mono sound(samplesOf(metal.length));
    Noise noise(metal.seed);
    Filter click;
    click.set(5000.0f, 0.1f);
    Oscillator thud;
    for (int p = 0; p < metal.partials; p++) {
        Oscillator a(noise.uniform()), b(noise.uniform());
        double hz = metal.baseHz * metal.ratios[p];
        for (size_t i = 0; i < sound.size(); i++) {
            double t = timeOf(i);
            float pair = a.next(Wave::Sine, hz) + metal.twin * b.next(Wave::Sine, hz * 1.0045);
            sound[i] += metal.gains[p] * pair * expDecay(t, metal.rings[p]);
        }
    }
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        float strike = click.lowPass(noise.white()) * expDecay(t, 0.004);
        float low =
            metal.thud * thud.next(Wave::Sine, glide(t, 140.0, 70.0, 0.03)) * expDecay(t, 0.05);
        float attack = std::fmin(static_cast<float>(t / 0.0008), 1.0f);
        sound[i] = static_cast<float>(tanhOf(attack * (sound[i] + strike + low)));
    }
    fadeEdges(sound, 0.0005f, static_cast<float>(metal.length * 0.25));
    normalise(sound, peak);
    return sound;
}

// A heavy clang: a low plate.
Mono makeHit() {
    static const double ratios[] = {1.0, 2.32, 4.25, 6.63, 9.38, 12.9};
    static const float gains[] = {0.4f, 0.5f, 0.5f, 0.45f, 0.4f, 0.3f};
    static const double rings[] = {0.45, 0.35, 0.25, 0.2, 0.15, 0.1};
    return makeMetal({0.6, 220.0, ratios, gains, rings, 6, 0.7f, 0.8f, 505}, kHitPeak);
}

// A small, bright ping: a thin bar struck hard.
Mono makeHit2() {
    static const double ratios[] = {1.0, 2.76, 5.40};
    static const float gains[] = {0.6f, 0.3f, 0.15f};
    static const double rings[] = {0.16, 0.08, 0.04};
    return makeMetal({0.35, 1250.0, ratios, gains, rings, 3, 0.2f, 0.0f, 606}, kHit2Peak);
}

// A dull tick on hard rock: a very short knock of filtered noise with a little body.
Mono makeHit3() {
    const double length = 0.09;
    Mono sound(samplesOf(length));
    Noise noise(707);
    Filter band;
    band.set(1500.0f, 0.35f);
    Oscillator knock;
    for (size_t i = 0; i < sound.size(); i++) {
        double t = timeOf(i);
        float grit = band.bandPass(noise.white()) * expDecay(t, 0.008);
        float body = knock.next(Wave::Sine, glide(t, 230.0, 150.0, 0.02)) * expDecay(t, 0.018);
        sound[i] = 3.0f * grit + 0.3f * body;
    }
    fadeEdges(sound, 0.0003f, 0.03f);
    normalise(sound, kHit3Peak);
    return sound;
}
