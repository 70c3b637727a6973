// Placeholder until this part of the game is written.
#include "tools/assets.h"
bool generateLevels(const std::string&) { return true; }
