// Mission 3: the floating one.
#include "tools/music/music.h"
#include "tools/music/tracks.h"

// Fizz: E lydian, dreamy and weightless. A pad that wobbles like light through water, glassy
// bells in a long echo, a sub bass that drifts up into each note, a slow sliding melody,
// a half-time pulse, and bubbles everywhere.
Song mission3Song() {
    const int bpm = 90;
    Song song;
    song.samplesPerStep = stepSamples(bpm);
    song.bars = 16;
    song.echoSteps = 3.0f;
    song.echoFeedback = 0.45f;
    song.reverbRoom = 0.85f;
    song.reverbDamp = 0.3f;
    song.loudness = 0.14f;
    song.seed = 90;
    std::vector<Chord> chords = parseChords(
        "Emaj9 F#/E Emaj9 F#/E C#m9 G#m7 Amaj9 B6 | Emaj9 F#/E C#m9 G#m7 Amaj9 F#m9 Asus2 B7sus4");

    Instrument pad;
    pad.wave = Wave::Saw;
    pad.unison = 3;
    pad.detuneCents = 25.0f;
    pad.amp = {1.2f, 1.0f, 0.8f, 2.0f};
    pad.cutoffHz = 900.0f;
    pad.resonance = 0.3f;
    pad.lfoHz = 0.35f;
    pad.lfoDepth = 0.5f;
    pad.gain = 0.2f;
    pad.width = 0.9f;
    pad.reverb = 0.6f;
    song.parts.push_back({pad, pads(chords, 56, 0.9f)});

    Instrument glass;
    glass.fmRatio = 3.5f;
    glass.fmIndex = 1.5f;
    glass.fmDecay = 0.15f;
    glass.amp = {0.003f, 0.9f, 0.0f, 0.5f};
    glass.gain = 0.19f;
    glass.pan = 0.35f;
    glass.echo = 0.45f;
    glass.reverb = 0.4f;
    song.parts.push_back({glass, arpeggio(chords, "0 . 2 4 . 3 5 .", 2, 68, 1.0f)});

    Instrument sub;
    sub.wave = Wave::Sine;
    sub.amp = {0.1f, 0.5f, 0.8f, 0.6f};
    sub.scoopSemis = 2.0f;
    sub.scoopTime = 0.15f;
    sub.gain = 0.25f;
    song.parts.push_back({sub, bassLine(chords, "R---------..r-..", 40, 1.0f)});

    Instrument lead;
    lead.wave = Wave::Sine;
    lead.subLevel = 0.0f;
    lead.amp = {0.08f, 0.3f, 0.8f, 0.8f};
    lead.vibratoHz = 4.5f;
    lead.vibratoCents = 30.0f;
    lead.vibratoDelay = 0.3f;
    lead.scoopSemis = 3.0f;
    lead.scoopTime = 0.08f;
    lead.gain = 0.26f;
    lead.pan = -0.15f;
    lead.echo = 0.35f;
    lead.reverb = 0.5f;
    song.parts.push_back({lead, melody("B5 - G#5 - | A#5 - - F#5 | G#5 - E5 - | D#5 - - - |"
                                       "C#6 - B5 - | A5 - G#5 F#5 | E5 - - - | F#5 - - - |",
                                       8 * kStepsPerBar, 4, 1.0f)});

    song.parts.push_back({drumOf(Drum::Kick, 0.4f), beat("x.........x.....", 16, 36)});
    Instrument drip = drumOf(Drum::Rim, 0.18f, 0.15f);
    drip.reverb = 0.4f;
    drip.echo = 0.3f;
    song.parts.push_back({drip, beat("........x.......", 16, 37)});
    song.parts.push_back({drumOf(Drum::Shaker, 0.08f, -0.3f), beat("..x...x...x...x.", 16, 70)});

    Instrument bubble = drumOf(Drum::Bubble, 0.22f);
    bubble.width = 0.9f;
    bubble.reverb = 0.35f;
    bubble.echo = 0.15f;
    // E major pentatonic, high up where bubbles pop.
    song.parts.push_back({bubble, bubbles(16, 0.2f, {76, 78, 80, 83, 85, 88, 90, 92}, 3)});
    return song;
}
