#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tools/audio.h"
#include "tools/common/synth.h"
#include "tools/music/music.h"

namespace {

const std::vector<std::string> kEffects = {
    "shot.wav",       "shot2.wav",      "buzz.wav",   "blip.wav",   "explosion.wav",
    "explosion2.wav", "explosion3.wav", "pickup.wav", "die.wav",    "hit.wav",
    "hit2.wav",       "hit3.wav",       "coin.wav",   "selecty.wav"};
const std::vector<std::string> kMusic = {"Deep Space (Qv).mp3", "tarrowin_-_life_underwater.mp3",
                                         "tarrowin_-_starman.mp3", "tarrowin_-_sweet_spot.mp3",
                                         "tarrowin_-_fizz.mp3"};
const std::string kLaunch = "velquist_nebrilo.mp3";
const double kIgnition = 9.2;  // seconds: where the game starts the launch sound

// A decoded sound, every channel averaged into one.
struct Sound {
    int rate = 0, channels = 0;
    std::vector<std::vector<float>> sides;  // one per channel
    std::vector<float> mono;
    double seconds() const { return rate ? static_cast<double>(mono.size()) / rate : 0.0; }
};

Sound decode(const std::string& path) {
    Sound sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        return sound;
    }
    std::vector<float> interleaved(info.frames * info.channels);
    sf_count_t frames = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.sides.assign(info.channels, std::vector<float>(frames));
    sound.mono.assign(frames, 0.0f);
    for (sf_count_t i = 0; i < frames; i++) {
        for (int c = 0; c < info.channels; c++) {
            float s = interleaved[i * info.channels + c];
            sound.sides[c][i] = s;
            sound.mono[i] += s / info.channels;
        }
    }
    return sound;
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// RMS of `samples` between two times in seconds.
double rms(const std::vector<float>& samples, int rate, double from, double to) {
    size_t a = static_cast<size_t>(std::max(0.0, from * rate));
    size_t b = std::min(samples.size(), static_cast<size_t>(to * rate));
    double sum = 0.0;
    for (size_t i = a; i < b; i++) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return b > a ? std::sqrt(sum / (b - a)) : 0.0;
}

double peak(const std::vector<float>& samples) {
    double p = 0.0;
    for (float s : samples) {
        p = std::max(p, static_cast<double>(std::fabs(s)));
    }
    return p;
}

// Sign changes per second between two times: a rough pitch (or brightness, for noise).
double crossings(const Sound& sound, double from, double to) {
    size_t a = static_cast<size_t>(from * sound.rate);
    size_t b = std::min(sound.mono.size(), static_cast<size_t>(to * sound.rate));
    int count = 0;
    for (size_t i = a + 1; i < b; i++) {
        count += (sound.mono[i - 1] < 0.0f) != (sound.mono[i] < 0.0f);
    }
    return count / (to - from);
}

// The generator is run once for the whole suite, into a scratch folder.
class Sounds : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        top_ = new std::string(makeScratchDir());
        written_ = generateSounds(*top_);
    }
    static void TearDownTestSuite() {
        std::error_code error;
        std::filesystem::remove_all(*top_, error);
        delete top_;
    }
    static std::string generated(const std::string& name) { return *top_ + "/audio/" + name; }
    static std::string shipped(const std::string& name) { return "audio/" + name; }

    static std::string* top_;
    static bool written_;
};
std::string* Sounds::top_ = nullptr;
bool Sounds::written_ = false;

TEST_F(Sounds, ShippedFilesAreExactlyWhatTheGeneratorWrites) {
    ASSERT_TRUE(written_);
    std::vector<std::string> all = kEffects;
    all.insert(all.end(), kMusic.begin(), kMusic.end());
    all.push_back(kLaunch);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(*top_ + "/audio")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::set<std::string>(all.begin(), all.end()));
    for (const std::string& name : all) {
        std::string made = bytesOf(generated(name));
        ASSERT_FALSE(made.empty()) << name;
        if (made == bytesOf(shipped(name))) {
            continue;
        }
        // Our synthesis is bit-exact everywhere, but the MP3 encoder's own arithmetic may take
        // other paths on another processor: then the sound must still be the same.
        ASSERT_NE(name.substr(name.size() - 4), ".wav") << name << " differs from audio/";
        Sound a = decode(generated(name)), b = decode(shipped(name));
        ASSERT_EQ(a.mono.size(), b.mono.size()) << name;
        double difference = 0.0, level = 0.0;
        for (size_t i = 0; i < a.mono.size(); i++) {
            difference += (a.mono[i] - b.mono[i]) * (a.mono[i] - b.mono[i]);
            level += b.mono[i] * b.mono[i];
        }
        EXPECT_LT(difference, 1e-4 * level) << name << " differs from audio/";
    }
}

