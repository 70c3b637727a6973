#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/placement.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"
#include "tests/test_support.h"

namespace {

// A 64 x 64 sandbox in the editor, the ship at (20.5, 20.5) so the camera is at (656, 651).
struct Editor {
    Editor() : sandbox((g_mission = 0, std::vector<std::string>{}), 64) {
        useScriptedInput();
        sandbox.launch(20.5f, 20.5f);
        world->editorMode = true;
        step(1);  // the camera follows the ship's centre of mass
    }
    ~Editor() { useScriptedInput(); }

    void step(int steps) {
        for (int i = 0; i < steps; i++) {
            world->edit();
        }
    }

    // Puts the pointer over world pixel (x, y).
    void pointAt(int x, int y) {
        scriptedInput().pointerX = x - world->cameraX + 400;
        scriptedInput().pointerY = world->cameraY + 300 - y;
    }

    Sandbox sandbox;
    World* world = sandbox.world;
};

TEST(Editor, PlacingCommandsActOncePerPress) {
    REQUIRE_GL();
    Editor editor;
    ScriptedInput& input = scriptedInput();
    editor.pointAt(20 * 32 + 5, 25 * 32 + 20);  // placing point (20, 25.5)
    input.hold(GLFW_KEY_M);
    editor.step(10);
    ASSERT_EQ(editor.world->students.size(), 1u);
    const b2Vec2 at = editor.world->students.front()->body->GetPosition();
    EXPECT_EQ(at.x, 20.0f);
    EXPECT_EQ(at.y, 25.5f);

    input.hold(GLFW_KEY_C);  // a second command while the first is held does nothing
    editor.step(5);
    input.release(GLFW_KEY_M);
    editor.step(5);
    EXPECT_EQ(editor.world->students.size(), 1u);
    EXPECT_EQ(editor.world->cannons.size(), 0u);

    input.releaseAll();
    editor.step(1);
    input.hold(GLFW_KEY_C);
    editor.step(3);
    input.releaseAll();
    editor.step(1);
    editor.pointAt(22 * 32 + 5, 25 * 32 + 20);  // clear of the first student
    input.hold(GLFW_KEY_M);
    editor.step(3);
    EXPECT_EQ(editor.world->cannons.size(), 1u);
    EXPECT_EQ(editor.world->students.size(), 2u);
    EXPECT_EQ(editor.world->studentsTotal, 0);  // placing changes no mission counter
    EXPECT_EQ(editor.world->coinsTotal, 0);
}

TEST(Editor, RemoveTakesEveryObjectNearThePlacingPoint) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    SpriteSheet* sheet = world->studentSheet;
    world->students.push_back(new Student(30.0f, 30.0f, world, sheet));
    world->students.push_back(new Student(30.3f, 30.5f, world, sheet));
    world->students.push_back(new Student(31.0f, 30.0f, world, sheet));  // 1 m away: stays
    world->cannons.push_back(new Cannon(29.6f, 29.8f, world, world->cannonSheet, 0));
    editor.pointAt(30 * 32 + 3, 30 * 32 + 3);  // placing point (30, 30)
    scriptedInput().hold(GLFW_KEY_X);
    editor.step(3);
    EXPECT_EQ(world->cannons.size(), 0u);
    ASSERT_EQ(world->students.size(), 1u);
    EXPECT_EQ(world->students.front()->body->GetPosition().x, 31.0f);

    // Nothing near: still latched, so a later 'M' waits for a release.
    editor.pointAt(50 * 32, 50 * 32);
    scriptedInput().releaseAll();
    editor.step(1);
    scriptedInput().hold(GLFW_KEY_X);
    editor.step(1);
    EXPECT_TRUE(world->keyLatch);
    scriptedInput().hold(GLFW_KEY_M);
    scriptedInput().release(GLFW_KEY_X);
    editor.step(1);
    EXPECT_EQ(world->students.size(), 1u);
}

