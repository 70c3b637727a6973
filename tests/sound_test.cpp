#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "tests/test_support.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr int kQuietPeak = 4;          // loopback output is dithered: silence is a step or two
constexpr double kAudibleRms = 500.0;  // a tone of amplitude 0.25 is in the thousands
constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

// The device engine opens OpenAL's null output here: it runs its streaming thread for real and
// keeps the test quiet on machines with speakers.
const bool g_nullOutput = setenv("ALSOFT_DRIVERS", "null", 1) == 0;

std::function<double(double)> sine(double hertz, double amplitude) {
    return [=](double t) { return amplitude * std::sin(2.0 * kPi * hertz * t); };
}

// 440 Hz up to 9.0 s, 660 Hz up to 9.2 s, 880 Hz after: where a play starts shows in its pitch.
double markedTone(double t) {
    return sine(t < 9.0 ? 440.0 : (t < 9.2 ? 660.0 : 880.0), 0.25)(t);
}

std::string writeSound(const std::string& path, int format, int rate, int channels, double seconds,
                       const std::function<double(double)>& signal) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << path;
    std::vector<double> samples;
    for (int i = 0; i < int(seconds * rate); i++) {
        samples.insert(samples.end(), size_t(channels), signal(double(i) / rate));
    }
    sf_writef_double(file, samples.data(), sf_count_t(samples.size()) / channels);
    sf_close(file);
    return path;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// Fixture files, written once for the whole program.
struct Fixtures {
    std::string dir = makeScratchDir();
    std::string burst = writeSound(dir + "/burst.wav", kWav, 22050, 1, 0.2, sine(1000.0, 0.25));
    std::string loop = writeSound(dir + "/loop.wav", kWav, kRate, 2, 1.0, sine(44.0, 0.25));
    std::string loopMp3 = writeSound(dir + "/loop.mp3", kMp3, 22050, 1, 1.0, sine(441.0, 0.25));
    std::string marked = writeSound(dir + "/marked.wav", kWav, 22050, 1, 12.0, markedTone);
    std::string markedMp3 = writeSound(dir + "/marked.mp3", kMp3, 22050, 1, 12.0, markedTone);
    std::string loud = writeSound(dir + "/loud.mp3", kMp3, kRate, 2, 0.5, sine(1000.0, 1.0));
    std::vector<std::string> unreadable = {
        dir + "/missing.wav",
        writeBytes(dir + "/garbage.wav", bytesOf(std::string(4096, '\x5a') + "RIFF\x01\x02WAVE")),
        writeBytes(dir + "/garbage.mp3",
                   bytesOf(std::string("ID3\x03") + std::string(4096, '\xa7'))),
        writeBytes(dir + "/empty.wav", {}),
        writeSound(dir + "/no_frames.wav", kWav, 22050, 1, 0.0, sine(1.0, 0.0)),
        dir,
    };
};

const Fixtures& fixtures() {
    static Fixtures made;
    return made;
}

// Rendered stereo output, measured over stretches of it in milliseconds.
class Mix {
public:
    explicit Mix(SoundEngine& engine) : engine_(engine) {}

    void render(int milliseconds) {
        size_t start = samples_.size();
        samples_.resize(start + 2 * size_t(milliseconds * kRate / 1000));
        engine_.render(samples_.data() + start, int(samples_.size() - start) / 2);
    }
    int endMs() const { return int(samples_.size() / 2 * 1000 / kRate); }

    double rms(int fromMs, int toMs) const {
        double sum = 0.0;
        for (size_t i = index(fromMs); i < index(toMs); i++) {
            sum += double(samples_[i]) * samples_[i];
        }
        return std::sqrt(sum / std::max<double>(1.0, double(index(toMs) - index(fromMs))));
    }
    int peak(int fromMs, int toMs) const {
        int most = 0;
        for (size_t i = index(fromMs); i < index(toMs); i++) {
            most = std::max(most, std::abs(int(samples_[i])));
        }
        return most;
    }
    // Pitch of the left channel from its upward zero crossings (with a little hysteresis).
    double hertz(int fromMs, int toMs) const {
        int crossings = 0;
        bool low = false;
        for (size_t i = index(fromMs); i < index(toMs); i += 2) {
            if (samples_[i] < -200) {
                low = true;
            } else if (low && samples_[i] > 200) {
                low = false;
                crossings++;
            }
        }
        return crossings * 1000.0 / (toMs - fromMs);
    }
    // Sounding in every 25 ms stretch (no gap), at the given pitch.
    void expectTone(int fromMs, int toMs, double expectedHertz) const {
        for (int ms = fromMs; ms + 25 <= toMs; ms += 25) {
            ASSERT_GT(rms(ms, ms + 25), kAudibleRms) << "at " << ms << " ms";
        }
        EXPECT_NEAR(hertz(fromMs, toMs), expectedHertz, 20.0) << "from " << fromMs << " ms";
    }

private:
    size_t index(int ms) const {
        return std::min(2 * size_t(int64_t(ms) * kRate / 1000), samples_.size());
    }
    SoundEngine& engine_;
    std::vector<int16_t> samples_;
};

