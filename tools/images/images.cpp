#include "tools/images/images.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "tools/common/tga.h"
#include "tools/images/pictures.h"

namespace {

struct Picture {
    const char* file;
    Image (*make)();
};

const Picture kPictures[] = {
    {"font.tga", fontPicture},         {"rocket.tga", rocketPicture},
    {"tiles.tga", solidTilesPicture},  {"tiles3.tga", backdropTilesPicture},
    {"spaceman.tga", spacemanPicture}, {"cannon.tga", cannonPicture},
    {"gun.tga", gunPicture},           {"ball.tga", ballPicture},
    {"coin.tga", coinPicture},         {"explosion.tga", explosionPicture},
    {"arrow.tga", arrowPicture},       {"blip.tga", blipPicture},
};

const int kBitsPerPixel = 32;

}  // namespace

bool generateImages(const std::string& top) {
    std::string folder = top + "/graphics/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool allWritten = true;
    for (const Picture& picture : kPictures) {
        if (!writeTga(folder + picture.file, picture.make(), kBitsPerPixel)) {
            allWritten = false;
        }
    }
    return allWritten;
}