// Presses `key` with the pointer over world pixel (x, y), after a step with nothing held.
void press(Editor& editor, int key, int x, int y) {
    editor.pointAt(x, y);
    scriptedInput().releaseAll();
    editor.step(1);
    scriptedInput().hold(key);
    editor.step(1);
}

// What a press prints on standard output.
std::string printedBy(Editor& editor, int key, int x, int y) {
    testing::internal::CaptureStdout();
    press(editor, key, x, y);
    return testing::internal::GetCapturedStdout();
}

TEST(Editor, MPressedTwiceOnOneSpotPlacesTwoStudentsThatSaveAndLoadBack) {
    REQUIRE_GL();
    InScratchFolder scratch;
    Editor editor;
    EXPECT_EQ(printedBy(editor, GLFW_KEY_M, 10 * 32, 10 * 32), "");
    EXPECT_EQ(printedBy(editor, GLFW_KEY_M, 10 * 32, 10 * 32), "");
    ASSERT_EQ(positionsOf(editor.world->students), std::vector<b2Vec2>(2, b2Vec2(10, 10)));

    press(editor, GLFW_KEY_S, 0, 0);
    World loaded(64);
    loaded.loadObjects("data/savedobjects");
    EXPECT_EQ(positionsOf(loaded.students), std::vector<b2Vec2>(2, b2Vec2(10, 10)));
}

// The editor places what its own saved file loads back, off the map, a pile of 50 and cannons on
// cannons included, and refuses what the loader would skip, saying why in one line: a student
// that would bring the level past its budget of overlapping pairs, an object too far out,
// anything past the objects a level may hold.
TEST(Editor, PlacesWhatTheLoaderKeepsAndSaysWhyItRefusesTheRest) {
    REQUIRE_GL();
    InScratchFolder scratch;
    Editor editor;
    World* world = editor.world;
    press(editor, GLFW_KEY_C, -4 * 32 - 8, 10 * 32);  // placing point (-4, 10), left of the map
    EXPECT_EQ(world->cursorX, -4.0f);
    press(editor, GLFW_KEY_M, -40, 10 * 32);           // placing point (-1, 10)
    press(editor, GLFW_KEY_C, 10 * 32, 64 * 32 + 40);  // placing point (10, 65), above the map
    press(editor, GLFW_KEY_C, 10 * 32, 10 * 32);       // a cannon may stand over a student
    press(editor, GLFW_KEY_C, 10 * 32 + 16, 10 * 32);  // and half over another cannon
    press(editor, GLFW_KEY_C, 10 * 32 + 16, 10 * 32);  // or right on it
    for (int i = 0; i < 50; i++) {
        press(editor, GLFW_KEY_M, 20 * 32, 10 * 32 + 3);  // the same half-metre point each time
    }
    EXPECT_EQ(world->students.size(), 51u);
    EXPECT_EQ(world->cannons.size(), 5u);
    // A second pile grows until the level's overlapping pairs would pass the budget.
    std::string refusal;
    for (int i = 0; i < kMaxLevelObjects && refusal.empty(); i++) {
        refusal = printedBy(editor, GLFW_KEY_M, 30 * 32, 10 * 32);
    }
    EXPECT_EQ(refusal, "NO STUDENT PLACED: TOO MANY STUDENTS OVERLAP HERE\n");
    const size_t piled = world->students.size() - 51;
    EXPECT_LE(1225 + piled * (piled - 1) / 2, static_cast<size_t>(kMaxStudentOverlaps));
    EXPECT_GT(1225 + piled * (piled + 1) / 2, static_cast<size_t>(kMaxStudentOverlaps));
    EXPECT_EQ(printedBy(editor, GLFW_KEY_M, 20 * 32 + 16, 10 * 32), "") << "beside the pile";

    // 100 km out the ship and the camera still go, but nothing may be placed there.
    b2Body* ship = world->rocket->body;
    const b2Vec2 home = ship->GetPosition();
    ship->SetTransform(b2Vec2(kFarthestObject + 20, home.y), 0);
    editor.step(1);
    EXPECT_EQ(printedBy(editor, GLFW_KEY_C, world->cameraX + 32, 10 * 32),
              "NO CANNON PLACED: TOO FAR OUT\n");
    EXPECT_EQ(printedBy(editor, GLFW_KEY_M, world->cameraX + 32, 10 * 32),
              "NO STUDENT PLACED: TOO FAR OUT\n");
    ship->SetTransform(home, 0);
    editor.step(1);

    while (world->students.size() + world->cannons.size() < kMaxLevelObjects) {
        const int i = static_cast<int>(world->students.size());
        world->students.push_back(
            new Student(2.0f + i % 40, 20.0f + i / 40, world, world->studentSheet));
    }
    EXPECT_EQ(printedBy(editor, GLFW_KEY_M, 5 * 32, 50 * 32),
              "NO STUDENT PLACED: THE LEVEL HOLDS 1000 OBJECTS\n");
    EXPECT_EQ(printedBy(editor, GLFW_KEY_C, 5 * 32, 50 * 32),
              "NO CANNON PLACED: THE LEVEL HOLDS 1000 OBJECTS\n");
    EXPECT_EQ(world->students.size() + world->cannons.size(), 1000u);

    press(editor, GLFW_KEY_S, 0, 0);
    World loaded(64);
    loaded.loadObjects("data/savedobjects");
    EXPECT_EQ(positionsOf(loaded.students), positionsOf(world->students));
    EXPECT_EQ(positionsOf(loaded.cannons), positionsOf(world->cannons));
}

