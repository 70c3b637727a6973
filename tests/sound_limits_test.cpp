#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/test_support.h"

namespace {

constexpr int kRate = 44100;  // Hz, of the loopback mix
constexpr double kPi = 3.14159265358979323846;
constexpr int kHiRate = 192000;        // Hz: the highest a sound file is likely to come in
constexpr int kQuietPeak = 4;          // loopback output is dithered: silence is a step or two
constexpr double kAudibleRms = 500.0;  // a tone of amplitude 0.25 is in the thousands

// Writes a 192 kHz stereo FLAC a second at a time, so that writing a long one takes little
// memory: silence, then a 440 Hz tone of amplitude 0.25 from `toneFrom` seconds on.
std::string writeLongFlac(const std::string& path, int seconds, int toneFrom) {
    SF_INFO info{};
    info.samplerate = kHiRate;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<int16_t> second(2 * size_t(kHiRate));
    for (int s = 0; s < seconds && file; s++) {
        for (int i = 0; i < kHiRate; i++) {
            double t = s + double(i) / kHiRate;
            double value = s < toneFrom ? 0.0 : 0.25 * std::sin(2.0 * kPi * 440.0 * t);
            second[2 * size_t(i)] = second[2 * size_t(i) + 1] = int16_t(value * 32767.0);
        }
        EXPECT_EQ(sf_writef_short(file, second.data(), kHiRate), kHiRate);
    }
    sf_close(file);
    return path;
}

// A 44.1 kHz WAV of `channels` channels with a 440 Hz tone of `amplitude` in channel number
// `toneIn` (from 1) alone.
std::string writeTone(const std::string& path, int channels, int toneIn, double seconds,
                      double amplitude = 0.25) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<double> samples(size_t(seconds * kRate) * size_t(channels), 0.0);
    for (size_t i = 0; i < samples.size() / size_t(channels); i++) {
        samples[i * size_t(channels) + size_t(toneIn - 1)] =
            amplitude * std::sin(2.0 * kPi * 440.0 * double(i) / kRate);
    }
    sf_writef_double(file, samples.data(), sf_count_t(samples.size()) / channels);
    sf_close(file);
    return path;
}

// How far opening a loopback engine and preloading `file` raise peak memory, in MB; negative
// when that fails. A forked child does it: its peak starts from what it holds at the fork, so
// nothing this program held before counts.
double preloadPeakRiseMb(const std::string& file) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1.0;
    }
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        long before = peakRssKb();
        std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
        engine->addSource(file.c_str(), true);
        long rise = engine->isSilent() ? -1 : peakRssKb() - before;
        bool sent = write(pipeEnds[1], &rise, sizeof rise) == ssize_t(sizeof rise);
        _exit(sent ? 0 : 1);  // no exit handlers: the scratch folder is the parent's
    }
    close(pipeEnds[1]);
    long rise = -1;
    if (child < 0 || read(pipeEnds[0], &rise, sizeof rise) != ssize_t(sizeof rise)) {
        rise = -1;
    }
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0 && (waitpid(child, &status, 0) != child || status != 0)) {
        rise = -1;
    }
    return rise < 0 ? -1.0 : rise / 1024.0;
}

// Stereo output of a loopback engine, `milliseconds` of it.
std::vector<int16_t> render(SoundEngine& engine, int milliseconds) {
    std::vector<int16_t> out(2 * size_t(milliseconds) * kRate / 1000);
    engine.render(out.data(), int(out.size() / 2));
    return out;
}

size_t at(int ms) {
    return 2 * size_t(ms) * kRate / 1000;
}

double rms(const std::vector<int16_t>& out, int fromMs, int toMs) {
    double sum = 0.0;
    for (size_t i = at(fromMs); i < at(toMs); i++) {
        sum += double(out[i]) * out[i];
    }
    return std::sqrt(sum / double(at(toMs) - at(fromMs)));
}

struct Sides {
    double left, right;  // RMS
};

// How loud a file comes out on each side, played once on its own.
Sides playedSides(const std::string& file, bool preload) {
    std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
    EXPECT_FALSE(engine->isSilent());
    engine->play(engine->addSource(file.c_str(), preload));
    std::vector<int16_t> out = render(*engine, 300);
    double sums[2] = {0.0, 0.0};
    for (size_t i = at(20); i < at(300); i++) {
        sums[i % 2] += double(out[i]) * out[i];
    }
    double frames = double(at(300) - at(20)) / 2.0;
    return {std::sqrt(sums[0] / frames), std::sqrt(sums[1] / frames)};
}

int peak(const std::vector<int16_t>& out, int fromMs, int toMs) {
    int most = 0;
    for (size_t i = at(fromMs); i < at(toMs); i++) {
        most = std::max(most, std::abs(int(out[i])));
    }
    return most;
}

}  // namespace

// 600 s of silence: a file of under half a megabyte that decodes to 460 MB, unless it is cut.
TEST(SoundPreload, LongSilentFlacRaisesPeakMemoryByLessThan100Mb) {
    constexpr double kMostRiseMb = 100.0;  // the engine alone takes about 15
    std::string file = writeLongFlac(makeScratchDir() + "/silence.flac", 600, 600);
    double rise = preloadPeakRiseMb(file);
    ASSERT_GE(rise, 0.0) << "the preloading child failed";
    EXPECT_LT(rise, kMostRiseMb);
}

