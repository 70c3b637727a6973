#include "tools/audio.h"

#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "tools/music/music.h"
#include "tools/sounds/effects.h"

// Effects are short and decoded whole at start-up: 16-bit WAV. The launch sound and the
// music are long and streamed: MP3.
const int kLaunchKbps = 96;
const char* const kLaunchFile = "velquist_nebrilo.mp3";

bool generateSounds(const std::string& top) {
    std::string folder = top + "/audio/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        return false;  // nothing could be written there: no need to make anything
    }

    // Each file is made from its own state alone, so they are made side by side: the same
    // bytes, in a fraction of the time.
    std::vector<std::function<bool()>> jobs;
    jobs.push_back([folder] {
        bool ok = true;
        for (const Effect& effect : effects()) {
            ok = writeWav(folder + effect.file, effect.make()) && ok;
        }
        return ok;
    });
    jobs.push_back(
        [folder] { return writeMp3(folder + kLaunchFile, makeLaunch(), 2, kLaunchKbps); });
    for (const Track& track : tracks()) {
        jobs.push_back([folder, &track] {
            return writeMp3(folder + track.file, renderSong(track.song()), 2, kMusicKbps);
        });
    }
    std::vector<char> done(jobs.size(), 0);
    std::vector<std::thread> workers;
    for (size_t j = 0; j < jobs.size(); j++) {
        workers.emplace_back([&jobs, &done, j] { done[j] = jobs[j]() ? 1 : 0; });
    }
    bool ok = true;
    for (size_t j = 0; j < jobs.size(); j++) {
        workers[j].join();
        ok = done[j] && ok;
    }
    return ok;
}