// A student that fell off the map in flight is saved where it is, and loads back from there.
TEST(Editor, AStudentFallenOffTheMapIsSavedAndLoadsBack) {
    REQUIRE_GL();
    InScratchFolder scratch;
    Editor editor;
    World* world = editor.world;
    world->students.push_back(new Student(22.0f, 2.0f, world, world->studentSheet));
    world->editorMode = false;
    for (int step = 0; step < 600 && world->students.front()->body->GetPosition().y > -1; step++) {
        editor.sandbox.tick(1);
    }
    const b2Vec2 fallen = world->students.front()->body->GetPosition();
    ASSERT_LT(fallen.y, -1.0f);

    world->editorMode = true;
    scriptedInput().hold(GLFW_KEY_S);
    editor.step(1);
    World loaded(64);
    loaded.loadObjects("data/savedobjects");
    ASSERT_EQ(loaded.students.size(), 1u);
    EXPECT_EQ(loaded.students.front()->body->GetPosition(), fallen);
}

TEST(Editor, PaintingKindsAndTheirOrder) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    ScriptedInput& input = scriptedInput();
    editor.pointAt(25 * 32 + 10, 18 * 32 + 30);  // tile (25, 18)
    auto paintWith = [&](std::initializer_list<int> buttons, std::initializer_list<int> keys) {
        input.releaseAll();
        for (int b : buttons)
            input.holdButton(b);
        for (int k : keys)
            input.hold(k);
        editor.step(2);
        return world->getTile(25, 18);
    };
    EXPECT_EQ(paintWith({GLFW_MOUSE_BUTTON_LEFT}, {}), Solid);
    EXPECT_EQ(paintWith({GLFW_MOUSE_BUTTON_LEFT}, {GLFW_KEY_D}), Breakable);
    EXPECT_EQ(paintWith({GLFW_MOUSE_BUTTON_LEFT, GLFW_MOUSE_BUTTON_RIGHT}, {}), Empty);
    EXPECT_EQ(paintWith({GLFW_MOUSE_BUTTON_LEFT, GLFW_MOUSE_BUTTON_RIGHT, GLFW_MOUSE_BUTTON_MIDDLE},
                        {GLFW_KEY_D}),
              Backdrop);
    EXPECT_EQ(paintWith({GLFW_MOUSE_BUTTON_LEFT}, {}), Solid);
    EXPECT_EQ(paintWith({}, {}), Solid);  // nothing held paints nothing
    // Painted rock collides at once.
    EXPECT_NE(world->tileBodies[25 + 19 * 64], nullptr);
}

