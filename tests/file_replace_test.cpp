#include "platform/file_replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

const size_t kFileBytes = 40;  // as the progress file
const int kCannotFilter = 3;   // a child's exit code: this machine refused the syscall filter

std::vector<unsigned char> filled(unsigned char value) {
    return std::vector<unsigned char>(kFileBytes, value);
}

bool save(const std::string& path, const std::vector<unsigned char>& bytes,
          RenameFunction renameFile = std::rename) {
    return replaceFile(path.c_str(), bytes.data(), bytes.size(), renameFile);
}

// Makes this process meet a filesystem without unnamed files, as some older and network ones
// are: opening with O_TMPFILE fails with EOPNOTSUPP. There is no undoing it, so only in a child.
bool withoutUnnamedFiles() {
    const unsigned kUnnamedBit = O_TMPFILE & ~O_DIRECTORY;  // O_TMPFILE also holds O_DIRECTORY
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kUnnamedBit, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {sizeof filter / sizeof filter[0], filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        return false;
    }
    // Else the named kind would quietly be the unnamed one again.
    int probe = open("/", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0) {
        close(probe);
        return false;
    }
    return errno == EOPNOTSUPP;
}

std::vector<char> attribute(const std::string& path, const char* name) {
    std::vector<char> value(256);
    ssize_t length = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(length < 0 ? 0 : static_cast<size_t>(length));
    return value;
}

// Sets an attribute, or tells the test why this machine would not have it.
bool setAttribute(const std::string& path, const char* name, const std::vector<char>& value,
                  std::string* refusal) {
    if (setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0) {
        return true;
    }
    *refusal =
        std::string("the scratch folder's filesystem takes no ") + name + ": " + strerror(errno);
    return false;
}

// An access ACL as the kernel keeps it in system.posix_acl_access: version 2, then entries of
// a 16-bit tag, 16-bit permissions and a 32-bit id, little-endian and sorted by tag. This one
// gives the owner and `user` read and write, the group read, and others nothing.
std::vector<char> aclSharingWith(uid_t user) {
    const uint32_t kNoId = 0xFFFFFFFF;
    const uint16_t kOwner = 0x01, kUser = 0x02, kGroup = 0x04, kMask = 0x10, kOther = 0x20;
    const uint16_t kNone = 0, kRead = 4, kReadWrite = 6;
    struct Entry {
        uint16_t tag, permissions;
        uint32_t id;
    };
    const Entry entries[] = {{kOwner, kReadWrite, kNoId},
                             {kUser, kReadWrite, user},
                             {kGroup, kRead, kNoId},
                             {kMask, kReadWrite, kNoId},
                             {kOther, kNone, kNoId}};
    std::vector<char> blob;
    auto put = [&](uint32_t value, int bytes) {
        for (int b = 0; b < bytes; b++) {
            blob.push_back(static_cast<char>(value >> (8 * b)));
        }
    };
    put(2, 4);
    for (const Entry& entry : entries) {
        put(entry.tag, 2);
        put(entry.permissions, 2);
        put(entry.id, 4);
    }
    return blob;
}

