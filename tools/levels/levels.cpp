#include "tools/levels/levels.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/levels/level_map.h"
#include "tools/levels/missions.h"

const MissionLayout kMissionLayouts[kLevelCount] = {
    {128, 64, 0, 63, 3, 0},
    {128, 80, 0, 76, 5, 3},
    {256, 144, 25, 141, 13, 29},
    {256, 144, 128, 141, 15, 52},
};

levelgen::Level buildLevel(int mission) {
    switch (mission) {
        case 0:
            return buildMission0();
        case 1:
            return buildMission1();
        case 2:
            return buildMission2();
        default:
            return buildMission3();
    }
}

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool generateLevels(const std::string& top) {
    std::string folder = top + "/data/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool allWritten = true;
    for (int mission = 0; mission < kLevelCount; mission++) {
        levelgen::Level level = buildLevel(mission);
        char number[3];
        std::snprintf(number, sizeof number, "%02d", mission);
        allWritten &= writeFile(folder + "world" + number, levelgen::encodeMap(level.map));
        allWritten &=
            writeFile(folder + "objects" + number, levelgen::encodeObjects(level.objects));
    }
    return allWritten;
}
