// Missions 1 and 2: the driving one and the groovy one.
#include "tools/music/music.h"
#include "tools/music/tracks.h"

// Starman: E minor at a run, four on the floor, a pumping octave bass, a bright arpeggio and,
// from the second section, a heroic lead that climbs to its peak in the third.
Song mission1Song() {
    const int bpm = 126;
    Song song;
    song.samplesPerStep = stepSamples(bpm);
    song.bars = 24;
    song.echoSteps = 3.0f;
    song.echoFeedback = 0.3f;
    song.reverbRoom = 0.6f;
    song.pump = 0.35f;
    song.loudness = 0.19f;
    song.seed = 126;
    std::vector<Chord> chords =
        parseChords("Em C G D Em C G D | Em C G D Em C G D | C D Em - C D B7sus4 B7");

    song.parts.push_back({drumOf(Drum::Kick, 0.75f), beat("x...x...x...x...", 24, 36)});
    song.parts.push_back({drumOf(Drum::Clap, 0.8f, 0.05f), beat("....x.......x...", 24, 39)});
    song.parts.push_back({drumOf(Drum::Snare, 0.55f), beat("....x.......x...", 24, 38)});
    song.parts.push_back({drumOf(Drum::OpenHat, 0.2f, -0.2f), beat("..x...x...x...x.", 24, 46)});
    song.parts.push_back(
        {drumOf(Drum::Hat, 0.13f, 0.25f), bars(beat("xoxoxoxoxoxoxoxo", 24, 42), 8, 24)});
    Instrument crash = drumOf(Drum::Crash, 0.22f, 0.3f);
    crash.reverb = 0.3f;
    song.parts.push_back({crash, beat("x...............|................|................|"
                                      "................|................|................|"
                                      "................|................",
                                      24, 49)});

    Instrument bass;
    bass.wave = Wave::Saw;
    bass.amp = {0.003f, 0.15f, 0.6f, 0.05f};
    bass.cutoffHz = 500.0f;
    bass.cutoffEnvHz = 1500.0f;
    bass.cutoffDecay = 0.08f;
    bass.resonance = 0.3f;
    bass.subLevel = 0.5f;
    bass.gain = 0.38f;
    song.parts.push_back({bass, bassLine(chords, "R.O.R.O.R.O.R.O.", 40, 1.0f)});

    Instrument pad;
    pad.wave = Wave::Saw;
    pad.unison = 3;
    pad.detuneCents = 20.0f;
    pad.amp = {0.05f, 0.5f, 0.8f, 0.4f};
    pad.cutoffHz = 1800.0f;
    pad.gain = 0.12f;
    pad.width = 0.8f;
    pad.reverb = 0.3f;
    song.parts.push_back({pad, pads(chords, 55, 1.0f)});

    Instrument arp;
    arp.wave = Wave::Square;
    arp.pulseWidth = 0.35f;
    arp.amp = {0.002f, 0.15f, 0.2f, 0.08f};
    arp.cutoffHz = 1200.0f;
    arp.cutoffEnvHz = 4000.0f;
    arp.cutoffDecay = 0.1f;
    arp.gain = 0.15f;
    arp.pan = -0.25f;
    arp.echo = 0.3f;
    song.parts.push_back({arp, arpeggio(chords, "0120120120123212", 1, 64, 1.0f)});

    Instrument lead;
    lead.wave = Wave::Saw;
    lead.unison = 2;
    lead.detuneCents = 12.0f;
    lead.width = 0.3f;
    lead.amp = {0.01f, 0.3f, 0.75f, 0.2f};
    lead.cutoffHz = 2800.0f;
    lead.keyTrack = 0.5f;
    lead.resonance = 0.2f;
    lead.vibratoHz = 5.5f;
    lead.vibratoCents = 20.0f;
    lead.vibratoDelay = 0.2f;
    lead.scoopSemis = 1.0f;
    lead.scoopTime = 0.02f;
    lead.gain = 0.34f;
    lead.reverb = 0.25f;
    lead.echo = 0.2f;
    song.parts.push_back({lead, melody("B4 - E5 - G5 - B5 - | A5 - G5 - E5 - - - |"
                                       "D5 - G5 - B5 - D6 - | C6 - B5 - A5 - - - |"
                                       "B5 - - - G5 - E5 - | G5 - - - E5 - C5 - |"
                                       "D5 - - - B4 - D5 - | F#5 - - - - - - - |"
                                       "E5 - - - G5 - - - | F#5 - - - A5 - - - |"
                                       "G5 - - - B5 - - - | E6 - - - - - - - |"
                                       "C6 - B5 - G5 - E5 - | D6 - C6 - A5 - F#5 - |"
                                       "E5 - - - F#5 - - - | D#5 - - - F#5 - - - |",
                                       8 * kStepsPerBar, 2, 1.0f)});
    return song;
}

