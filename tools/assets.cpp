#include "tools/assets.h"

bool generateAssets(const std::string& top) {
    bool images = generateImages(top);
    bool sounds = generateSounds(top);
    bool levels = generateLevels(top);
    return images && sounds && levels;
}
