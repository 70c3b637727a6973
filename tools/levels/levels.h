#pragma once

#include <string>

// Writes the campaign missions' map and objects files into data/ below `top`. Deterministic.
bool generateLevels(const std::string& top);
