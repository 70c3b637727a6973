#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "frontend/progress.h"
#include "tests/test_support.h"

namespace {

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

// The file fillBests(value) saves: every value the same, small enough for its low byte.
std::vector<unsigned char> fileOf(unsigned char value) {
    std::vector<unsigned char> bytes(40, 0);
    for (size_t i = 0; i < bytes.size(); i += 4) {
        bytes[i] = value;
    }
    return bytes;
}

void fillBests(int value) {
    for (int m = 0; m < g_missionCount; m++) {
        g_bestStudents[m] = g_bestCredits[m] = value;
    }
}

const rlim_t kCutAfterBytes = 20;  // a file size limit that cuts the save in half
const int kCannotMount = 3;        // a child's exit code: this machine refused the mount

// Runs `act` in a child process (whose rights or limits it may change) and tells whether it
// returned true.
bool inChild(const std::function<bool()>& act) {
    return exitCodeInChild([&] { return act() ? 0 : 1; }) == 0;
}

void dropToNobody() {
    if (!becomeNobody()) {
        _exit(2);
    }
}

class ProgressFile : public testing::Test {
protected:
    void SetUp() override {
        resetCampaign();
        dir = makeScratchDir();
        path = dir + "/savegame";
    }
    // A folder of nobody's holding nobody's progress file of the given mode.
    std::string playerFolder(const std::string& name, mode_t mode) {
        std::string folder = dir + "/" + name;
        std::string file = folder + "/savegame";
        mkdir(folder.c_str(), 0755);
        writeBytes(file, countingFile(40));
        chmod(file.c_str(), mode);
        chown(folder.c_str(), kNobody, kNobody);
        chown(file.c_str(), kNobody, kNobody);
        return file;
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
    plant(NotAFile::Folder, path);
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

// A save that fails half way (here the file size limit standing in for a full disk) must leave
// the previous good file exactly as it was, and no temporary behind.
TEST_F(ProgressFile, AFailedSaveKeepsTheOldFileWhole) {
    g_bestStudents[0] = 3;
    saveProgress(path.c_str());
    const std::vector<unsigned char> good = readBytes(path);
    ASSERT_EQ(good.size(), 40u);
    g_bestStudents[0] = 5;

    EXPECT_TRUE(inChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {kCutAfterBytes, kCutAfterBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        saveProgress(path.c_str());
        return true;
    }));
    EXPECT_EQ(readBytes(path), good);
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"savegame"});

    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path)[0], 5);
}

// Two games saving at once each finish with a whole file, never a cut one, and a link planted
// where a fixed temporary name would be is not written through.
TEST_F(ProgressFile, SavesRacingEachOtherOrALinkNeverCutTheFile) {
    const int kSaves = 400;  // per game; enough for the two to overlap many times
    std::vector<unsigned char> expected[3];
    for (int value : {1, 2}) {
        fillBests(value);
        saveProgress(path.c_str());
        expected[value] = readBytes(path);
    }
    for (int value : {1, 2}) {
        fillBests(value);
        if (fork() == 0) {
            for (int i = 0; i < kSaves; i++) {
                saveProgress(path.c_str());
            }
            _exit(0);
        }
    }
    int cut = 0, reads = 0;
    for (int running = 2; running > 0;) {
        std::vector<unsigned char> seen = readBytes(path);
        reads++;
        cut += seen != expected[1] && seen != expected[2];
        running -= waitpid(-1, nullptr, WNOHANG) > 0;
    }
    EXPECT_EQ(cut, 0) << "of " << reads << " reads";
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"savegame"});

    std::string victim = dir + "/victim";
    writeBytes(victim, {'k', 'e', 'e', 'p'});
    ASSERT_EQ(symlink(victim.c_str(), (path + ".tmp").c_str()), 0);
    fillBests(3);
    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(path)[0], 3);
    EXPECT_EQ(readBytes(victim), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"savegame", "savegame.tmp", "victim"}));
}

