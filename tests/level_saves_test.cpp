#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

// The editor's S saves the designer's only copy of a level: the files it writes are the level
// format byte for byte, a crash half way leaves the old level or the new one, and a save that
// could not write a file says so instead of "DONE!".

namespace {

const char kMapPath[] = "data/savedmap.tga";
const char kObjectsPath[] = "data/savedobjects";
const int kSavingSteps = 3;  // steps with S held: one line each

// What the editor prints while S is held for `steps` steps, run in the current folder.
std::string savedWithS(World* world, int steps) {
    useScriptedInput();
    scriptedInput().hold(GLFW_KEY_S);
    std::ostringstream printed;
    std::streambuf* previous = std::cout.rdbuf(printed.rdbuf());
    for (int i = 0; i < steps; i++) {
        world->edit();
    }
    std::cout.rdbuf(previous);
    useScriptedInput();
    return printed.str();
}

std::string lines(const std::string& line, int count) {
    std::string all;
    for (int i = 0; i < count; i++) {
        all += line + "\n";
    }
    return all;
}

// A 64 x 64 level in the editor, and a scratch folder with an empty data/ for its files.
class LevelSaves : public testing::Test {
protected:
    void SetUp() override {
        g_mission = 0;
        sandbox = new Sandbox({}, 64);
        world = sandbox->world;
        world->editorMode = true;
        dir = makeScratchDir();
        std::filesystem::create_directory(dir + "/data");
    }
    void TearDown() override { delete sandbox; }

    // Runs `act` in the scratch folder and comes back.
    template <class Act>
    auto inScratch(Act act) {
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        auto result = act();
        std::filesystem::current_path(previous);
        return result;
    }
    std::string at(const char* name) const { return dir + "/" + name; }

    Sandbox* sandbox = nullptr;
    World* world = nullptr;
    std::string dir;
};

}  // namespace

// The bytes are the level format as it always was: the map's 18-byte header and its pixels,
// then the cannons before the students, each in list order; a longer old level is replaced
// whole, and nothing is left beside the files.
TEST_F(LevelSaves, TheSavedBytesAreTheLevelFormat) {
    REQUIRE_GL();
    World big(266);  // its width goes to the header as the bytes 10 and 1
    big.tiles[0] = Backdrop;
    big.tiles[1] = Solid;
    big.tiles[265] = Breakable;  // the last of the bottom row
    big.tiles[266] = 10;         // the first of the second row
    big.tiles[266 * 266 - 1] = 255;
    std::vector<uint8_t> map = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 1, 10, 1, 24, 0};
    map.resize(18 + 3 * 266 * 266, 0);
    const auto setPixel = [&map](int i, uint8_t blue, uint8_t green, uint8_t red) {
        map[18 + 3 * i] = blue;
        map[18 + 3 * i + 1] = green;
        map[18 + 3 * i + 2] = red;
    };
    setPixel(0, 30, 60, 1);
    setPixel(1, 120, 240, 4);
    setPixel(265, 90, 180, 3);
    setPixel(266, 45, 90, 10);
    setPixel(266 * 266 - 1, 0, 0, 255);

    // Placed in mixed order; the file has the two cannons first.
    world->students.push_back(new Student(5.5f, 6.0f, world, world->studentSheet));
    world->cannons.push_back(new Cannon(12.0f, 14.5f, world, world->cannonSheet, 0));
    world->students.push_back(new Student(-4.0f, 65.0f, world, world->studentSheet));
    world->cannons.push_back(new Cannon(40.0f, 41.5f, world, world->cannonSheet, 0));
    const std::vector<uint8_t> objects = {
        16, 0, 0, 0, 0, 0, 0x40, 0x41, 0, 0, 0x68, 0x41,  // cannon (12, 14.5)
        16, 0, 0, 0, 0, 0, 0x20, 0x42, 0, 0, 0x26, 0x42,  // cannon (40, 41.5)
        4,  0, 0, 0, 0, 0, 0xb0, 0x40, 0, 0, 0xc0, 0x40,  // student (5.5, 6)
        4,  0, 0, 0, 0, 0, 0x80, 0xc0, 0, 0, 0x82, 0x42,  // student (-4, 65)
    };

    writeBytes(at(kMapPath), std::vector<uint8_t>(map.size() * 2, 7));
    writeBytes(at(kObjectsPath), std::vector<uint8_t>(objects.size() * 2, 7));
    EXPECT_TRUE(big.saveMap(at(kMapPath).c_str()));
    EXPECT_TRUE(world->saveObjects(at(kObjectsPath).c_str()));
    EXPECT_EQ(readBytes(at(kMapPath)), map);
    EXPECT_EQ(readBytes(at(kObjectsPath)), objects);
    EXPECT_EQ(folderEntries(at("data")),
              (std::vector<std::string>{"savedmap.tga", "savedobjects"}));

    // An empty level is an empty objects file, saved all the same.
    World empty(4);
    EXPECT_TRUE(empty.saveObjects(at(kObjectsPath).c_str()));
    EXPECT_TRUE(std::filesystem::exists(at(kObjectsPath)));
    EXPECT_EQ(readBytes(at(kObjectsPath)), std::vector<uint8_t>());
}