// Sweet spot: a swung funk in A dorian, a squelchy syncopated bass, clavinet stabs on the
// off-beats, ghost notes on the snare, and a sly riff that turns tense over E7#9.
Song mission2Song() {
    const int bpm = 105;
    Song song;
    song.samplesPerStep = stepSamples(bpm);
    song.bars = 16;
    song.swing = 0.16f;
    song.echoSteps = 3.0f;
    song.echoFeedback = 0.28f;
    song.reverbRoom = 0.55f;
    song.reverbDamp = 0.6f;
    song.pump = 0.2f;
    song.loudness = 0.18f;
    song.seed = 105;
    std::vector<Chord> chords =
        parseChords("Am7 - D9 - Am7 - Fmaj7 E7#9 | Am7 - D9 - Fmaj7 G E7#9 -");

    song.parts.push_back({drumOf(Drum::Kick, 0.85f), beat("x......x..x.....", 16, 36)});
    song.parts.push_back({drumOf(Drum::Snare, 0.85f, 0.05f), beat("....x..o.o..x..o", 16, 38)});
    song.parts.push_back({drumOf(Drum::Hat, 0.14f, 0.25f), beat("xoxoxoxoxoxoxoxo", 16, 42)});
    song.parts.push_back({drumOf(Drum::OpenHat, 0.15f, -0.2f), beat("..............x.", 16, 46)});

    Instrument bass;
    bass.wave = Wave::Square;
    bass.amp = {0.003f, 0.2f, 0.6f, 0.04f};
    bass.cutoffHz = 300.0f;
    bass.cutoffEnvHz = 1800.0f;
    bass.cutoffDecay = 0.09f;
    bass.resonance = 0.55f;
    bass.subLevel = 0.3f;
    bass.gain = 0.34f;
    song.parts.push_back({bass, bassLine(chords, "R-.R..O.R-.5.O.7", 33, 1.0f)});

    Instrument clav;
    clav.wave = Wave::Square;
    clav.pulseWidth = 0.25f;
    clav.amp = {0.002f, 0.12f, 0.0f, 0.05f};
    clav.cutoffHz = 1500.0f;
    clav.cutoffEnvHz = 3000.0f;
    clav.cutoffDecay = 0.05f;
    clav.resonance = 0.3f;
    clav.gain = 0.22f;
    clav.pan = 0.3f;
    song.parts.push_back({clav, stabs(chords, "..x...x.o.x...o.", 60, 1.0f)});

    Instrument strings;
    strings.wave = Wave::Saw;
    strings.unison = 3;
    strings.detuneCents = 14.0f;
    strings.amp = {0.6f, 1.0f, 0.8f, 1.0f};
    strings.cutoffHz = 1100.0f;
    strings.gain = 0.1f;
    strings.width = 0.9f;
    strings.reverb = 0.4f;
    song.parts.push_back({strings, pads(chords, 57, 1.0f)});

    Instrument lead;
    lead.wave = Wave::Square;
    lead.pulseWidth = 0.4f;
    lead.amp = {0.005f, 0.2f, 0.6f, 0.12f};
    lead.cutoffHz = 1800.0f;
    lead.cutoffEnvHz = 2500.0f;
    lead.cutoffDecay = 0.15f;
    lead.keyTrack = 0.4f;
    lead.resonance = 0.25f;
    lead.vibratoCents = 15.0f;
    lead.vibratoDelay = 0.25f;
    lead.scoopSemis = 0.7f;
    lead.scoopTime = 0.02f;
    lead.gain = 0.26f;
    lead.pan = -0.1f;
    lead.reverb = 0.2f;
    lead.echo = 0.2f;
    song.parts.push_back(
        {lead,
         melody("E5 - - . G5 - A5 . . . C6 - A5 - G5 . | A5 - E5 - . . D5 - E5 - . . . . . . |"
                "F#5 - - . A5 - C6 . . . D6 - C6 - A5 . | A5 - F#5 - . . E5 - D5 - . . . . . . |"
                "E5 - - . C5 - A4 - C5 - E5 - G5 - A5 - | B5 - - - A5 - G5 - D5 - - - B4 - D5 - |"
                "E5 - - . G#5 - B5 . D6 - . . G6 - - - | F5 - E5 - D5 - B4 - G#4 - - - . . . . |",
                8 * kStepsPerBar, 1, 1.0f)});
    return song;
}
