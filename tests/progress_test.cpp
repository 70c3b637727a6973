#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "frontend/progress.h"
#include "tests/test_support.h"

namespace {

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A file whose value i (students of mission i/2, then credits) is 100 + i.
std::vector<unsigned char> countingFile(int length) {
    std::vector<unsigned char> bytes(length, 0);
    for (int i = 0; i < length; i++) {
        if (i % 4 == 0) {
            bytes[i] = static_cast<unsigned char>(100 + i / 4);
        }
    }
    return bytes;
}

void fillBests(int value) {
    for (int m = 0; m < g_missionCount; m++) {
        g_bestStudents[m] = g_bestCredits[m] = value;
    }
}

class ProgressFile : public testing::Test {
protected:
    void SetUp() override {
        resetCampaign();
        dir = makeScratchDir();
        path = dir + "/savegame";
    }
    std::string dir;
    std::string path;
};

TEST_F(ProgressFile, HoldsTheBestsOfMissionsZeroToFourInFortyLittleEndianBytes) {
    g_bestStudents[1] = 3;
    g_bestCredits[1] = 100;
    g_bestStudents[5] = 9;  // not kept
    saveProgress(path.c_str());

    std::vector<unsigned char> expected(40, 0);
    expected[8] = 0x03;
    expected[12] = 0x64;
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0) << "no temporary left behind";
}

TEST_F(ProgressFile, NegativeAndLargeValuesRoundTripAndLaterMissionsStayZero) {
    const int students[5] = {3, -1, 2147483647, -2147483647 - 1, 13};
    const int credits[5] = {75, 200, -500, 1675, 65536};
    for (int m = 0; m < 5; m++) {
        g_bestStudents[m] = students[m];
        g_bestCredits[m] = credits[m];
    }
    saveProgress(path.c_str());
    std::vector<unsigned char> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes[8], 0xFF);   // -1, low byte first
    EXPECT_EQ(bytes[19], 0x7F);  // the top byte of the largest int
    EXPECT_EQ(bytes[27], 0x80);  // the top byte of the smallest

    resetCampaign();
    loadProgress(path.c_str());
    for (int m = 0; m < 5; m++) {
        EXPECT_EQ(g_bestStudents[m], students[m]) << m;
        EXPECT_EQ(g_bestCredits[m], credits[m]) << m;
    }
    for (int m = 5; m < g_missionCount; m++) {
        EXPECT_EQ(g_bestStudents[m], 0);
        EXPECT_EQ(g_bestCredits[m], 0);
    }
}

// A short file gives the values it holds whole; a cut value and those after it keep theirs.
TEST_F(ProgressFile, ShortAndLongFilesGiveOnlyTheirWholeValues) {
    struct Case {
        int length;
        int wholeValues;
    };
    for (Case c : {Case{0, 0}, Case{20, 5}, Case{39, 9}, Case{40, 10}, Case{41, 10}}) {
        fillBests(-7);
        writeBytes(path, countingFile(c.length));
        loadProgress(path.c_str());
        for (int i = 0; i < 10; i++) {
            int value = i % 2 == 0 ? g_bestStudents[i / 2] : g_bestCredits[i / 2];
            EXPECT_EQ(value, i < c.wholeValues ? 100 + i : -7)
                << "file of " << c.length << " bytes, value " << i;
        }
        EXPECT_EQ(g_bestStudents[5], -7);
    }
    // The next save writes a long file back at 40 bytes.
    writeBytes(path, countingFile(41));
    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path).size(), 40u);
}

TEST_F(ProgressFile, MissingFileOrFolderAtThePathChangesNothing) {
    fillBests(4);
    loadProgress(path.c_str());
    mkdir(path.c_str(), 0755);
    loadProgress(path.c_str());
    EXPECT_EQ(g_bestStudents[0], 4);
    EXPECT_EQ(g_bestCredits[4], 4);

    // Saving onto the folder fails quietly and leaves the folder and no temporary.
    saveProgress(path.c_str());
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0);
}

TEST_F(ProgressFile, SaveIntoAMissingFolderKeepsTheBestsInMemory) {
    std::string nowhere = dir + "/no-such-folder/savegame";
    g_bestStudents[2] = 6;
    saveProgress(nowhere.c_str());
    EXPECT_NE(access(nowhere.c_str(), F_OK), 0);
    EXPECT_EQ(g_bestStudents[2], 6);
}

// A save that fails half way (here a full disk behind the temporary's name, or a temporary that
// cannot be made) must leave the previous good file exactly as it was.
TEST_F(ProgressFile, AFailedSaveKeepsTheOldFileWhole) {
    g_bestStudents[0] = 3;
    saveProgress(path.c_str());
    const std::vector<unsigned char> good = readBytes(path);
    ASSERT_EQ(good.size(), 40u);
    g_bestStudents[0] = 5;

    std::string temporary = path + ".tmp";
    ASSERT_EQ(symlink("/dev/full", temporary.c_str()), 0);
    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path), good);
    EXPECT_NE(access(temporary.c_str(), F_OK), 0) << "the failed temporary is removed";

    ASSERT_EQ(mkdir(temporary.c_str(), 0755), 0);
    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path), good);
    rmdir(temporary.c_str());

    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path)[0], 5);
}

}  // namespace