std::unique_ptr<SoundEngine> loopback() {
    std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
    EXPECT_FALSE(engine->isSilent());
    return engine;
}

// Every operation the game makes on a source and its handles; none may fail.
void exerciseEverything(SoundEngine& engine, SoundSource* source) {
    engine.play(source);
    engine.play(source);
    SoundHandle* looped = engine.playTracked(source, true, false);
    SoundHandle* paused = engine.playTracked(source, false, true);
    ASSERT_TRUE(looped && paused);
    paused->setPlayPosition(9200);
    paused->setPaused(false);
    paused->setPaused(true);
    looped->setPlayPosition(-5);
    looped->setPlayPosition(1 << 30);
    looped->stop();
    looped->stop();
    looped->setPaused(false);
    looped->setPlayPosition(100);
    paused->stop();
}

}  // namespace

TEST(Sound, EffectSoundsThenGoesQuietAndCopiesOverlap) {
    auto engine = loopback();
    SoundSource* burst = engine->addSource(fixtures().burst.c_str(), true);
    Mix once(*engine);
    engine->play(burst);
    once.render(500);
    EXPECT_GT(once.rms(20, 180), kAudibleRms);
    EXPECT_LE(once.peak(300, 500), kQuietPeak);

    // Two copies started together are in phase: twice as loud, not one restarted.
    Mix twice(*engine);
    engine->play(burst);
    engine->play(burst);
    twice.render(500);
    EXPECT_NEAR(twice.rms(20, 180) / once.rms(20, 180), 2.0, 0.2);
    EXPECT_LE(twice.peak(300, 500), kQuietPeak);
}

TEST(Sound, ThousandsOfPlaysLeaveEffectsPlayable) {
    auto engine = loopback();
    SoundSource* burst = engine->addSource(fixtures().burst.c_str(), true);
    Mix reference(*engine);
    engine->play(burst);
    reference.render(300);
    double loudness = reference.rms(20, 180);

    Mix busy(*engine);
    for (int i = 0; i < 900; i++) {  // far more at once than there are voices
        engine->play(burst);
        if (i % 300 == 299) {
            busy.render(300);
        }
    }
    for (int i = 0; i < 500; i++) {  // one after another, each left to finish on its own
        engine->play(burst);
        busy.render(10);
    }
    for (int i = 0; i < 100; i++) {  // as the launch sound: tracked, once, never stopped
        engine->playTracked(burst, false, false);
        busy.render(250);
    }
    busy.render(1000);
    EXPECT_LE(busy.peak(busy.endMs() - 50, busy.endMs()), kQuietPeak);

    Mix after(*engine);
    engine->play(burst);
    after.render(300);
    engine->playTracked(burst, false, false);
    after.render(300);
    EXPECT_NEAR(after.rms(20, 180), loudness, loudness * 0.05);
    EXPECT_NEAR(after.rms(320, 480), loudness, loudness * 0.05);
}

TEST(Sound, LoopedTracksPlayOnWithoutGapsPreloadedOrStreamed) {
    for (const std::string& file : {fixtures().loop, fixtures().loopMp3}) {
        for (bool preload : {true, false}) {
            SCOPED_TRACE(file + (preload ? " preloaded" : " streamed"));
            auto engine = loopback();
            SoundSource* track = engine->addSource(file.c_str(), preload);
            Mix mix(*engine);
            engine->playTracked(track, true, false);
            mix.render(3500);  // across the seams at 1, 2 and 3 s
            mix.expectTone(50, 3500, file == fixtures().loop ? 44.0 : 441.0);
        }
    }
}

TEST(Sound, StopAndPauseSilenceAndTheTrackCanStartAgain) {
    for (bool preload : {true, false}) {
        SCOPED_TRACE(preload ? "preloaded" : "streamed");
        auto engine = loopback();
        SoundSource* music = engine->addSource(fixtures().markedMp3.c_str(), preload);
        Mix mix(*engine);
        SoundHandle* handle = engine->playTracked(music, true, false);
        mix.render(200);
        handle->setPaused(true);
        mix.render(200);
        handle->setPaused(false);
        mix.render(200);
        handle->stop();
        mix.render(200);
        handle->setPaused(false);  // a stopped handle stays stopped
        handle->setPlayPosition(1000);
        mix.render(200);
        EXPECT_GT(mix.rms(20, 200), kAudibleRms);
        EXPECT_LE(mix.peak(220, 400), kQuietPeak);
        EXPECT_GT(mix.rms(420, 600), kAudibleRms);
        EXPECT_LE(mix.peak(620, 1000), kQuietPeak);

        // As the menu music after a flight: played again, from its beginning.
        engine->playTracked(music, true, false);
        mix.render(300);
        mix.expectTone(1010, 1300, 440.0);
    }
}