TEST(Editor, ShiftPaintsABlockInsideTheMapOnly) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    scriptedInput().holdButton(GLFW_MOUSE_BUTTON_LEFT);
    scriptedInput().hold(GLFW_KEY_LEFT_SHIFT);
    for (int corner : {1, 63}) {
        editor.pointAt(corner * 32 + 16, corner * 32 + 16);
        editor.step(1);
    }
    int painted = 0;
    for (int i = 0; i < 64 * 64; i++) {
        painted += world->tiles[i] == Solid;
    }
    EXPECT_EQ(painted, 4 + 4);  // (1..2, 1..2) and (62..63, 62..63)
    EXPECT_EQ(world->getTile(2, 2), Solid);
    EXPECT_EQ(world->getTile(62, 62), Solid);
    EXPECT_EQ(world->tiles[0], Empty);
    EXPECT_EQ(world->tiles[1 * 64 + 0], Empty);
}

TEST(Editor, PointerLeftOfTheMapTruncatesTowardZero) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    editor.pointAt(-10, 5 * 32 + 20);
    scriptedInput().holdButton(GLFW_MOUSE_BUTTON_LEFT);
    editor.step(1);
    EXPECT_EQ(world->cursorX, 0.0f);
    EXPECT_EQ(world->cursorY, 5.5f);
    for (int i = 0; i < 64 * 64; i++) {
        ASSERT_EQ(world->tiles[i], Empty) << i;
    }
}

// The 800 x 600 picture fills the window, whatever its size: the placing point stays under the
// pointer and the far corners are reached.
TEST(Editor, PointerFollowsThePictureAtAnyWindowSize) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    ScriptedInput& input = scriptedInput();
    const int left = world->cameraX - 400, top = world->cameraY + 300;  // world pixels
    auto cursorAt = [&](double x, double y) {
        input.pointerX = x;
        input.pointerY = y;
        editor.step(1);
        return b2Vec2(world->cursorX, world->cursorY);
    };
    // 800 x 600: one window pixel is one picture pixel.
    EXPECT_EQ(cursorAt(0, 0), b2Vec2((left / 16) * 0.5f, (top / 16) * 0.5f));
    EXPECT_EQ(cursorAt(799.9, 599.9),
              b2Vec2(((left + 799) / 16) * 0.5f, ((top - 599) / 16) * 0.5f));

    input.windowWidth = 1024;
    input.windowHeight = 768;
    EXPECT_EQ(cursorAt(0, 0), b2Vec2((left / 16) * 0.5f, (top / 16) * 0.5f));
    EXPECT_EQ(cursorAt(1023.9, 767.9),
              b2Vec2(((left + 799) / 16) * 0.5f, ((top - 599) / 16) * 0.5f));
    // Painting lands on the tile drawn under the pointer: tile (25, 18) shows at picture pixel
    // (25 * 32 + 16 - left, top - 18 * 32 - 16), 1.28 window pixels each.
    input.holdButton(GLFW_MOUSE_BUTTON_LEFT);
    cursorAt((25 * 32 + 16 - left) * 1.28, (top - 18 * 32 - 16) * 1.28);
    EXPECT_EQ(world->getTile(25, 18), Solid);
}

TEST(Editor, ArrowKeysMoveTheStillShipAndTheCameraFollows) {
    REQUIRE_GL();
    Editor editor;
    b2Body* body = editor.world->rocket->body;
    body->SetLinearVelocity(b2Vec2(3.0f, -2.0f));
    const b2Vec2 before = body->GetPosition();
    const int cameraBefore = editor.world->cameraX;
    scriptedInput().hold(GLFW_KEY_UP);
    scriptedInput().hold(GLFW_KEY_RIGHT);
    editor.step(1);
    EXPECT_FLOAT_EQ(body->GetPosition().x, before.x + 0.3f);
    EXPECT_FLOAT_EQ(body->GetPosition().y, before.y + 0.3f);
    EXPECT_EQ(body->GetLinearVelocity().LengthSquared(), 0.0f);
    EXPECT_EQ(editor.world->prevCameraX, cameraBefore);
    EXPECT_EQ(editor.world->cameraX, static_cast<int>(body->GetWorldCenter().x * 32));
}

