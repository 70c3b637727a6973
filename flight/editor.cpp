#include <GLFW/glfw3.h>
#include <box2d/box2d.h>

#include <iostream>
#include <string>

#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/object_list.h"
#include "flight/placed_objects.h"
#include "flight/placement.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/input.h"

namespace {

const float kMoveStep = 0.3f;  // metres the arrow keys move the ship per step
const int kPixelsPerMetre = 32;
const int kPixelsPerPlacingStep = 16;  // the placing point snaps to half metres
const float kMetresPerPlacingStep = 0.5f;
// The picture is 800 x 600 pixels, stretched over the whole window; its centre shows the camera
// point.
const double kScreenWidth = 800.0, kScreenHeight = 600.0;  // pixels
const int kHalfScreenWidth = 400, kHalfScreenHeight = 300;
// Objects whose centre lies closer than this to the placing point are removed by 'X'.
const float kRemoveDistanceSquared = 0.5f;  // m^2

const char* const kSavedMapPath = "data/savedmap.tga";
const char* const kSavedObjectsPath = "data/savedobjects";

// Removes every object of the list whose centre of mass lies near (x, y).
template <class T>
void removeNear(std::list<T*>& objects, float x, float y) {
    const b2Vec2 point(x, y);
    for (auto node = objects.begin(); node != objects.end();) {
        const b2Vec2 offset = (*node)->body->GetWorldCenter() - point;
        if (offset.LengthSquared() < kRemoveDistanceSquared) {
            node = removeObject(objects, node);
        } else {
            ++node;
        }
    }
}

// Whether the World's objects file would keep an object of `kind` placed at (x, y): the one the
// saved file gains goes after every object there now.
Placement placementInSavedFile(const World& world, int kind, float x, float y) {
    PlacedObjects placed;
    for (const Cannon* cannon : world.cannons) {
        const b2Vec2 at = cannon->body->GetPosition();
        placed.place(CollisionCategory::Cannon, at.x, at.y);
    }
    for (const Student* student : world.students) {
        const b2Vec2 at = student->body->GetPosition();
        placed.place(CollisionCategory::Student, at.x, at.y);
    }
    return placed.check(kind, x, y);
}

// Nothing the loader would skip is placed: the level saved must be the level loaded. A refusal
// is said in one line, as a save is, so that a press never seems lost.
bool mayPlace(const World& world, int kind, float x, float y) {
    const Placement placement = placementInSavedFile(world, kind, x, y);
    if (placement == Placement::Fits) {
        return true;
    }
    std::cout << "NO " << (kind == CollisionCategory::Student ? "STUDENT" : "CANNON")
              << " PLACED: ";
    switch (placement) {
        case Placement::Fits:
        case Placement::UnknownKind:
            break;
        case Placement::TooFar:
            std::cout << "TOO FAR OUT";
            break;
        case Placement::OverCap:
            std::cout << "THE LEVEL HOLDS " << kMaxLevelObjects << " OBJECTS";
            break;
        case Placement::TooCrowded:
            std::cout << "TOO MANY STUDENTS OVERLAP HERE";
            break;
    }
    std::cout << std::endl;
    return false;
}

// Window pixels to the picture's own: a full screen of another size stretches the picture. At
// 800 x 600 the scale is exactly 1. A minimised window has no size and is left unscaled.
void toPicturePixels(double* x, double* y) {
    int windowWidth, windowHeight;
    getWindowSize(&windowWidth, &windowHeight);
    if (windowWidth > 0 && windowHeight > 0) {
        *x *= kScreenWidth / windowWidth;
        *y *= kScreenHeight / windowHeight;
    }
}

// The kind the held inputs paint, the later ones overriding the earlier; -1 for none.
int paintKind() {
    int kind = -1;
    if (isMouseButtonDown(GLFW_MOUSE_BUTTON_LEFT)) {
        kind = Solid;
    }
    if (isKeyDown(GLFW_KEY_D)) {
        kind = Breakable;
    }
    if (isMouseButtonDown(GLFW_MOUSE_BUTTON_RIGHT)) {
        kind = Empty;
    }
    if (isMouseButtonDown(GLFW_MOUSE_BUTTON_MIDDLE)) {
        kind = Backdrop;
    }
    return kind;
}

// How a save ends its line: a failed one names what was not saved, so the designer never takes
// the old files on disk for the level on screen.
std::string saveOutcome(bool mapSaved, bool objectsSaved) {
    if (mapSaved && objectsSaved) {
        return "DONE!";
    }
    std::string outcome = "FAILED: ";
    if (!mapSaved) {
        outcome += kSavedMapPath;
    }
    if (!objectsSaved) {
        outcome += mapSaved ? "" : ", ";
        outcome += kSavedObjectsPath;
    }
    return outcome;
}

// The ship hangs still while it is moved by hand; the arrow keys are each tested on their own,
// so that two can act together. Without a ship nothing moves.
void moveShipByHand(b2Body* ship) {
    if (!ship) {
        return;
    }
    ship->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    const b2Vec2 moves[4] = {b2Vec2(0.0f, kMoveStep), b2Vec2(0.0f, -kMoveStep),
                             b2Vec2(-kMoveStep, 0.0f), b2Vec2(kMoveStep, 0.0f)};
    const int keys[4] = {GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_LEFT, GLFW_KEY_RIGHT};
    for (int i = 0; i < 4; i++) {
        if (isKeyDown(keys[i])) {
            ship->SetTransform(ship->GetPosition() + moves[i], ship->GetAngle());
        }
    }
}

// The camera follows the ship as in flight; without one it stays.
void followShip(World& world, const b2Body* ship) {
    world.prevCameraX = world.cameraX;
    world.prevCameraY = world.cameraY;
    if (ship) {
        const b2Vec2 centre = ship->GetWorldCenter();
        world.cameraX = static_cast<int32_t>(centre.x * kPixelsPerMetre);
        world.cameraY = static_cast<int32_t>(centre.y * kPixelsPerMetre);
    }
}

// Both files, on every step while 'S' is held, each save one line.
void saveWhileHeld(World& world) {
    if (!isKeyDown(GLFW_KEY_S)) {
        return;
    }
    std::cout << "SAVING MAP...";
    const bool mapSaved = world.saveMap(kSavedMapPath);
    const bool objectsSaved = world.saveObjects(kSavedObjectsPath);
    std::cout << saveOutcome(mapSaved, objectsSaved) << std::endl;
}

struct Tile {
    int x, y;
};

// The world pixel under the pointer gives the tile to paint and the half-metre placing point,
// which the World keeps; every division truncates toward zero.
Tile readPointer(World& world) {
    double pointerX, pointerY;
    getPointerPosition(&pointerX, &pointerY);
    toPicturePixels(&pointerX, &pointerY);
    const int px = world.cameraX - kHalfScreenWidth + static_cast<int>(pointerX);
    const int py = world.cameraY + kHalfScreenHeight - static_cast<int>(pointerY);
    world.cursorX = (px / kPixelsPerPlacingStep) * kMetresPerPlacingStep;
    world.cursorY = (py / kPixelsPerPlacingStep) * kMetresPerPlacingStep;
    return Tile{px / kPixelsPerMetre, py / kPixelsPerMetre};
}

enum class Command { None, Leave, PlaceStudent, PlaceCannon, Remove };

// Only the first held of Tab, M, C, X counts.
Command heldCommand() {
    if (isKeyDown(GLFW_KEY_TAB)) {
        return Command::Leave;
    }
    if (isKeyDown(GLFW_KEY_M)) {
        return Command::PlaceStudent;
    }
    if (isKeyDown(GLFW_KEY_C)) {
        return Command::PlaceCannon;
    }
    if (isKeyDown(GLFW_KEY_X)) {
        return Command::Remove;
    }
    return Command::None;
}

void runCommand(World& world, Command command) {
    const float x = world.cursorX;
    const float y = world.cursorY;
    switch (command) {
        case Command::None:
            break;
        case Command::Leave:
            world.editorMode = false;
            break;
        case Command::PlaceStudent:
            if (mayPlace(world, CollisionCategory::Student, x, y)) {
                world.students.push_back(new Student(x, y, &world, world.studentSheet));
            }
            break;
        case Command::PlaceCannon:
            if (mayPlace(world, CollisionCategory::Cannon, x, y)) {
                world.cannons.push_back(
                    new Cannon(x, y, &world, world.cannonSheet, world.gunTexture));
            }
            break;
        case Command::Remove:
            removeNear(world.cannons, x, y);
            removeNear(world.students, x, y);
            break;
    }
}

// Each command acts once per press: the latch holds until none of the four keys is held.
void commandKeys(World& world) {
    const Command command = heldCommand();
    if (command == Command::None) {
        world.keyLatch = false;
        return;
    }
    if (!world.keyLatch) {
        runCommand(world, command);
    }
    world.keyLatch = true;
}

// On every step while an input is held, only inside the map; the terrain collision is rebuilt
// at once, so that it matches the paint when the flight resumes.
void paint(World& world, Tile tile) {
    const int kind = paintKind();
    if (kind < 0 || tile.x < 1 || tile.x > world.width - 1 || tile.y < 1 ||
        tile.y > world.height - 1) {
        return;
    }
    world.setTile(tile.x, tile.y, kind);
    if (isKeyDown(GLFW_KEY_LEFT_SHIFT)) {
        const int neighbours[8][2] = {{1, 1},  {1, 0},  {1, -1}, {-1, -1},
                                      {-1, 1}, {-1, 0}, {0, 1},  {0, -1}};
        for (const auto& d : neighbours) {
            world.setTile(tile.x + d[0], tile.y + d[1], kind);
        }
    }
    world.updateTileBodies();
}

}  // namespace

void World::edit() {
    b2Body* ship = rocket ? rocket->body : nullptr;
    moveShipByHand(ship);
    followShip(*this, ship);
    saveWhileHeld(*this);
    const Tile underPointer = readPointer(*this);
    commandKeys(*this);
    paint(*this, underPointer);
}
