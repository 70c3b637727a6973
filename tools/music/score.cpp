#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "tools/music/music.h"

// Velocity of the soft hits ("o", lower-case bass notes) against the full ones.
const float kSoftHit = 0.45f;

// Reads a pitch class ("C", "F#", "Bb") at `text`, moving past it; -1 if there is none.
static int readPitchClass(const char*& text) {
    static const int natural[] = {9, 11, 0, 2, 4, 5, 7};  // A to G
    if (*text < 'A' || *text > 'G') {
        return -1;
    }
    int pc = natural[*text - 'A'];
    text++;
    if (*text == '#') {
        pc++;
        text++;
    } else if (*text == 'b') {
        pc--;
        text++;
    }
    return (pc + 12) % 12;
}

// The tones of each chord quality, in semitones above the root.
struct Quality {
    const char* name;
    std::vector<int> tones;
};

static const std::vector<int>& tonesOf(const std::string& quality) {
    static const std::vector<Quality> table = {
        {"", {0, 4, 7}},
        {"m", {0, 3, 7}},
        {"7", {0, 4, 7, 10}},
        {"m7", {0, 3, 7, 10}},
        {"maj7", {0, 4, 7, 11}},
        {"6", {0, 4, 7, 9}},
        {"m6", {0, 3, 7, 9}},
        {"9", {0, 4, 7, 10, 14}},
        {"m9", {0, 3, 7, 10, 14}},
        {"maj9", {0, 4, 7, 11, 14}},
        {"add9", {0, 4, 7, 14}},
        {"sus2", {0, 2, 7}},
        {"sus4", {0, 5, 7}},
        {"7sus4", {0, 5, 7, 10}},
        {"m11", {0, 3, 7, 10, 14, 17}},
        {"7#9", {0, 4, 7, 10, 15}},
        {"maj7#11", {0, 4, 7, 11, 18}},
    };
    for (const Quality& q : table) {
        if (quality == q.name) {
            return q.tones;
        }
    }
    return table[0].tones;
}

std::vector<Chord> parseChords(const char* text) {
    std::vector<Chord> chords;
    int bar = 0;
    while (*text) {
        if (std::isspace(static_cast<unsigned char>(*text)) || *text == '|') {
            text++;
            continue;
        }
        if (*text == '-' && !chords.empty()) {
            chords.back().length += kStepsPerBar;
            text++;
            bar++;
            continue;
        }
        // One bar: one chord, or several separated by commas sharing it equally.
        std::vector<Chord> inBar;
        while (true) {
            Chord chord{};
            chord.root = readPitchClass(text);
            std::string quality;
            while (*text && *text != '/' && *text != ',' && !std::isspace(*text)) {
                quality += *text++;
            }
            chord.tones = tonesOf(quality);
            chord.bass = chord.root;
            if (*text == '/') {
                text++;
                chord.bass = readPitchClass(text);
            }
            inBar.push_back(chord);
            if (*text != ',') {
                break;
            }
            text++;
        }
        int share = kStepsPerBar / static_cast<int>(inBar.size());
        for (size_t i = 0; i < inBar.size(); i++) {
            inBar[i].step = bar * kStepsPerBar + static_cast<int>(i) * share;
            inBar[i].length = share;
            chords.push_back(inBar[i]);
        }
        bar++;
    }
    return chords;
}

// The chord sounding at `step`, the progression repeating as needed.
static const Chord& chordAt(const std::vector<Chord>& chords, int step) {
    int total = chords.back().step + chords.back().length;
    step %= total;
    for (const Chord& chord : chords) {
        if (step < chord.step + chord.length) {
            return chord;
        }
    }
    return chords.back();
}

// The lowest MIDI note of pitch class `pc` at or above `lowest`.
static int placeAbove(int pc, int lowest) {
    return lowest + ((pc - lowest) % 12 + 12) % 12;
}

