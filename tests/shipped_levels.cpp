#include "tests/shipped_levels.h"

namespace {

std::string numbered(const std::string& stem, int mission) {
    return stem + (mission < 10 ? "0" : "") + std::to_string(mission);
}

}  // namespace

std::string shippedMap(int mission) {
    return numbered("data/world", mission);
}
std::string shippedObjects(int mission) {
    return numbered("data/objects", mission);
}

std::string listed(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& line : problems) {
        text += "\n  " + line;
    }
    return text;
}
