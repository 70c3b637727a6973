#pragma once

#include <string>

// Each writes its files below `top` (into top/graphics, top/audio, top/data), creating the
// folders. They are deterministic: the same files, byte for byte, on every run.
bool generateImages(const std::string& top);
bool generateSounds(const std::string& top);
bool generateLevels(const std::string& top);

// All of the above.
bool generateAssets(const std::string& top);