// Makes every call that sets an attribute fail as on a filesystem without them. There is no
// undoing it, so only in a child.
bool withoutSettingAttributes() {
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fsetxattr, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_setxattr, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_lsetxattr, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {sizeof filter / sizeof filter[0], filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

class FileReplace : public testing::Test {
protected:
    void SetUp() override {
        dir = makeScratchDir();
        path = dir + "/savegame";
    }
    std::string dir;
    std::string path;
};

// The two kinds of temporary: unnamed until the rename, or named from the start.
enum class Kind { Unnamed, Named };

class EachKindOfTemporary : public FileReplace, public testing::WithParamInterface<Kind> {
protected:
    void SetUp() override {
        FileReplace::SetUp();
        if (GetParam() == Kind::Named &&
            exitCodeInChild([] { return useKind(Kind::Named); }) != 0) {
            GTEST_SKIP() << "this machine refuses a syscall filter";
        }
    }
    // In a child: saves from now on use the given kind.
    static int useKind(Kind kind) {
        return kind == Kind::Unnamed || withoutUnnamedFiles() ? 0 : kCannotFilter;
    }
};

INSTANTIATE_TEST_SUITE_P(, EachKindOfTemporary, testing::Values(Kind::Unnamed, Kind::Named),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Unnamed ? "Unnamed" : "Named";
                         });

// Games killed at any moment of their saves: the file stays whole, and the next save clears
// whatever the killed ones left beside it.
TEST_P(EachKindOfTemporary, KilledSavesLeaveNothingBehind) {
    const int kKills = 200;
    const int kLongestLifeMicroseconds = 2000;  // a save takes about a millisecond here
    srand(1);
    ASSERT_TRUE(save(path, filled(1)));
    for (int kill = 0; kill < kKills; kill++) {
        pid_t child = fork();
        if (child == 0) {
            useKind(GetParam());
            for (unsigned char value = 2;; value++) {
                save(path, filled(value));
            }
        }
        usleep(static_cast<useconds_t>(rand() % kLongestLifeMicroseconds));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::vector<unsigned char> left = readBytes(path);
    EXPECT_EQ(left, filled(left.empty() ? 0 : left[0])) << "a killed save cut the file";

    ASSERT_TRUE(save(path, filled(1)));
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"savegame"});
    EXPECT_EQ(readBytes(path), filled(1));
}

int g_paused[2];  // a save held up in its rename tells the test through this pipe
int g_resume[2];  // and waits for a byte on this one to go on

int pausingRename(const char* from, const char* to) {
    char byte = 0;
    if (write(g_paused[1], &byte, 1) != 1 || read(g_resume[0], &byte, 1) != 1) {
        return -1;
    }
    return std::rename(from, to);
}

// A save held up just before its rename, as by a slow disk, keeps its temporary through another
// save's clearing and then finishes; a temporary that nobody holds goes.
TEST_P(EachKindOfTemporary, ASaveUnderWayKeepsItsTemporary) {
    writeBytes(path, filled(1));
    ASSERT_EQ(pipe(g_paused), 0);
    ASSERT_EQ(pipe(g_resume), 0);
    pid_t child = fork();
    if (child == 0) {
        _exit(useKind(GetParam()) == 0 && save(path, filled(5), pausingRename) ? 0 : 1);
    }
    close(g_paused[1]);
    close(g_resume[0]);
    char byte = 0;
    ASSERT_EQ(read(g_paused[0], &byte, 1), 1) << "the save never reached its rename";
    const std::vector<std::string> during = folderEntries(dir);
    EXPECT_EQ(during.size(), 2u) << "the file and the held temporary";
    writeBytes(path + ".saving-Left00", filled(9));  // left by a killed save

    EXPECT_TRUE(save(path, filled(6)));
    EXPECT_EQ(folderEntries(dir), during);

    EXPECT_EQ(write(g_resume[1], &byte, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the held-up save failed";
    EXPECT_EQ(readBytes(path), filled(5));
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"savegame"});
    close(g_paused[0]);
    close(g_resume[1]);
}

