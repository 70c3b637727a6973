#pragma once

#include <string>

// Writes audio/ below `top`: the effects, the launch sound and the music. Deterministic.
bool generateSounds(const std::string& top);