// The chord's tones placed closely from `lowest` up, in rising order.
static std::vector<int> voiced(const Chord& chord, int lowest, bool withRoot) {
    std::vector<int> notes;
    bool big = chord.tones.size() >= 4;
    for (int tone : chord.tones) {
        if (tone == 0 && big && !withRoot) {
            continue;
        }
        notes.push_back(placeAbove((chord.root + tone) % 12, lowest));
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// A pattern without its spacing and bar lines.
static std::string cleaned(const char* pattern) {
    std::string steps;
    for (const char* c = pattern; *c; c++) {
        if (!std::isspace(static_cast<unsigned char>(*c)) && *c != '|') {
            steps += *c;
        }
    }
    return steps;
}

std::vector<Note> melody(const char* text, int from, int stepsPerToken, float velocity) {
    std::vector<Note> notes;
    int step = from;
    while (*text) {
        if (std::isspace(static_cast<unsigned char>(*text)) || *text == '|') {
            text++;
            continue;
        }
        if (*text == '-' && !notes.empty()) {
            notes.back().length += stepsPerToken;
            text++;
        } else if (*text == '.' || *text == '-') {
            text++;
        } else {
            int pc = readPitchClass(text);
            int octave = 0;
            while (std::isdigit(static_cast<unsigned char>(*text))) {
                octave = octave * 10 + (*text++ - '0');
            }
            if (pc >= 0) {
                notes.push_back({step, stepsPerToken, 12 * (octave + 1) + pc, velocity});
            } else {
                text++;  // not a note: skip it rather than stall
            }
        }
        step += stepsPerToken;
    }
    return notes;
}

std::vector<Note> pads(const std::vector<Chord>& chords, int lowest, float velocity) {
    std::vector<Note> notes;
    for (const Chord& chord : chords) {
        for (int midi : voiced(chord, lowest, false)) {
            notes.push_back({chord.step, chord.length, midi, velocity});
        }
    }
    return notes;
}

// The interval above the root that a bass symbol names, within this chord.
static int bassInterval(const Chord& chord, char symbol) {
    auto find = [&chord](int low, int high, int otherwise) {
        for (int tone : chord.tones) {
            if (tone % 12 >= low && tone % 12 <= high && tone != 0) {
                return tone % 12;
            }
        }
        return otherwise;
    };
    switch (std::toupper(symbol)) {
        case '3':
            return find(2, 5, 4);
        case '5':
            return find(6, 8, 7);
        case '7':
            return find(9, 11, 12);
        case 'O':
            return 12;
        default:
            return 0;
    }
}

// Walks a repeating bar pattern over every chord's steps, calling `hit` for each note started
// and lengthening it on each "-".
template <typename Hit>
static std::vector<Note> walk(const std::vector<Chord>& chords, const char* pattern, Hit hit) {
    std::string steps = cleaned(pattern);
    int total = chords.back().step + chords.back().length;
    std::vector<Note> notes;
    int started = 0;  // notes started by the latest hit, all lengthened together
    for (int step = 0; step < total; step++) {
        char c = steps[step % steps.size()];
        if (c == '-') {
            for (int k = 0; k < started; k++) {
                notes[notes.size() - 1 - k].length++;
            }
        } else if (c == '.') {
            started = 0;
        } else {
            size_t before = notes.size();
            hit(notes, chordAt(chords, step), step, c);
            started = static_cast<int>(notes.size() - before);
        }
    }
    return notes;
}

std::vector<Note> bassLine(const std::vector<Chord>& chords, const char* pattern, int lowest,
                           float velocity) {
    return walk(chords, pattern,
                [lowest, velocity](std::vector<Note>& notes, const Chord& chord, int step, char c) {
                    int root = placeAbove(c == 'R' || c == 'r' ? chord.bass : chord.root, lowest);
                    float v = std::islower(static_cast<unsigned char>(c)) ? kSoftHit : 1.0f;
                    notes.push_back({step, 1, root + bassInterval(chord, c), velocity * v});
                });
}

std::vector<Note> arpeggio(const std::vector<Chord>& chords, const char* pattern, int stepsPerNote,
                           int lowest, float velocity) {
    // Stretch the pattern to sixteenths: each symbol, then holds for the rest of its length.
    std::string steps;
    for (char c : cleaned(pattern)) {
        steps += c;
        steps.append(stepsPerNote - 1, c == '.' ? '.' : '-');
    }
    return walk(chords, steps.c_str(),
                [lowest, velocity](std::vector<Note>& notes, const Chord& chord, int step, char c) {
                    std::vector<int> tones = voiced(chord, lowest, true);
                    int index = c - '0';
                    int size = static_cast<int>(tones.size());
                    notes.push_back({step, 1, tones[index % size] + 12 * (index / size), velocity});
                });
}

std::vector<Note> stabs(const std::vector<Chord>& chords, const char* pattern, int lowest,
                        float velocity) {
    return walk(chords, pattern,
                [lowest, velocity](std::vector<Note>& notes, const Chord& chord, int step, char c) {
                    float v = c == 'o' ? kSoftHit : 1.0f;
                    for (int midi : voiced(chord, lowest, false)) {
                        notes.push_back({step, 1, midi, velocity * v});
                    }
                });
}

std::vector<Note> beat(const char* pattern, int barCount, int midi) {
    std::string steps = cleaned(pattern);
    std::vector<Note> notes;
    for (int step = 0; step < barCount * kStepsPerBar; step++) {
        char c = steps[step % steps.size()];
        if (c == 'x' || c == 'o') {
            notes.push_back({step, 1, midi, c == 'x' ? 1.0f : kSoftHit});
        }
    }
    return notes;
}

std::vector<Note> bubbles(int barCount, float chance, const std::vector<int>& scale,
                          uint32_t seed) {
    Noise noise(seed);
    std::vector<Note> notes;
    for (int step = 0; step < barCount * kStepsPerBar; step++) {
        float roll = noise.uniform();
        int pick = noise.below(static_cast<int>(scale.size()));
        float velocity = 0.5f + 0.5f * noise.uniform();
        if (roll < chance) {
            notes.push_back({step, 1, scale[pick], velocity});
        }
    }
    return notes;
}

std::vector<Note> bars(const std::vector<Note>& notes, int from, int to) {
    std::vector<Note> kept;
    for (const Note& note : notes) {
        if (note.step >= from * kStepsPerBar && note.step < to * kStepsPerBar) {
            kept.push_back(note);
        }
    }
    return kept;
}

std::vector<Note> joined(std::vector<Note> a, const std::vector<Note>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