TEST_F(Sounds, EffectsAreShortCleanAndLevelled) {
    for (const std::string& name : kEffects) {
        SCOPED_TRACE(name);
        Sound sound = decode(shipped(name));
        ASSERT_EQ(sound.rate, 44100);
        EXPECT_GT(sound.seconds(), 0.05);
        EXPECT_LT(sound.seconds(), 3.0);
        // Loud enough to hear, never clipped, and none far louder than the others.
        EXPECT_GT(peak(sound.mono), 0.3);
        EXPECT_LT(peak(sound.mono), 0.97);
        EXPECT_GT(rms(sound.mono, sound.rate, 0.0, sound.seconds()), 0.03);
        // No click at either end.
        EXPECT_LT(std::fabs(sound.mono.front()), 0.02);
        EXPECT_LT(rms(sound.mono, sound.rate, sound.seconds() - 0.005, sound.seconds()), 0.02);
    }
}

TEST_F(Sounds, EffectsSoundLikeWhatTheyMark) {
    Sound shot = decode(shipped("shot.wav")), cannon = decode(shipped("shot2.wav"));
    EXPECT_GT(crossings(shot, 0.0, 0.02), 2.0 * crossings(shot, 0.12, 0.2)) << "the laser dives";
    EXPECT_LT(crossings(cannon, 0.0, 0.3), 0.5 * crossings(shot, 0.0, 0.2)) << "a cannon booms";

    Sound pickup = decode(shipped("pickup.wav")), die = decode(shipped("die.wav"));
    EXPECT_GT(crossings(pickup, 0.2, 0.3), 1.3 * crossings(pickup, 0.0, 0.05)) << "rises";
    EXPECT_LT(crossings(die, 0.3, 0.4), 0.6 * crossings(die, 0.0, 0.1)) << "falls";

    Sound coin = decode(shipped("coin.wav"));
    EXPECT_GT(crossings(coin, 0.1, 0.2), 1.2 * crossings(coin, 0.0, 0.06)) << "the second note";

    Sound small = decode(shipped("explosion3.wav")), medium = decode(shipped("explosion.wav"));
    Sound big = decode(shipped("explosion2.wav"));
    EXPECT_LT(small.seconds(), medium.seconds());
    EXPECT_LT(medium.seconds(), big.seconds());
    EXPECT_GT(big.seconds(), 1.8);
}

TEST_F(Sounds, MusicLoopsWithoutASeam) {
    for (const std::string& name : kMusic) {
        SCOPED_TRACE(name);
        Sound music = decode(shipped(name));
        ASSERT_EQ(music.rate, 44100);
        EXPECT_GT(music.seconds(), 30.0);
        EXPECT_LT(music.seconds(), 60.0);
        EXPECT_LT(peak(music.mono), 0.99);
        // It plays right up to its end and from its very start: no fade to loop through.
        EXPECT_GT(rms(music.mono, music.rate, 0.0, 0.05), 0.01);
        EXPECT_GT(rms(music.mono, music.rate, music.seconds() - 0.05, music.seconds()), 0.01);
        // Across the wrap the wave moves no more than it does from sample to sample anywhere
        // in the piece.
        for (const std::vector<float>& side : music.sides) {
            std::vector<float> steps(side.size() - 1);
            for (size_t i = 1; i < side.size(); i++) {
                steps[i - 1] = std::fabs(side[i] - side[i - 1]);
            }
            size_t rank = steps.size() * 999 / 1000;
            std::nth_element(steps.begin(), steps.begin() + rank, steps.end());
            EXPECT_LE(std::fabs(side.front() - side.back()), steps[rank]);
        }
    }
}

TEST_F(Sounds, EachPieceIsItsOwn) {
    std::vector<Sound> pieces;
    for (const std::string& name : kMusic) {
        pieces.push_back(decode(shipped(name)));
    }
    const double window = 10.0;  // seconds compared
    for (size_t a = 0; a < pieces.size(); a++) {
        for (size_t b = a + 1; b < pieces.size(); b++) {
            size_t n = static_cast<size_t>(window * 44100);
            ASSERT_GE(pieces[a].mono.size(), n);
            ASSERT_GE(pieces[b].mono.size(), n);
            double both = 0.0, first = 0.0, second = 0.0;
            for (size_t i = 0; i < n; i++) {
                both += pieces[a].mono[i] * pieces[b].mono[i];
                first += pieces[a].mono[i] * pieces[a].mono[i];
                second += pieces[b].mono[i] * pieces[b].mono[i];
            }
            EXPECT_LT(std::fabs(both) / std::sqrt(first * second), 0.3)
                << kMusic[a] << " and " << kMusic[b];
        }
    }
}

