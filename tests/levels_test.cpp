#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "tests/shipped_levels.h"
#include "tests/test_support.h"
#include "tools/levels/checker.h"
#include "tools/levels/levels.h"
#include "tools/levels/missions.h"

namespace {

TEST(Levels, ShippedFilesAreExactlyWhatTheGeneratorWrites) {
    std::string scratch = makeScratchDir();
    ASSERT_TRUE(generateLevels(scratch));
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<uint8_t> map = readBytes(shippedMap(m));
        std::vector<uint8_t> objects = readBytes(shippedObjects(m));
        EXPECT_FALSE(map.empty()) << shippedMap(m);
        EXPECT_FALSE(objects.empty()) << shippedObjects(m);
        EXPECT_TRUE(map == readBytes(scratch + "/" + shippedMap(m))) << shippedMap(m);
        EXPECT_TRUE(objects == readBytes(scratch + "/" + shippedObjects(m))) << shippedObjects(m);
    }
}

TEST(Levels, LayoutsAgreeWithTheMissionTable) {
    const int kCreditsPerStudent = 25, kCreditsPerCannon = 5 * 5;
    for (int m = 0; m < kLevelCount; m++) {
        const MissionLayout& layout = kMissionLayouts[m];
        EXPECT_EQ(layout.size, g_worldSize[m]) << m;
        EXPECT_EQ(layout.startHeight, g_spawnHeight[m]) << m;
        EXPECT_EQ(layout.waterLevel, g_waterLevel[m]) << m;
        EXPECT_EQ(layout.students, g_maxStudents[m]) << m;
        EXPECT_EQ(kCreditsPerStudent * layout.students + kCreditsPerCannon * layout.cannons,
                  g_maxCredits[m])
            << m;
    }
}

TEST(Levels, EveryShippedLevelPassesTheChecker) {
    for (int m = 0; m < kLevelCount; m++) {
        std::vector<std::string> problems = checkLevelFiles(m, shippedMap(m), shippedObjects(m));
        EXPECT_TRUE(problems.empty()) << "mission " << m << ":" << listed(problems);
    }
    EXPECT_FALSE(checkLevelFiles(0, "data/no-such-map", shippedObjects(0)).empty());
}

}  // namespace