// Clearing takes only what a save could have left: the player's own files, names near the
// temporaries' pattern, and anything but a plain file all stay, and a pipe holds nothing up.
TEST_F(FileReplace, ClearingTakesOnlyTemporariesLeftBehind) {
    const std::vector<std::string> playerFiles = {
        "savegame.backup",         "savegame.saving-",          "savegame.saving-abc12",
        "savegame.saving-abc1234", "savegame.saving-ab_123",    "savegame.Saving-abc123",
        "old.saving-abc123",       "savegame.saving-abc123.old"};
    for (const std::string& name : playerFiles) {
        writeBytes(dir + "/" + name, {'k'});
    }
    ASSERT_TRUE(plant(NotAFile::Folder, dir + "/savegame.saving-Folder"));
    ASSERT_TRUE(plant(NotAFile::Pipe, dir + "/savegame.saving-Pipe00"));
    ASSERT_EQ(symlink("savegame.backup", (dir + "/savegame.saving-Link00").c_str()), 0);
    std::vector<std::string> kept = folderEntries(dir);
    kept.push_back("savegame");
    std::sort(kept.begin(), kept.end());
    writeBytes(path + ".saving-Left00", filled(9));  // left by a killed save

    EXPECT_EQ(exitCodeInChild([&] { return save(path, filled(3)) ? 0 : 1; }), 0)
        << "the save hung or failed";
    EXPECT_EQ(folderEntries(dir), kept);
    for (const std::string& name : playerFiles) {
        EXPECT_EQ(readBytes(dir + "/" + name), std::vector<unsigned char>{'k'}) << name;
    }
}

// A save killed after giving its temporary the old file's mode, 0200 here, leaves a stray its
// player may write but not read; the next save clears it all the same. A stray that is also
// another file's name stays, as it is that file too. As nobody, since root reads anything.
TEST_F(FileReplace, StraysThePlayerCannotReadGoButHardLinksStay) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string folder = dir + "/player";
    const std::string file = folder + "/savegame";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    writeBytes(file, filled(1));
    writeBytes(file + ".saving-Left00", filled(9));
    writeBytes(folder + "/backup", filled(7));
    ASSERT_EQ(link((folder + "/backup").c_str(), (file + ".saving-Link00").c_str()), 0);
    for (const char* name : {"", "/savegame", "/savegame.saving-Left00", "/backup"}) {
        ASSERT_EQ(chown((folder + name).c_str(), kNobody, kNobody), 0) << name;
    }
    ASSERT_EQ(chmod(file.c_str(), 0200), 0);
    ASSERT_EQ(chmod((file + ".saving-Left00").c_str(), 0200), 0);

    EXPECT_EQ(exitCodeInChild([&] {
                  if (!becomeNobody()) {
                      return 2;
                  }
                  return save(file, filled(3)) ? 0 : 1;
              }),
              0)
        << "the save failed";
    EXPECT_EQ(folderEntries(folder),
              (std::vector<std::string>{"backup", "savegame", "savegame.saving-Link00"}));
    EXPECT_EQ(readBytes(file), filled(3));
    EXPECT_EQ(readBytes(folder + "/backup"), filled(7));
}

int g_renameError;

int failingRename(const char*, const char*) {
    errno = g_renameError;
    return -1;
}

// A rename that cannot replace the file, as over a file mounted in place, leaves the save to
// the file itself; a rename that fails for any other reason leaves the old file as it was.
TEST_F(FileReplace, ARenameThatCannotReplaceTheFileWritesItInPlace) {
    struct Case {
        int error;
        bool inPlace;
    };
    for (Case c : {Case{EBUSY, true}, Case{EXDEV, true}, Case{EPERM, true}, Case{EACCES, true},
                   Case{EIO, false}}) {
        writeBytes(path, filled(1));
        struct stat before, after;
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        g_renameError = c.error;
        EXPECT_EQ(save(path, filled(2), failingRename), c.inPlace) << strerror(c.error);
        EXPECT_EQ(readBytes(path), filled(c.inPlace ? 2 : 1)) << strerror(c.error);
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << strerror(c.error);
        EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"savegame"}) << strerror(c.error);
    }
    // Without a file there is nothing to write in place.
    ASSERT_EQ(unlink(path.c_str()), 0);
    g_renameError = EBUSY;
    EXPECT_FALSE(save(path, filled(2), failingRename));
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{});
}