// Tab as main hands it on: update() while flying, edit() while editing.
TEST(Editor, TabEntersAndLeavesOncePerPress) {
    REQUIRE_GL();
    g_mission = 0;
    Sandbox sandbox({"####"}, 64);
    useScriptedInput();
    sandbox.launch(2.5f, 3.0f);
    World* world = sandbox.world;
    auto run = [&](int steps) {
        for (int i = 0; i < steps; i++) {
            world->editorMode ? world->edit() : static_cast<void>(world->update());
        }
        return world->editorMode;
    };
    scriptedInput().hold(GLFW_KEY_TAB);
    EXPECT_TRUE(run(5));  // entered once, not left again while held
    scriptedInput().release(GLFW_KEY_TAB);
    EXPECT_TRUE(run(2));
    scriptedInput().hold(GLFW_KEY_TAB);
    EXPECT_FALSE(run(5));  // left once, not entered again while held
    scriptedInput().release(GLFW_KEY_TAB);
    EXPECT_FALSE(run(2));
    scriptedInput().hold(GLFW_KEY_TAB);
    EXPECT_TRUE(run(1));
    useScriptedInput();
}

// A cannon placed where a struck one was removed may be given the old body's memory. A laser
// lying in that spot, skipped by the flight out of the ship's range, strikes the new cannon too.
TEST(Editor, ACannonPlacedWhereAStruckOneStoodIsStruckToo) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    world->rocket->body->SetType(b2_staticBody);  // the range's centre stays at (20.5, 20.5)
    world->rocket->fuel = 0;
    editor.step(1);
    ScriptedInput& input = scriptedInput();
    auto press = [&](int key) {
        input.hold(key);
        editor.step(1);
        input.releaseAll();
        editor.step(1);
    };
    // 16.5 m left of the ship: in range only by the axes of a cannon turned 45 degrees.
    editor.pointAt(4 * 32 + 5, 20 * 32 + 20);  // placing point (4, 20.5)
    auto placeTurnedCannon = [&]() {
        press(GLFW_KEY_C);
        Cannon* cannon = world->cannons.back();
        cannon->body->SetTransform(cannon->body->GetPosition(), b2_pi / 4);
        return cannon;
    };
    Cannon* first = placeTurnedCannon();
    const b2Body* firstBody = first->body;
    world->shots.push_back(new Shot(3.6f, 20.5f, world, 0, 0, CollisionCategory::Laser));
    auto fly = [&]() {
        world->editorMode = false;
        editor.sandbox.tick(1);
        world->editorMode = true;
    };
    fly();
    EXPECT_LT(first->health, 1.0f);

    press(GLFW_KEY_X);
    ASSERT_TRUE(world->cannons.empty());
    Cannon* second = placeTurnedCannon();
    ASSERT_EQ(second->body, firstBody) << "the case needs the old body's memory reused";
    fly();
    ASSERT_EQ(world->shots.size(), 1u);
    EXPECT_LT(second->health, 1.0f);
}

TEST(Editor, RunsWithoutAShip) {
    REQUIRE_GL();
    Editor editor;
    World* world = editor.world;
    world->rocket->hull = -1.0f;
    world->editorMode = false;
    editor.sandbox.tick(1);
    ASSERT_EQ(world->rocket, nullptr);
    world->editorMode = true;
    const int cameraX = world->cameraX, cameraY = world->cameraY;
    scriptedInput().hold(GLFW_KEY_UP);
    scriptedInput().holdButton(GLFW_MOUSE_BUTTON_LEFT);
    editor.pointAt(30 * 32, 30 * 32);
    editor.step(2);
    EXPECT_EQ(world->cameraX, cameraX);
    EXPECT_EQ(world->cameraY, cameraY);
    EXPECT_EQ(world->getTile(30, 30), Solid);
}

}  // namespace