// As every launch: on a fresh source, and again on the sources left by an effect that played to
// its end and by a stopped track, which the engine hands out again.
TEST(Sound, PausedHandlePositionedAt9200MsPlaysFromThere) {
    for (const std::string& file : {fixtures().marked, fixtures().markedMp3}) {
        for (bool preload : {true, false}) {
            SCOPED_TRACE(file + (preload ? " preloaded" : " streamed"));
            auto engine = loopback();
            SoundSource* launch = engine->addSource(file.c_str(), preload);
            SoundSource* burst = engine->addSource(fixtures().burst.c_str(), true);
            SoundSource* music = engine->addSource(fixtures().loopMp3.c_str(), false);
            for (int round = 0; round < 3; round++) {
                SCOPED_TRACE(round);
                Mix mix(*engine);
                SoundHandle* handle = engine->playTracked(launch, false, true);
                mix.render(100);
                handle->setPlayPosition(9200);
                mix.render(100);
                handle->setPaused(false);
                mix.render(3000);
                EXPECT_LE(mix.peak(0, 200), kQuietPeak);
                // Past the 660 Hz stretch at once, and over when the file's 12 s are.
                mix.expectTone(205, 2900, 880.0);
                EXPECT_LE(mix.peak(3100, 3200), kQuietPeak);

                engine->play(burst);
                engine->playTracked(music, true, false)->stop();
                mix.render(300);
            }
        }
    }
}

TEST(Sound, PositionWhilePlayingJumpsThereWithoutAGap) {
    // The last jump is past the end of the looped track, so it counts on from the start.
    const std::pair<int, double> jumps[] = {{9300, 880.0}, {500, 440.0}, {12000 + 9300, 880.0}};
    for (bool preload : {true, false}) {
        SCOPED_TRACE(preload ? "preloaded" : "streamed");
        auto engine = loopback();
        SoundSource* music = engine->addSource(fixtures().markedMp3.c_str(), preload);
        Mix mix(*engine);
        SoundHandle* handle = engine->playTracked(music, true, false);
        mix.render(300);
        for (auto [milliseconds, hertz] : jumps) {
            int at = mix.endMs();
            handle->setPlayPosition(milliseconds);
            mix.render(300);
            mix.expectTone(at + 5, at + 300, hertz);
        }
    }
}

TEST(Sound, FullScaleMp3ClipsInsteadOfWrappingAround) {
    auto engine = loopback();
    for (bool preload : {true, false}) {
        SCOPED_TRACE(preload ? "preloaded" : "streamed");
        engine->playTracked(engine->addSource(fixtures().loud.c_str(), preload), false, false);
        std::vector<int16_t> out(2 * kRate / 2);
        engine->render(out.data(), kRate / 2);
        // A 1 kHz sine moves a few thousand steps a sample; a wrapped peak jumps across zero.
        int steepest = 0;
        for (size_t i = 2; i < out.size(); i += 2) {
            steepest = std::max(steepest, std::abs(out[i] - out[i - 2]));
        }
        EXPECT_GT(*std::max_element(out.begin(), out.end()), 30000);
        EXPECT_LT(steepest, 10000);
    }
}

TEST(Sound, BadFilesAndMissingDevicesAreSilentAndSafe) {
    auto engine = loopback();
    for (const std::string& file : fixtures().unreadable) {
        for (bool preload : {true, false}) {
            SCOPED_TRACE(file + (preload ? " preloaded" : " streamed"));
            SoundSource* source = engine->addSource(file.c_str(), preload);
            ASSERT_NE(source, nullptr);
            exerciseEverything(*engine, source);
        }
    }
    exerciseEverything(*engine, nullptr);
    exerciseEverything(*engine, engine->addSource(nullptr, true));
    Mix mix(*engine);
    mix.render(300);
    EXPECT_LE(mix.peak(0, 300), kQuietPeak);

    for (int rate : {0, -kRate}) {  // no device to be had
        std::unique_ptr<SoundEngine> silent(SoundEngine::openLoopback(rate));
        EXPECT_TRUE(silent->isSilent());
        exerciseEverything(*silent, silent->addSource(fixtures().burst.c_str(), true));
        exerciseEverything(*silent, silent->addSource(fixtures().loopMp3.c_str(), false));
        std::vector<int16_t> out(2000, 7);
        silent->render(out.data(), 1000);
        EXPECT_EQ(out, std::vector<int16_t>(2000, 0));
    }
}

TEST(Sound, DeviceEngineStreamsFromItsOwnThread) {
    ASSERT_TRUE(g_nullOutput);
    std::unique_ptr<SoundEngine> device(SoundEngine::openDevice());
    SoundSource* music = device->addSource(fixtures().loop.c_str(), false);
    SoundSource* effect = device->addSource(fixtures().burst.c_str(), true);
    SoundHandle* handle = device->playTracked(music, true, false);
    // Longer than the stream's queued buffers, with the game's thread busy with other calls.
    for (int i = 0; i < 50; i++) {
        device->play(effect);
        handle->setPaused(i % 10 == 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    handle->setPlayPosition(500);
    exerciseEverything(*device, device->addSource(fixtures().unreadable[0].c_str(), true));
}
