#pragma once

#include <string>

// Writes every picture of graphics/ below `top`. Deterministic.
bool generateImages(const std::string& top);