TEST_F(Sounds, LaunchIgnitesWhereTheGameStartsIt) {
    Sound launch = decode(shipped(kLaunch));
    ASSERT_EQ(launch.rate, 44100);
    EXPECT_GT(launch.seconds(), kIgnition + 3.0);
    EXPECT_LT(launch.seconds(), 20.0);
    EXPECT_LT(rms(launch.mono, launch.rate, 0.0, kIgnition - 0.1), 0.02);
    EXPECT_LT(rms(launch.mono, launch.rate, kIgnition - 0.05, kIgnition - 0.005), 0.01);
    EXPECT_GT(rms(launch.mono, launch.rate, kIgnition, kIgnition + 0.5), 0.1);
    EXPECT_GT(rms(launch.mono, launch.rate, kIgnition + 1.0, kIgnition + 2.0), 0.05);
    EXPECT_LT(peak(launch.mono), 0.99);
    EXPECT_LT(rms(launch.mono, launch.rate, launch.seconds() - 0.2, launch.seconds()), 0.02);
}

TEST(SoundGenerator, ReportsAFolderItCannotWrite) {
    std::string top = makeScratchDir();
    std::ofstream(top + "/audio") << "a file where the folder should be";
    EXPECT_FALSE(generateSounds(top));
    std::error_code error;
    std::filesystem::remove_all(top, error);
}

