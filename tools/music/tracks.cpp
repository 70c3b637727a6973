// The menu music and mission 0's: calm and friendly.
#include "tools/music/tracks.h"
#include "tools/music/music.h"

const std::vector<Track>& tracks() {
    static const std::vector<Track> list = {
        {"Deep Space (Qv).mp3", menuSong},        {"tarrowin_-_life_underwater.mp3", mission0Song},
        {"tarrowin_-_starman.mp3", mission1Song}, {"tarrowin_-_sweet_spot.mp3", mission2Song},
        {"tarrowin_-_fizz.mp3", mission3Song},
    };
    return list;
}

// Deep space: slow, wide pads in D minor, a bell arpeggio drifting through a long echo, a
// distant wind, and in the second half a slow melody. No drums.
Song menuSong() {
    const int bpm = 84;
    Song song;
    song.samplesPerStep = stepSamples(bpm);
    song.bars = 16;
    song.echoSteps = 3.0f;
    song.echoFeedback = 0.45f;
    song.reverbRoom = 0.92f;
    song.reverbDamp = 0.5f;
    song.loudness = 0.13f;
    song.seed = 84;
    std::vector<Chord> chords =
        parseChords("Dm9 - Bbmaj7 - Fmaj7 - Csus2 C | Dm9 - Bbmaj7 - Gm9 - A7sus4 A7");

    Instrument pad;
    pad.wave = Wave::Saw;
    pad.unison = 3;
    pad.detuneCents = 18.0f;
    pad.amp = {1.8f, 1.0f, 0.9f, 2.5f};
    pad.cutoffHz = 900.0f;
    pad.keyTrack = 0.3f;
    pad.resonance = 0.15f;
    pad.lfoHz = 0.07f;
    pad.lfoDepth = 0.35f;
    pad.gain = 0.28f;
    pad.width = 0.8f;
    pad.reverb = 0.6f;
    song.parts.push_back({pad, pads(chords, 50, 0.8f)});

    Instrument sub;
    sub.wave = Wave::Sine;
    sub.amp = {0.25f, 0.6f, 0.8f, 0.8f};
    sub.gain = 0.25f;
    song.parts.push_back({sub, bassLine(chords, "R-------------..", 38, 1.0f)});

    Instrument bell;
    bell.fmRatio = 2.0f;
    bell.fmIndex = 1.6f;
    bell.fmDecay = 0.25f;
    bell.amp = {0.004f, 0.7f, 0.0f, 0.5f};
    bell.gain = 0.26f;
    bell.pan = 0.2f;
    bell.echo = 0.4f;
    bell.reverb = 0.4f;
    std::vector<Note> arp = arpeggio(chords, "0 2 4 6 5 4 2 3", 2, 62, 1.0f);
    std::vector<Note> high = arpeggio(chords, "7 . . 5 . . 6 .", 2, 62, 0.7f);
    song.parts.push_back({bell, joined(arp, bars(high, 8, 16))});

    Instrument wind;
    wind.wave = Wave::Noise;
    wind.amp = {3.0f, 1.0f, 1.0f, 3.0f};
    wind.cutoffHz = 700.0f;
    wind.resonance = 0.55f;
    wind.lfoHz = 0.11f;
    wind.lfoDepth = 0.6f;
    wind.gain = 0.3f;
    wind.pan = -0.3f;
    wind.reverb = 0.5f;
    song.parts.push_back({wind, melody("C4 - . . C4 - . . C4 - . . C4 - . .", 0, 16, 1.0f)});

    Instrument lead;
    lead.wave = Wave::Triangle;
    lead.amp = {0.08f, 0.3f, 0.8f, 0.9f};
    lead.cutoffHz = 3000.0f;
    lead.vibratoHz = 4.5f;
    lead.vibratoCents = 12.0f;
    lead.vibratoDelay = 0.4f;
    lead.gain = 0.3f;
    lead.pan = -0.1f;
    lead.reverb = 0.5f;
    lead.echo = 0.25f;
    song.parts.push_back({lead, melody("F5 - E5 - | D5 - - - | D5 - F5 - | A5 - - - |"
                                       "Bb5 - A5 - | G5 - F5 - | E5 - - - | C#5 - E5 - |",
                                       8 * kStepsPerBar, 4, 1.0f)});
    return song;
}

