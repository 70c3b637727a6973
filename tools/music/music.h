#pragma once

// The game's music: five looping pieces played by a small sequencer over the synthesizer.
// A piece is a number of bars of sixteenth-note steps; each part is an instrument with its
// notes. It is rendered as a loop: whatever rings past the last bar (release, echo, reverb)
// is wrapped into the first, so the end flows into the start without a seam.

#include <vector>

#include "tools/common/synth.h"

const int kMusicKbps = 128;
const int kStepsPerBar = 16;  // sixteenth notes in 4/4

enum class Drum { None, Kick, Snare, Clap, Hat, OpenHat, Crash, Shaker, Rim, Bubble };

// What one part sounds like.
struct Instrument {
    Wave wave = Wave::Saw;
    float pulseWidth = 0.5f;
    int unison = 1;            // voices per note, spread in pitch and across the stereo field
    float detuneCents = 0.0f;  // between the outermost unison voices
    float subLevel = 0.0f;     // a sine an octave below
    float fmRatio = 0.0f;      // above 0: a two-operator FM sine (bell, electric piano)
    float fmIndex = 0.0f;      // its modulation depth at the note's start
    float fmDecay = 0.3f;      // seconds per e of that depth
    Adsr amp;
    float cutoffHz = 18000.0f;  // low-pass cutoff
    float cutoffEnvHz = 0.0f;   // added at the note's start, falling away
    float cutoffDecay = 0.2f;   // seconds per e of that
    float keyTrack = 0.0f;      // 0 to 1: how far the cutoff follows the note's pitch
    float resonance = 0.0f;     // 0 to 1
    float lfoHz = 0.0f;         // a slow sweep of the cutoff...
    float lfoDepth = 0.0f;      // ...by this fraction of it
    float vibratoHz = 5.0f;
    float vibratoCents = 0.0f;
    float vibratoDelay = 0.3f;  // seconds for the vibrato to come in
    float scoopSemis = 0.0f;    // each note slides in from this far below (above if negative)
    float scoopTime = 0.05f;    // seconds per e of that slide
    Drum drum = Drum::None;     // a drum plays its own sound; its notes' pitch tunes bubbles
    float gain = 1.0f;
    float pan = 0.0f;     // -1 left to 1 right
    float width = 0.6f;   // how far the unison voices spread across the field
    float reverb = 0.0f;  // send levels
    float echo = 0.0f;
};

// A drum of the kit at `gain`, standing at `pan`.
Instrument drumOf(Drum drum, float gain, float pan = 0.0f);

// Samples per sixteenth at `bpm` beats a minute; the tempos used divide the rate exactly.
constexpr int stepSamples(int bpm) {
    return kSampleRate * 15 / bpm;
}

struct Note {
    int step;    // sixteenths from the start of the piece
    int length;  // sixteenths held
    int midi;
    float velocity;
};

struct Part {
    Instrument instrument;
    std::vector<Note> notes;
};

struct Song {
    int samplesPerStep;  // a whole number, so that the loop lands on a sample exactly
    int bars;
    float swing = 0.0f;  // the off sixteenths come this fraction of a step late
    std::vector<Part> parts;
    float echoSteps = 3.0f;  // the stereo echo's delay
    float echoFeedback = 0.35f;
    float reverbRoom = 0.8f;  // 0 to 1
    float reverbDamp = 0.4f;  // 0 to 1
    float pump = 0.0f;        // how deeply each kick ducks everything but the drums
    float loudness = 0.16f;   // the RMS the finished piece is brought to
    uint32_t seed = 1;
};

struct Track {
    const char* file;  // below audio/
    Song (*song)();
};

// The menu music, then the tracks of missions 0 to 3.
const std::vector<Track>& tracks();

// The whole piece, stereo, exactly `bars` long, its tail wrapped into its start.
Stereo renderSong(const Song& song);

// The sound of one note of `instrument` held `held` seconds, added from the start of `out`
// (grown as needed); `clock` is the note's place in the piece, in samples, which the slow
// filter sweep follows. Returns how many samples it lasts.
int renderNote(const Instrument& instrument, const Note& note, double held, int clock, Noise& noise,
               Stereo& out);

// A chord: its root and bass as MIDI pitch classes, its tones as semitones above the root, and
// the steps it covers.
struct Chord {
    int root, bass;
    std::vector<int> tones;
    int step, length;
};

// Chords from names, one per bar ("Dm9 Bbmaj7 F/A C"); "Am7,D9" splits a bar into halves and
// "-" holds the chord before for one more bar.
std::vector<Chord> parseChords(const char* text);

// A line of notes, one token each `stepsPerToken` from step `from`: a name ("C5", "F#4",
// "Bb3") starts a note, "-" holds it, "." rests; "|" (bar lines) is skipped.
std::vector<Note> melody(const char* text, int from, int stepsPerToken, float velocity);

// Each chord held for its length, its tones placed closely from `lowest` up (the root left out
// of the bigger chords: the bass plays it).
std::vector<Note> pads(const std::vector<Chord>& chords, int lowest, float velocity);

// A bar pattern of sixteenths repeated over the chords: "R" root, "3" "5" "7" the chord's
// third, fifth and seventh, "O" the root an octave up, "-" hold, "." rest; the root is placed
// from `lowest` up. Upper case plays full, lower case ("r", "o") softer.
std::vector<Note> bassLine(const std::vector<Chord>& chords, const char* pattern, int lowest,
                           float velocity);

// Chord tones in turn: each digit of `pattern` (one per `stepsPerNote`) picks a tone counted
// from the lowest at or above `lowest`, going up through the octaves; "." rests, "-" holds.
std::vector<Note> arpeggio(const std::vector<Chord>& chords, const char* pattern, int stepsPerNote,
                           int lowest, float velocity);

// Whole chords struck on the hits of a bar pattern ("x" full, "o" soft, "-" hold, "." rest).
std::vector<Note> stabs(const std::vector<Chord>& chords, const char* pattern, int lowest,
                        float velocity);

// A drum pattern of sixteenths ("x" full, "o" soft, "." rest), repeated over `bars` bars.
std::vector<Note> beat(const char* pattern, int bars, int midi);

// Bubbles at random sixteenths over `barCount` bars: each step has `chance` of one, its pitch
// drawn from `scale` (MIDI notes). The same seed gives the same bubbles.
std::vector<Note> bubbles(int barCount, float chance, const std::vector<int>& scale, uint32_t seed);

// The notes that start in bars `from` to `to` - 1.
std::vector<Note> bars(const std::vector<Note>& notes, int from, int to);

// Both lists together.
std::vector<Note> joined(std::vector<Note> a, const std::vector<Note>& b);