// A save goes through as long a chain of links as the kernel reads through, and the link stays a
// link; one link more and the kernel would refuse to read it back, so nothing is written.
TEST_F(FileReplace, ASaveFollowsAsManyLinksAsTheKernelReads) {
    const int kKernelLinkHops = 40;
    ASSERT_EQ(mkdir((dir + "/links").c_str(), 0755), 0);
    auto hop = [&](int i) { return dir + "/links/" + std::to_string(i); };
    for (int i = 0; i < kKernelLinkHops; i++) {
        ASSERT_EQ(symlink(hop(i + 1).c_str(), hop(i).c_str()), 0);
    }
    writeBytes(hop(kKernelLinkHops), filled(1));
    EXPECT_TRUE(save(hop(0), filled(2)));
    EXPECT_EQ(readBytes(hop(0)), filled(2));
    struct stat info;
    ASSERT_EQ(lstat(hop(0).c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    ASSERT_EQ(symlink(hop(0).c_str(), path.c_str()), 0);  // the 41st
    EXPECT_FALSE(save(path, filled(3)));
    EXPECT_EQ(readBytes(hop(kKernelLinkHops)), filled(2));
}

// The file a link leads to keeps what it carries beside its bytes: an attribute of the player's,
// and an ACL that shares the file with another account, who can still read it.
TEST_F(FileReplace, ASaveKeepsTheFilesAttributesAndACL) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string real = dir + "/real";
    writeBytes(real, filled(1));
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(symlink("real", path.c_str()), 0);
    const std::vector<char> note = {'m', 'i', 'n', 'e'};
    const std::vector<char> acl = aclSharingWith(kNobody);
    std::string refusal;
    if (!setAttribute(real, "user.note", note, &refusal) ||
        !setAttribute(real, "system.posix_acl_access", acl, &refusal)) {
        GTEST_SKIP() << refusal;
    }
    EXPECT_TRUE(save(path, filled(2)));
    EXPECT_EQ(attribute(real, "user.note"), note);
    EXPECT_EQ(attribute(real, "system.posix_acl_access"), acl);
    EXPECT_EQ(exitCodeInChild([&] {
                  return !becomeNobody() ? 2 : readBytes(path) == filled(2) ? 0 : 1;
              }),
              0)
        << "the account the file was shared with cannot read it";
}

// An attribute the new file cannot be given leaves the save to the file itself, which keeps it:
// a security.* one the player may not set, or any at all where setting one fails.
TEST_F(FileReplace, AnAttributeThatCannotBeCopiedIsKeptByWritingInPlace) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string folder = dir + "/player";
    const std::string file = folder + "/savegame";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    writeBytes(file, filled(1));
    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
    const std::vector<char> label = {'k', 'e', 'p', 't'};
    std::string refusal;
    if (!setAttribute(file, "security.morvelan", label, &refusal) ||
        !setAttribute(file, "user.note", label, &refusal)) {
        GTEST_SKIP() << refusal;
    }
    struct Case {
        const char* how;
        std::function<bool()> limit;
    };
    const Case cases[] = {{"as the player", becomeNobody},
                          {"where no attribute can be set", withoutSettingAttributes}};
    unsigned char value = 2;
    for (const Case& c : cases) {
        struct stat before, after;
        ASSERT_EQ(stat(file.c_str(), &before), 0);
        const int code = exitCodeInChild([&] {
            if (!c.limit()) {
                return kCannotFilter;
            }
            return save(file, filled(value)) ? 0 : 1;
        });
        if (code == kCannotFilter) {
            GTEST_SKIP() << c.how << ": this machine refuses a syscall filter";
        }
        EXPECT_EQ(code, 0) << c.how << ": the save failed";
        EXPECT_EQ(readBytes(file), filled(value)) << c.how;
        ASSERT_EQ(stat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.how;
        EXPECT_EQ(attribute(file, "security.morvelan"), label) << c.how;
        EXPECT_EQ(attribute(file, "user.note"), label) << c.how;
        EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"savegame"}) << c.how;
        value++;
    }
}

}  // namespace
