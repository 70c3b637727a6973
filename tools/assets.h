#pragma once

#include <string>

// Writes every shipped asset below `top` (into top/graphics, top/audio, top/data), creating the
// folders. Deterministic: the same files, byte for byte, on every run.
bool generateAssets(const std::string& top);