// A save that wrote both files says so in the one line it always printed, once per step.
TEST_F(LevelSaves, ASaveThatWroteBothFilesSaysDone) {
    REQUIRE_GL();
    world->setTile(3, 3, Solid);
    world->students.push_back(new Student(5.5f, 6.0f, world, world->studentSheet));
    writeBytes(at(kMapPath), {1, 2, 3});  // an old level is replaced as it always was
    EXPECT_EQ(inScratch([&] { return savedWithS(world, kSavingSteps); }),
              lines("SAVING MAP...DONE!", kSavingSteps));
    EXPECT_EQ(readBytes(at(kMapPath)).size(), 18u + 3u * 64 * 64);
    EXPECT_EQ(readBytes(at(kObjectsPath)).size(), 12u);
}

// Every step with S held saves both files anew, and the level loads back as it was.
TEST_F(LevelSaves, SavingWritesBothFilesOnEveryStepAndTheyLoadBack) {
    REQUIRE_GL();
    for (int kind = 0; kind <= 4; kind++) {
        world->setTile(10 + kind, 12, kind);
    }
    world->setTile(63, 63, Breakable);
    world->cannons.push_back(new Cannon(12.0f, 14.5f, world, world->cannonSheet, 0));
    world->students.push_back(new Student(5.5f, 6.0f, world, world->studentSheet));
    world->students.push_back(new Student(40.0f, 41.5f, world, world->studentSheet));

    const int steps = 10;
    int written = 0;
    std::string printed;
    inScratch([&] {
        for (int i = 0; i < steps; i++) {
            std::filesystem::remove(kMapPath);
            std::filesystem::remove(kObjectsPath);
            printed += savedWithS(world, 1);
            written += std::filesystem::exists(kMapPath) && std::filesystem::exists(kObjectsPath);
        }
        return 0;
    });
    EXPECT_EQ(written, steps);
    EXPECT_EQ(printed, lines("SAVING MAP...DONE!", steps));

    World loaded(64);
    loaded.loadMap(at(kMapPath).c_str());
    loaded.loadObjects(at(kObjectsPath).c_str());
    for (int i = 0; i < 64 * 64; i++) {
        ASSERT_EQ(loaded.tiles[i], world->tiles[i]) << i;
    }
    ASSERT_EQ(loaded.cannons.size(), 1u);
    ASSERT_EQ(loaded.students.size(), 2u);
    EXPECT_EQ(loaded.cannons.front()->body->GetPosition(),
              world->cannons.front()->body->GetPosition());
    EXPECT_EQ(loaded.students.front()->body->GetPosition(),
              world->students.front()->body->GetPosition());
    EXPECT_EQ(loaded.students.back()->body->GetPosition(),
              world->students.back()->body->GetPosition());
}