// 16 MiB of decoded 192 kHz stereo is 21.8 s: an effect longer than that is streamed from its
// file instead, and plays on past that point to the end of its file.
TEST(SoundPreload, EffectTooLongToHoldIsStreamedWhole) {
    std::string file = writeLongFlac(makeScratchDir() + "/tone.flac", 24, 20);
    std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
    ASSERT_FALSE(engine->isSilent());
    SoundHandle* handle = engine->playTracked(engine->addSource(file.c_str(), true), false, true);
    handle->setPlayPosition(21000);
    handle->setPaused(false);
    std::vector<int16_t> out = render(*engine, 3500);
    EXPECT_GT(rms(out, 20, 750), kAudibleRms);
    EXPECT_GT(rms(out, 1000, 2900), kAudibleRms) << "cut at 21.8 s";
    EXPECT_LE(peak(out, 3100, 3500), kQuietPeak) << "played past the end of its file";
}

// A tone, then more overlapping effects than a busy flight ever plays: the tone plays on. Only
// the library's own limit of sources would make an old effect give way.
TEST(SoundVoices, ManyOverlappingEffectsLeaveTheFirstPlaying) {
    const std::string folder = makeScratchDir();
    std::string tone = writeTone(folder + "/tone.wav", 1, 1, 2.0);
    std::string hush = writeTone(folder + "/hush.wav", 1, 1, 2.0, 0.0);
    std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
    ASSERT_FALSE(engine->isSilent());
    engine->play(engine->addSource(tone.c_str(), true));
    SoundSource* quiet = engine->addSource(hush.c_str(), true);
    for (int i = 0; i < 200; i++) {
        engine->play(quiet);
    }
    std::vector<int16_t> out = render(*engine, 200);
    EXPECT_GT(rms(out, 20, 200), kAudibleRms);
}

// A file of more than two channels is mixed down: a tone in its third channel alone is heard.
TEST(SoundChannels, EveryChannelOfAWideFileIsHeard) {
    const std::string folder = makeScratchDir();
    for (int channels : {3, 4, 6}) {
        std::string file =
            writeTone(folder + "/wide" + std::to_string(channels) + ".wav", channels, 3, 1.0);
        std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
        ASSERT_FALSE(engine->isSilent());
        engine->play(engine->addSource(file.c_str(), true));
        std::vector<int16_t> out = render(*engine, 300);
        EXPECT_GT(rms(out, 20, 300), kAudibleRms / 4) << channels << " channels";
    }
}

// A 5.1 file (in WAV's order: front left, front right, centre, LFE, back left, back right) sounds
// as its layout says: its front left as a stereo file's left, its centre from the middle, its back
// left on the left alone.
TEST(SoundChannels, FiveOneFileIsPlacedByItsLayout) {
    const std::string folder = makeScratchDir();
    std::string stereoLeft = writeTone(folder + "/left.wav", 2, 1, 1.0);
    std::string frontLeft = writeTone(folder + "/front_left.wav", 6, 1, 1.0);
    std::string centre = writeTone(folder + "/centre.wav", 6, 3, 1.0);
    std::string backLeft = writeTone(folder + "/back_left.wav", 6, 5, 1.0);
    for (bool preload : {true, false}) {
        SCOPED_TRACE(preload ? "preloaded" : "streamed");
        Sides reference = playedSides(stereoLeft, preload);
        Sides left = playedSides(frontLeft, preload);
        EXPECT_NEAR(left.left, reference.left, reference.left * 0.02);
        EXPECT_LT(left.right, kAudibleRms / 10);
        Sides middle = playedSides(centre, preload);
        EXPECT_GT(middle.left, kAudibleRms);
        EXPECT_NEAR(middle.right, middle.left, middle.left * 0.02);
        Sides back = playedSides(backLeft, preload);
        EXPECT_GT(back.left, kAudibleRms);
        EXPECT_LT(back.right, kAudibleRms / 10);
    }
}

// Counts the library has no layout for are mixed down: the first two channels stay left and
// right at their own level, and each channel after them is heard from the middle.
TEST(SoundChannels, UnplacedCountsKeepLeftAndRightAndPutTheRestInTheMiddle) {
    const std::string folder = makeScratchDir();
    Sides reference = playedSides(writeTone(folder + "/left.wav", 2, 1, 1.0), true);
    for (int channels : {3, 5, 9}) {
        for (bool preload : {true, false}) {
            SCOPED_TRACE(std::to_string(channels) + (preload ? " preloaded" : " streamed"));
            const std::string name = folder + "/wide" + std::to_string(channels);
            Sides first = playedSides(writeTone(name + "_first.wav", channels, 1, 1.0), preload);
            EXPECT_NEAR(first.left, reference.left, reference.left * 0.02);
            EXPECT_LT(first.right, kAudibleRms / 10);
            Sides second = playedSides(writeTone(name + "_second.wav", channels, 2, 1.0), preload);
            EXPECT_NEAR(second.right, reference.left, reference.left * 0.02);
            EXPECT_LT(second.left, kAudibleRms / 10);
            Sides last =
                playedSides(writeTone(name + "_last.wav", channels, channels, 1.0), preload);
            EXPECT_GT(last.left, kAudibleRms);
            EXPECT_NEAR(last.right, last.left, last.left * 0.02);
        }
    }
}