TEST(Synth, OwnMathAgreesWithTheLibrary) {
    for (double t = -3.0; t < 3.0; t += 0.0137) {
        ASSERT_NEAR(sineTurns(t), std::sin(2.0 * kPi * t), 1e-9) << t;
    }
    for (double x = -60.0; x < 60.0; x += 0.37) {
        ASSERT_NEAR(expOf(x) / std::exp(x), 1.0, 1e-12) << x;
    }
    EXPECT_NEAR(exp2Of(0.5), std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(tanhOf(-0.8), std::tanh(-0.8), 1e-12);
    EXPECT_NEAR(midiToHz(69), 440.0, 1e-9);
    EXPECT_NEAR(midiToHz(81), 880.0, 1e-9);
}

TEST(Synth, OscillatorsKeepPitchRangeAndNoDrift) {
    for (Wave wave : {Wave::Sine, Wave::Triangle, Wave::Saw, Wave::Square}) {
        for (float width : {0.5f, 0.2f}) {
            Oscillator osc;
            Mono second(kSampleRate);
            for (float& s : second) {
                s = osc.next(wave, 440.0, width);
            }
            int crossings = 0;
            double sum = 0.0;
            for (int i = 1; i < kSampleRate; i++) {
                crossings += (second[i - 1] < 0.0f) != (second[i] < 0.0f);
                sum += second[i];
            }
            EXPECT_NEAR(crossings, 880, 4) << static_cast<int>(wave);
            auto [low, high] = std::minmax_element(second.begin(), second.end());
            EXPECT_LT(*high - *low, 2.2f) << static_cast<int>(wave);
            EXPECT_NEAR(sum / kSampleRate, 0.0, 0.01) << "no DC, wave " << static_cast<int>(wave);
        }
    }
}

TEST(Synth, EnvelopeAndFilterShapeTheSound) {
    Adsr amp{0.01f, 0.1f, 0.5f, 0.2f};
    EXPECT_EQ(amp.level(0.0f, 1.0f), 0.0f);
    EXPECT_NEAR(amp.level(0.01f, 1.0f), 1.0f, 1e-3);
    EXPECT_NEAR(amp.level(0.9f, 1.0f), 0.5f, 1e-3);
    EXPECT_GT(amp.level(1.1f, 1.0f), 0.0f);
    EXPECT_LT(amp.level(1.1f, 1.0f), 0.5f);
    EXPECT_EQ(amp.level(1.2f, 1.0f), 0.0f);

    auto through = [](double hz) {
        Filter filter;
        filter.set(1000.0f, 0.0f);
        Oscillator osc;
        Mono out(kSampleRate / 4);
        for (float& s : out) {
            s = filter.lowPass(osc.next(Wave::Sine, hz));
        }
        return rmsOf(out, kSampleRate / 8, kSampleRate / 4);
    };
    EXPECT_NEAR(through(200.0), std::sqrt(0.5), 0.03);
    EXPECT_LT(through(10000.0), 0.01);
}

TEST(Score, ChordsMelodiesAndPatternsBecomeNotes) {
    std::vector<Chord> chords = parseChords("Am7,D9 - F/A");
    ASSERT_EQ(chords.size(), 3u);
    EXPECT_EQ(chords[0].step, 0);
    EXPECT_EQ(chords[0].length, 8);
    EXPECT_EQ(chords[0].tones, (std::vector<int>{0, 3, 7, 10}));
    EXPECT_EQ(chords[1].step, 8);
    EXPECT_EQ(chords[1].length, 24) << "a '-' holds the chord another bar";
    EXPECT_EQ(chords[2].root, 5);
    EXPECT_EQ(chords[2].bass, 9);

    std::vector<Note> tune = melody("C4 - . E4 | F#5 Bb3", 16, 2, 1.0f);
    ASSERT_EQ(tune.size(), 4u);
    EXPECT_EQ(tune[0].step, 16);
    EXPECT_EQ(tune[0].length, 4);
    EXPECT_EQ(tune[0].midi, 60);
    EXPECT_EQ(tune[1].step, 22);
    EXPECT_EQ(tune[1].midi, 64);
    EXPECT_EQ(tune[2].midi, 78);
    EXPECT_EQ(tune[3].midi, 58);

    std::vector<Chord> seventh = parseChords("C7");
    std::vector<Note> bass = bassLine(seventh, "R.3.5.7.O.r.....", 36, 1.0f);
    std::vector<int> pitches;
    for (const Note& note : bass) {
        pitches.push_back(note.midi);
    }
    EXPECT_EQ(pitches, (std::vector<int>{36, 40, 43, 46, 48, 36}));
    EXPECT_LT(bass.back().velocity, bass.front().velocity);
    std::vector<Note> arp = arpeggio(seventh, "0 1 2 3 4 - . 5", 2, 60, 1.0f);
    ASSERT_EQ(arp.size(), 6u);
    EXPECT_EQ(arp[4].midi, 72) << "counting on into the next octave";
    EXPECT_EQ(arp[4].length, 4);
    EXPECT_EQ(arp[5].step, 14);

    std::vector<Note> hits = beat("x...o...", 2, 42);
    ASSERT_EQ(hits.size(), 8u);
    EXPECT_EQ(hits[7].step, 28);
    EXPECT_LT(hits[1].velocity, hits[0].velocity);
}

TEST(Sequencer, PieceIsWholeBarsWithItsTailWrappedIntoItsStart) {
    Song song;
    song.samplesPerStep = 1000;
    song.bars = 2;
    Instrument ring;
    ring.wave = Wave::Sine;
    ring.amp = {0.01f, 0.1f, 1.0f, 0.2f};  // rings on past the end of the piece
    song.parts.push_back({ring, melody("A4 -", 28, 2, 1.0f)});
    Stereo piece = renderSong(song);
    ASSERT_EQ(piece.left.size(), 2u * kStepsPerBar * 1000);
    EXPECT_GT(rmsOf(piece.left, 0, 2000), 0.1f * rmsOf(piece.left, 28000, 32000));
    EXPECT_LT(rmsOf(piece.left, 12000, 20000), 1e-4f);
}

TEST(Writers, FilesKeepEverySampleInPlace) {
    std::string top = makeScratchDir();
    Mono ramp(5000);
    for (size_t i = 0; i < ramp.size(); i++) {
        ramp[i] = 0.5f * static_cast<float>(sineTurns(i * 440.0 / kSampleRate));
    }
    ASSERT_TRUE(writeWav(top + "/ramp.wav", ramp));
    Sound wav = decode(top + "/ramp.wav");
    ASSERT_EQ(wav.mono.size(), ramp.size());
    for (size_t i = 0; i < ramp.size(); i++) {
        ASSERT_NEAR(wav.mono[i], ramp[i], 1.0 / 32767) << i;
    }
    // The encoder's padding must not shift or lengthen a piece, or a loop would stutter.
    Mono tone(3 * kSampleRate);
    for (size_t i = 0; i < tone.size(); i++) {
        tone[i] = 0.5f * static_cast<float>(sineTurns(i * 330.0 / kSampleRate));
    }
    ASSERT_TRUE(writeMp3(top + "/tone.mp3", {tone, tone}, 2, kMusicKbps));
    Sound mp3 = decode(top + "/tone.mp3");
    ASSERT_EQ(mp3.mono.size(), tone.size());
    auto errorAt = [&](int lag) {
        double sum = 0.0;
        for (int i = kSampleRate; i < 2 * kSampleRate; i++) {
            sum += (mp3.mono[i + lag] - tone[i]) * (mp3.mono[i + lag] - tone[i]);
        }
        return std::sqrt(sum / kSampleRate);
    };
    EXPECT_LT(errorAt(0), 0.03);
    EXPECT_LT(errorAt(0), errorAt(1));
    EXPECT_LT(errorAt(0), errorAt(-1));
    std::error_code failure;
    std::filesystem::remove_all(top, failure);
}

}  // namespace
