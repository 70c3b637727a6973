#include <algorithm>
#include <cmath>
#include <utility>

#include "tools/music/music.h"

// Long enough for every release, echo and reverb to die away before it is wrapped.
const double kTailSeconds = 8.0;
// Each note's loudness wanders by up to this fraction, as a player's would.
const float kHumanize = 0.08f;
// Rumble below this is cut from the mix: it only eats headroom.
const float kLowCutHz = 30.0f;
// The ducking after each kick: a fast dip, then a recovery over this long (seconds).
const double kPumpAttack = 0.004, kPumpRecovery = 0.28;
// No sample of the finished piece goes above this (the encoder adds a little of its own).
const float kMusicPeak = 0.85f;
// The echo's repeats lose their highs above this.
const float kEchoDarkenHz = 3500.0f;

// Freeverb's tuning: comb and all-pass delays in samples at 44.1 kHz, the right side's offset.
const int kCombDelays[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
const int kAllPassDelays[] = {556, 441, 341, 225};
const int kStereoSpread = 23;
const float kReverbInput = 0.015f, kReverbOutput = 1.2f;

namespace {

class Comb {
public:
    explicit Comb(int size) : line_(size, 0.0f) {}
    float process(float in, float feedback, float damp) {
        float out = line_[pos_];
        store_ = out * (1.0f - damp) + store_ * damp;
        line_[pos_] = in + store_ * feedback;
        if (++pos_ == line_.size()) {
            pos_ = 0;
        }
        return out;
    }

private:
    Mono line_;
    size_t pos_ = 0;
    float store_ = 0.0f;
};

class AllPass {
public:
    explicit AllPass(int size) : line_(size, 0.0f) {}
    float process(float in) {
        float delayed = line_[pos_];
        line_[pos_] = in + delayed * 0.5f;
        if (++pos_ == line_.size()) {
            pos_ = 0;
        }
        return delayed - in;
    }

private:
    Mono line_;
    size_t pos_ = 0;
};

}  // namespace

static void reverb(const Mono& send, float room, float damp, Stereo& out) {
    float feedback = 0.7f + 0.28f * room;
    float damping = 0.4f * damp;
    for (int side = 0; side < 2; side++) {
        std::vector<Comb> combs;
        std::vector<AllPass> allPasses;
        for (int d : kCombDelays) {
            combs.emplace_back(d + side * kStereoSpread);
        }
        for (int d : kAllPassDelays) {
            allPasses.emplace_back(d + side * kStereoSpread);
        }
        Mono& target = side == 0 ? out.left : out.right;
        for (size_t i = 0; i < send.size(); i++) {
            float in = send[i] * kReverbInput;
            float sum = 0.0f;
            for (Comb& comb : combs) {
                sum += comb.process(in, feedback, damping);
            }
            for (AllPass& allPass : allPasses) {
                sum = allPass.process(sum);
            }
            target[i] += kReverbOutput * sum;
        }
    }
}

// A ping-pong echo: the first repeat on the left, the next on the right, each darker.
static void echo(const Mono& send, int delay, float feedback, Stereo& out) {
    Mono left(delay, 0.0f), right(delay, 0.0f);  // ring buffers of one delay each
    Filter darkLeft, darkRight;
    darkLeft.set(kEchoDarkenHz, 0.0f);
    darkRight.set(kEchoDarkenHz, 0.0f);
    for (size_t i = 0, pos = 0; i < send.size(); i++) {
        float tapLeft = left[pos], tapRight = right[pos];
        left[pos] = send[i] + feedback * darkRight.lowPass(tapRight);
        right[pos] = feedback * darkLeft.lowPass(tapLeft);
        out.left[i] += tapLeft;
        out.right[i] += tapRight;
        if (++pos == left.size()) {
            pos = 0;
        }
    }
}

// Adds what rang past the end of the loop into its start, and cuts the buffer to the loop.
static void wrap(Mono& sound, int loop) {
    for (size_t i = loop; i < sound.size(); i++) {
        sound[i % loop] += sound[i];
    }
    sound.resize(loop);
}

static void lowCut(Mono& sound) {
    Filter filter;
    filter.set(kLowCutHz, 0.0f);
    for (float& s : sound) {
        s = filter.highPass(s);
    }
}

// The ducking after each kick, read along the loop; the last kick of the loop carries over
// into its start.
class Pump {
public:
    Pump(std::vector<int> kicks, float depth, int loop)
        : kicks_(std::move(kicks)), depth_(depth), loop_(loop) {
        std::sort(kicks_.begin(), kicks_.end());
    }
    // Gain at `sample` (of any loop round).
    float gain(int sample) const {
        if (kicks_.empty() || depth_ <= 0.0f) {
            return 1.0f;
        }
        int in = sample % loop_;
        auto after = std::upper_bound(kicks_.begin(), kicks_.end(), in);
        int previous = after == kicks_.begin() ? kicks_.back() - loop_ : *(after - 1);
        double since = static_cast<double>(in - previous) / kSampleRate;
        if (since < kPumpAttack) {
            return 1.0f - depth_ * static_cast<float>(since / kPumpAttack);
        }
        double rest = std::max(0.0, 1.0 - (since - kPumpAttack) / kPumpRecovery);
        return 1.0f - depth_ * static_cast<float>(rest * rest);
    }

private:
    std::vector<int> kicks_;
    float depth_;
    int loop_;
};

// Where a note starts, in samples: the off sixteenths a little late when the piece swings.
static int startOf(const Song& song, const Note& note) {
    int late = note.step % 2 ? static_cast<int>(song.swing * song.samplesPerStep) : 0;
    return note.step * song.samplesPerStep + late;
}

static std::vector<int> kicksOf(const Song& song) {
    std::vector<int> kicks;
    for (const Part& part : song.parts) {
        for (const Note& note : part.notes) {
            if (part.instrument.drum == Drum::Kick) {
                kicks.push_back(startOf(song, note));
            }
        }
    }
    return kicks;
}

// Renders every note into the mix and the effect sends. A note is drawn alone into `scratch`
// first (kept between notes, so no buffer of the piece's length is made per part).
static void playParts(const Song& song, const Pump& pump, Stereo& mix, Mono& reverbSend,
                      Mono& echoSend) {
    Noise noise(song.seed);
    Stereo scratch;
    for (const Part& part : song.parts) {
        const Instrument& in = part.instrument;
        bool kit = in.drum != Drum::None && in.drum != Drum::Bubble;  // the kit is not ducked
        for (const Note& note : part.notes) {
            int at = startOf(song, note);
            double held = static_cast<double>(note.length * song.samplesPerStep) / kSampleRate;
            Note played = note;
            played.velocity *= 1.0f + kHumanize * noise.white();
            int written = renderNote(in, played, held, at, noise, scratch);
            int n = std::min(written, static_cast<int>(mix.left.size()) - at);
            for (int i = 0; i < n; i++) {
                float gain = kit ? 1.0f : pump.gain(at + i);
                float left = gain * scratch.left[i], right = gain * scratch.right[i];
                mix.left[at + i] += left;
                mix.right[at + i] += right;
                reverbSend[at + i] += in.reverb * 0.5f * (left + right);
                echoSend[at + i] += in.echo * 0.5f * (left + right);
            }
            std::fill_n(scratch.left.begin(), written, 0.0f);
            std::fill_n(scratch.right.begin(), written, 0.0f);
        }
    }
}

Stereo renderSong(const Song& song) {
    int loop = song.bars * kStepsPerBar * song.samplesPerStep;
    int total = loop + samplesOf(kTailSeconds);
    Stereo mix{Mono(total, 0.0f), Mono(total, 0.0f)};
    {
        Mono reverbSend(total, 0.0f), echoSend(total, 0.0f);
        Pump pump(kicksOf(song), song.pump, loop);
        playParts(song, pump, mix, reverbSend, echoSend);
        echo(echoSend, static_cast<int>(song.echoSteps * song.samplesPerStep), song.echoFeedback,
             mix);
        reverb(reverbSend, song.reverbRoom, song.reverbDamp, mix);
    }
    for (Mono* side : {&mix.left, &mix.right}) {
        lowCut(*side);
        wrap(*side, loop);
    }
    float left = rmsOf(mix.left, 0, loop), right = rmsOf(mix.right, 0, loop);
    float rms = std::sqrt(0.5f * (left * left + right * right));
    float gain = rms > 0.0f ? song.loudness / rms : 1.0f;
    for (Mono* side : {&mix.left, &mix.right}) {
        for (float& s : *side) {
            s = softClip(gain * s);
        }
    }
    float peak = std::max(peakOf(mix.left), peakOf(mix.right));
    if (peak > kMusicPeak) {
        for (Mono* side : {&mix.left, &mix.right}) {
            for (float& s : *side) {
                s *= kMusicPeak / peak;
            }
        }
    }
    return mix;
}