// A save writes through the player's symbolic link and keeps the file's mode, owner and hard
// links: the file stays the one the player set up.
TEST_F(ProgressFile, SavingKeepsTheLinksModeAndOwnerOfTheFile) {
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0755), 0);
    std::string real = dir + "/real/progress";
    writeBytes(real, countingFile(40));
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(chown(real.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(symlink("real/progress", path.c_str()), 0);
    fillBests(3);
    saveProgress(path.c_str());
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
    EXPECT_EQ(readBytes(real)[0], 3);
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);

    std::string other = dir + "/backup";
    ASSERT_EQ(link(real.c_str(), other.c_str()), 0);
    fillBests(4);
    saveProgress(path.c_str());
    EXPECT_EQ(readBytes(other)[0], 4) << "hard links stay one file";
    ASSERT_EQ(stat(other.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 2u);

    // A link to a file not made yet: the file is made where it points, as a new file is.
    std::string dangling = dir + "/dangling";
    ASSERT_EQ(symlink("real/later", dangling.c_str()), 0);
    mode_t mask = umask(022);
    saveProgress(dangling.c_str());
    umask(mask);
    ASSERT_EQ(stat((dir + "/real/later").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_EQ(folderEntries(dir + "/real"), (std::vector<std::string>{"later", "progress"}));
}

// As a player without root's rights: a writable file in a folder that takes no new file is
// still saved, and a read-only file is left alone. A file the player may write but not read is
// rewritten by a new game, which never reads it, keeping its mode; a CONTINUE GAME that could not
// read it never writes over it for the rest of its run, even once it can be read.
TEST_F(ProgressFile, APlayerWithoutRightsKeepsWhatCouldNotBeRead) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    std::string lockedFolder = playerFolder("locked", 0644);
    std::string readOnly = playerFolder("readonly", 0444);
    std::string newGame = playerFolder("newgame", 0200);
    std::string continued = playerFolder("continued", 0200);
    ASSERT_EQ(chmod((dir + "/locked").c_str(), 0555), 0);

    EXPECT_TRUE(inChild([&] {
        dropToNobody();
        fillBests(6);
        saveProgress(lockedFolder.c_str());
        saveProgress(readOnly.c_str());
        saveProgress(newGame.c_str());
        return true;
    }));
    EXPECT_TRUE(inChild([&] {
        dropToNobody();
        loadProgress(continued.c_str());
        bool unchanged = g_bestStudents[0] == 0;
        fillBests(6);
        saveProgress(continued.c_str());
        chmod(continued.c_str(), 0600);
        saveProgress(continued.c_str());
        return unchanged;
    })) << "an unreadable file changes no best";

    const std::vector<unsigned char> sixes = fileOf(6);
    EXPECT_EQ(readBytes(lockedFolder), sixes);
    EXPECT_EQ(readBytes(readOnly), countingFile(40));
    EXPECT_EQ(readBytes(newGame), sixes);
    struct stat info;
    ASSERT_EQ(stat(newGame.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0200u);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(readBytes(continued), countingFile(40));
}

// The hold-off keeps the file CONTINUE GAME could not read, and only while something stands at
// the path: once the player has taken it away the saves go on, the game's own new file
// included. A held-off save says so, once in a run.
TEST_F(ProgressFile, AContinueThatCouldNotReadTheFileSavesOnceItIsGone) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string continued = playerFolder("continued", 0200);
    const std::string told = "PROGRESS NOT SAVED: " + continued + " COULD NOT BE READ\n";
    // Each step's exit code tells which went wrong.
    EXPECT_EQ(exitCodeInChild([&] {
                  dropToNobody();
                  loadProgress(continued.c_str());
                  fillBests(6);
                  testing::internal::CaptureStdout();
                  saveProgress(continued.c_str());
                  saveProgress(continued.c_str());
                  if (testing::internal::GetCapturedStdout() != told) {
                      return 3;
                  }
                  if (unlink(continued.c_str()) != 0) {
                      return 4;
                  }
                  testing::internal::CaptureStdout();
                  saveProgress(continued.c_str());
                  const bool saved = readBytes(continued) == fileOf(6);
                  fillBests(7);
                  saveProgress(continued.c_str());
                  const bool savedAgain = readBytes(continued) == fileOf(7);
                  const bool quiet = testing::internal::GetCapturedStdout().empty();
                  return !saved ? 5 : !savedAgain ? 6 : !quiet ? 7 : 0;
              }),
              0)
        << "3: not told once, 5: not saved once the file was gone, 6: held off by its own file";
    EXPECT_EQ(readBytes(continued), fileOf(7));
}

// Through a link the hold-off keeps the file the link leads to. Once the player has removed that
// file the link dangles, nothing is left to keep, and the save makes a new file where it points.
TEST_F(ProgressFile, AContinueThroughALinkSavesOnceItsFileIsGone) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string continued = playerFolder("continued", 0200);
    const std::string link = dir + "/continued/link";
    ASSERT_EQ(symlink("savegame", link.c_str()), 0);
    EXPECT_EQ(exitCodeInChild([&] {
                  dropToNobody();
                  loadProgress(link.c_str());
                  fillBests(6);
                  testing::internal::CaptureStdout();
                  saveProgress(link.c_str());
                  testing::internal::GetCapturedStdout();
                  chmod(continued.c_str(), 0600);
                  if (readBytes(continued) != countingFile(40)) {
                      return 3;
                  }
                  if (unlink(continued.c_str()) != 0) {
                      return 4;
                  }
                  saveProgress(link.c_str());
                  return readBytes(continued) == fileOf(6) ? 0 : 5;
              }),
              0)
        << "3: saved over the file it could not read, 5: held off by a dangling link";
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
}

// A pipe, a device or a socket at the path is read as no file and never written, and neither
// call waits on it (each runs in a child on an alarm, so a hang fails instead of stopping the
// run). A link to a plain file still loads.
TEST_F(ProgressFile, AnythingButAPlainFileIsLeftAloneWithoutWaiting) {
    ASSERT_TRUE(plant(NotAFile::Pipe, path));
    std::string zeros = dir + "/zeros";
    ASSERT_TRUE(plant(NotAFile::DeviceLink, zeros));
    std::string socketPath = dir + "/socket";
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const std::string& notAFile : {path, zeros, socketPath}) {
        EXPECT_TRUE(inChild([&] {
            fillBests(7);
            loadProgress(notAFile.c_str());
            saveProgress(notAFile.c_str());
            return g_bestStudents[0] == 7 && g_bestCredits[4] == 7;
        })) << notAFile + ": a call hung or changed a best";
    }
    close(listener);
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"savegame", "socket", "zeros"}));

    std::string real = dir + "/real";
    std::string linked = dir + "/linked";
    writeBytes(real, countingFile(40));
    ASSERT_EQ(symlink("real", linked.c_str()), 0);
    loadProgress(linked.c_str());
    EXPECT_EQ(g_bestCredits[4], 109);
}

// A file mounted in place, as a container's one-file volume is, cannot be renamed over: the save
// goes into the mounted file rather than being lost. The mount lives in a child's own namespace.
TEST_F(ProgressFile, AFileMountedInPlaceIsSavedThroughTheMount) {
    std::string volume = dir + "/volume";
    writeBytes(volume, countingFile(40));
    writeBytes(path, countingFile(40));
    const std::vector<unsigned char> eights = fileOf(8);
    const int code = exitCodeInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(volume.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return kCannotMount;
        }
        fillBests(8);
        saveProgress(path.c_str());
        return readBytes(path) == eights ? 0 : 1;
    });
    if (code == kCannotMount) {
        GTEST_SKIP() << "this machine refuses a mount namespace or a bind mount";
    }
    EXPECT_EQ(code, 0) << "the mounted file kept its bytes";
    EXPECT_EQ(readBytes(volume), eights) << "the volume holds what was saved through the mount";
    EXPECT_EQ(readBytes(path), countingFile(40)) << "the file under the mount is untouched";
    EXPECT_EQ(folderEntries(dir), (std::vector<std::string>{"savegame", "volume"}));
}

}  // namespace
