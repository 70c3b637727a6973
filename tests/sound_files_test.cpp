#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/test_support.h"

namespace {

constexpr int kRate = 44100;   // Hz, of the loopback mix
constexpr int kQuietPeak = 4;  // loopback output is dithered: silence is a step or two
const auto kAtOnce = std::chrono::milliseconds(500);
constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// A loud second of 440 Hz, so that anything played from it would be heard.
void writeTone(const std::string& path) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = kWav;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    std::vector<double> samples(kRate);
    for (int i = 0; i < kRate; i++) {
        samples[i] = 0.5 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / kRate);
    }
    sf_writef_double(file, samples.data(), kRate);
    sf_close(file);
}

// Whether a call took no longer than a load that reads nothing should.
bool atOnce(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - start < kAtOnce;
}

int peakOf(SoundEngine& engine, int frames) {
    std::vector<int16_t> out(2 * size_t(frames));
    engine.render(out.data(), frames);
    int peak = 0;
    for (int16_t s : out) {
        peak = std::max(peak, std::abs(int(s)));
    }
    return peak;
}

// A pipe, a device or a folder at a sound's path is a silent sound, as a missing file is: loaded
// as an effect or as music, and for music also when it takes the file's place after loading,
// when the stream opens the file again. Nothing waits, nothing is printed. Each case runs in a
// child on an alarm, so a load that hangs fails instead of stopping the run.
TEST(SoundFiles, APipeADeviceOrAFolderIsASilentSoundAtOnce) {
    const std::string dir = makeScratchDir();
    const std::string tone = dir + "/tone.wav";
    writeTone(tone);
    int n = 0;
    for (NotAFile stand : kNotAFiles) {
        SCOPED_TRACE(describe(stand));
        const std::string effect = dir + "/effect" + std::to_string(n) + ".wav";
        const std::string music = dir + "/music" + std::to_string(n) + ".wav";
        const std::string swapped = dir + "/swapped" + std::to_string(n++) + ".wav";
        ASSERT_TRUE(plant(stand, effect));
        ASSERT_TRUE(plant(stand, music));
        writeTone(swapped);
        const int code = exitCodeInChild([&] {
            testing::internal::CaptureStdout();
            std::unique_ptr<SoundEngine> engine(SoundEngine::openLoopback(kRate));
            SoundSource* later = engine->addSource(swapped.c_str(), false);
            unlink(swapped.c_str());
            plant(stand, swapped);
            bool quick = true;
            quick &= atOnce([&] { engine->play(engine->addSource(effect.c_str(), true)); });
            quick &= atOnce(
                [&] { engine->playTracked(engine->addSource(music.c_str(), false), true, false); });
            quick &= atOnce([&] { engine->playTracked(later, true, false); });
            const int peak = peakOf(*engine, kRate / 4);
            const bool printed = !testing::internal::GetCapturedStdout().empty();
            // And the mix is live: a real file is heard.
            engine->play(engine->addSource(tone.c_str(), true));
            const bool live = peakOf(*engine, kRate / 4) > kQuietPeak;
            return !quick ? 1 : peak > kQuietPeak ? 2 : printed ? 3 : !live ? 4 : 0;
        });
        EXPECT_EQ(code, 0) << "-1 hung, 1 slow, 2 heard, 3 printed, 4 nothing heard at all";
    }
}

}  // namespace