// Life underwater: a sunny F major tune over an electric piano and a marimba, a soft pulse
// of shaker and rim, and now and then a bubble rising past.
Song mission0Song() {
    const int bpm = 98;
    Song song;
    song.samplesPerStep = stepSamples(bpm);
    song.bars = 16;
    song.echoSteps = 3.0f;
    song.echoFeedback = 0.3f;
    song.reverbRoom = 0.7f;
    song.loudness = 0.15f;
    song.seed = 98;
    std::vector<Chord> chords =
        parseChords("F Dm7 Bbmaj7 C F Am7 Bb C7 | Bbmaj7 C Am7 Dm7 Gm7 Am7 Bb C7sus4,C7");

    Instrument piano;
    piano.fmRatio = 1.0f;
    piano.fmIndex = 1.8f;
    piano.fmDecay = 0.4f;
    piano.amp = {0.005f, 1.2f, 0.35f, 0.4f};
    piano.gain = 0.17f;
    piano.pan = -0.15f;
    piano.reverb = 0.3f;
    song.parts.push_back({piano, stabs(chords, "x-----x---x-----", 57, 1.0f)});

    Instrument bass;
    bass.wave = Wave::Saw;
    bass.amp = {0.005f, 0.3f, 0.7f, 0.1f};
    bass.cutoffHz = 380.0f;
    bass.cutoffEnvHz = 900.0f;
    bass.cutoffDecay = 0.12f;
    bass.subLevel = 0.4f;
    bass.gain = 0.42f;
    song.parts.push_back({bass, bassLine(chords, "R---..R.5---r.O.", 41, 1.0f)});

    Instrument marimba;
    marimba.fmRatio = 4.0f;
    marimba.fmIndex = 1.2f;
    marimba.fmDecay = 0.03f;
    marimba.amp = {0.002f, 0.35f, 0.0f, 0.2f};
    marimba.gain = 0.24f;
    marimba.pan = 0.3f;
    marimba.echo = 0.15f;
    song.parts.push_back({marimba, arpeggio(chords, "0 2 1 2 3 2 1 2", 2, 65, 1.0f)});

    Instrument flute;
    flute.wave = Wave::Triangle;
    flute.amp = {0.04f, 0.2f, 0.85f, 0.25f};
    flute.cutoffHz = 2500.0f;
    flute.keyTrack = 0.3f;
    flute.vibratoHz = 5.0f;
    flute.vibratoCents = 15.0f;
    flute.vibratoDelay = 0.25f;
    flute.scoopSemis = 0.5f;
    flute.scoopTime = 0.03f;
    flute.gain = 0.28f;
    flute.reverb = 0.35f;
    flute.echo = 0.15f;
    song.parts.push_back({flute, melody("C5 - A4 - C5 - F5 - | E5 - D5 - - - A4 - |"
                                        "D5 - C5 - D5 - F5 - | G5 - - - E5 - - - |"
                                        "F5 - A5 - G5 - F5 - | E5 - C5 - - - A4 - |"
                                        "Bb4 - D5 - F5 - D5 - | E5 - - - G5 - - - |"
                                        "F5 - - - D5 - F5 - | G5 - - - E5 - C5 - |"
                                        "E5 - - - C5 - A4 - | D5 - F5 - A5 - - - |"
                                        "Bb5 - A5 - G5 - F5 - | E5 - - - C5 - E5 - |"
                                        "D5 - - - F5 - D5 - | C5 - - - - - . . |",
                                        0, 2, 1.0f)});

    song.parts.push_back({drumOf(Drum::Kick, 0.5f), beat("x.......x.......", 16, 36)});
    song.parts.push_back({drumOf(Drum::Rim, 0.3f, -0.2f), beat("....x.......x...", 16, 37)});
    song.parts.push_back({drumOf(Drum::Shaker, 0.16f, 0.3f), beat("o.x.o.x.o.x.o.x.", 16, 70)});
    Instrument bubble = drumOf(Drum::Bubble, 0.16f);
    bubble.width = 0.8f;
    bubble.reverb = 0.3f;
    song.parts.push_back({bubble, bubbles(16, 0.04f, {77, 81, 84, 86, 89}, 5)});
    return song;
}