// With no data/ folder beside the game nothing can be saved, and the line says which files.
TEST_F(LevelSaves, ASaveWithNoFolderForItsFilesNamesThem) {
    REQUIRE_GL();
    std::filesystem::remove(at("data"));
    EXPECT_EQ(inScratch([&] { return savedWithS(world, kSavingSteps); }),
              lines("SAVING MAP...FAILED: data/savedmap.tga, data/savedobjects", kSavingSteps));
    EXPECT_FALSE(std::filesystem::exists(at("data")));
}

namespace {

// Which of the two paths the pipe, the link to a device or the folder stands at: a save would
// wait on the pipe for a reader, and the device takes any bytes and keeps none.
enum class Where { Map, Objects, Both };

struct Planted {
    NotAFile thing;
    Where where;
};

std::string nameOf(const Planted& planted) {
    const char* things[] = {"Fifo", "LinkToDevZero", "Folder"};
    const char* wheres[] = {"AtTheMap", "AtTheObjects", "AtBoth"};
    return std::string(things[static_cast<int>(planted.thing)]) +
           wheres[static_cast<int>(planted.where)];
}

std::string testName(const testing::TestParamInfo<Planted>& info) {
    return nameOf(info.param);
}

void PrintTo(const Planted& planted, std::ostream* out) {
    *out << nameOf(planted);
}

// Whether the thing at `path` is as it was planted: a pipe, a link still to /dev/zero, an
// empty folder.
bool stillThere(NotAFile thing, const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return false;
    }
    switch (thing) {
        case NotAFile::Pipe:
            return S_ISFIFO(info.st_mode);
        case NotAFile::DeviceLink: {
            char target[32] = {};
            return S_ISLNK(info.st_mode) && readlink(path.c_str(), target, sizeof target - 1) > 0 &&
                   std::string(target) == "/dev/zero";
        }
        case NotAFile::Folder:
            return S_ISDIR(info.st_mode) && folderEntries(path).empty();
    }
    return false;
}

const int kMapSaved = 1;  // bits of the child's exit code
const int kObjectsSaved = 2;

class SavingOverNotAFile : public LevelSaves, public testing::WithParamInterface<Planted> {};

}  // namespace

// Nothing is written through to a pipe, a device or a folder, and no save waits: each writer
// returns false at once, the other file is saved, and every line of S names what failed.
TEST_P(SavingOverNotAFile, FailsAtOnceTouchesNothingAndSaysWhich) {
    REQUIRE_GL();
    const NotAFile thing = GetParam().thing;
    const bool atMap = GetParam().where != Where::Objects;
    const bool atObjects = GetParam().where != Where::Map;
    world->students.push_back(new Student(5.5f, 6.0f, world, world->studentSheet));
    ASSERT_TRUE(!atMap || plant(thing, at(kMapPath)));
    ASSERT_TRUE(!atObjects || plant(thing, at(kObjectsPath)));

    const int saved = exitCodeInChild([&] {
        if (chdir(dir.c_str()) != 0) {
            return 100;
        }
        int result = 0;
        result |= world->saveMap(kMapPath) ? kMapSaved : 0;
        result |= world->saveObjects(kObjectsPath) ? kObjectsSaved : 0;
        std::ofstream("printed") << savedWithS(world, kSavingSteps);
        return result;
    });
    ASSERT_NE(saved, -1) << "a save hung";
    ASSERT_NE(saved, 100);
    EXPECT_EQ((saved & kMapSaved) != 0, !atMap);
    EXPECT_EQ((saved & kObjectsSaved) != 0, !atObjects);

    std::string names = atMap && atObjects ? "data/savedmap.tga, data/savedobjects"
                        : atMap            ? "data/savedmap.tga"
                                           : "data/savedobjects";
    const std::vector<uint8_t> printed = readBytes(at("printed"));
    EXPECT_EQ(std::string(printed.begin(), printed.end()),
              lines("SAVING MAP...FAILED: " + names, kSavingSteps));

    EXPECT_TRUE(!atMap || stillThere(thing, at(kMapPath)));
    EXPECT_TRUE(!atObjects || stillThere(thing, at(kObjectsPath)));
    EXPECT_TRUE(atMap || readBytes(at(kMapPath)).size() == 18u + 3u * 64 * 64);
    EXPECT_TRUE(atObjects || readBytes(at(kObjectsPath)).size() == 12u);
    EXPECT_EQ(folderEntries(at("data")), (std::vector<std::string>{"savedmap.tga", "savedobjects"}))
        << "nothing is left beside them";
}

