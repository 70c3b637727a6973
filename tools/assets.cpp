#include "tools/assets.h"

#include "tools/audio.h"
#include "tools/images/images.h"
#include "tools/levels/levels.h"

bool generateAssets(const std::string& top) {
    bool images = generateImages(top);
    bool sounds = generateSounds(top);
    bool levels = generateLevels(top);
    return images && sounds && levels;
}