INSTANTIATE_TEST_SUITE_P(, SavingOverNotAFile,
                         testing::Values(Planted{NotAFile::Pipe, Where::Map},
                                         Planted{NotAFile::Pipe, Where::Objects},
                                         Planted{NotAFile::Pipe, Where::Both},
                                         Planted{NotAFile::DeviceLink, Where::Map},
                                         Planted{NotAFile::DeviceLink, Where::Objects},
                                         Planted{NotAFile::DeviceLink, Where::Both},
                                         Planted{NotAFile::Folder, Where::Map},
                                         Planted{NotAFile::Folder, Where::Objects},
                                         Planted{NotAFile::Folder, Where::Both}),
                         testName);

// A game killed while S is held, at any moment of a save, leaves each file holding the old
// level or the new one, never empty or cut; the next save clears what the killed one left.
TEST_F(LevelSaves, KilledSavesLeaveTheOldLevelOrTheNew) {
    REQUIRE_GL();
    const int kKills = 300;
    const int kSavesPerLife = 3;  // the longest a child lives, in saves of both files
    for (int x = 1; x < 64; x++) {
        world->setTile(x, 1 + x % 7, Solid);
    }
    for (int i = 0; i < 50; i++) {
        world->students.push_back(new Student(2.0f + i, 10.0f, world, world->studentSheet));
    }
    const auto saveBoth = [&] {
        return inScratch(
            [&] { return world->saveMap(kMapPath) && world->saveObjects(kObjectsPath); });
    };
    // The disk sets the pace, so the kills are spread over a few saves as long as they take here.
    std::vector<long long> took;
    for (int i = 0; i < 3; i++) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(saveBoth());
        took.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count());
    }
    std::sort(took.begin(), took.end());
    const int longestLife = static_cast<int>(kSavesPerLife * took[1]) + 1;  // microseconds
    const std::vector<uint8_t> newMap = readBytes(at(kMapPath));
    const std::vector<uint8_t> newObjects = readBytes(at(kObjectsPath));
    const std::vector<uint8_t> oldMap(500, 'm');
    const std::vector<uint8_t> oldObjects(240, 'o');

    srand(1);
    int oldLeft = 0, newLeft = 0, cut = 0;
    for (int kill = 0; kill < kKills; kill++) {
        writeBytes(at(kMapPath), oldMap);
        writeBytes(at(kObjectsPath), oldObjects);
        pid_t child = fork();
        if (child == 0) {
            if (chdir(dir.c_str()) != 0) {
                _exit(1);
            }
            for (;;) {
                world->saveMap(kMapPath);
                world->saveObjects(kObjectsPath);
            }
        }
        usleep(static_cast<useconds_t>(rand() % longestLife));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (const auto& [path, before, after] :
             {std::make_tuple(at(kMapPath), oldMap, newMap),
              std::make_tuple(at(kObjectsPath), oldObjects, newObjects)}) {
            const std::vector<uint8_t> left = readBytes(path);
            oldLeft += left == before;
            newLeft += left == after;
            cut += left != before && left != after;
        }
    }
    EXPECT_EQ(cut, 0) << "files left empty or cut, of " << 2 * kKills;
    EXPECT_GT(oldLeft, 0) << "no kill came before a save's end";
    EXPECT_GT(newLeft, 0) << "no kill came after a save's end";

    ASSERT_TRUE(saveBoth());
    EXPECT_EQ(folderEntries(at("data")),
              (std::vector<std::string>{"savedmap.tga", "savedobjects"}));
    EXPECT_EQ(readBytes(at(kMapPath)), newMap);
    EXPECT_EQ(readBytes(at(kObjectsPath)), newObjects);
}
