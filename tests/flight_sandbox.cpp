#include "tests/flight_sandbox.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "campaign/campaign_state.h"
#include "flight/collision_category.h"
#include "flight/placement.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "platform/scripted_input.h"
#include "tests/test_support.h"

namespace {

const float kPixelsPerMetre = 32.0f;

int tileKindOf(char c) {
    switch (c) {
        case '-':
            return Backdrop;
        case '=':
            return Backdrop2;
        case '%':
            return Breakable;
        case '#':
            return Solid;
        default:
            return Empty;
    }
}

// The sandbox reads the mission as it is built.
std::vector<std::string> noTilesFor(int mission) {
    g_mission = mission;
    return {};
}

}  // namespace

void FlightTest::SetUp() {
    CampaignTest::SetUp();
    g_mission = 0;
    std::srand(seed_);
}

void FlightTest::TearDown() {
    scriptedInput().releaseAll();
}

Sandbox::Sandbox(const std::vector<std::string>& picture, int size) {
    if (g_mission == -1) {
        g_mission = 0;
    }
    world = new World(size);
    world->clearMap();
    int rows = static_cast<int>(picture.size());
    for (int row = 0; row < rows; row++) {
        int y = rows - row;
        const std::string& line = picture[row];
        for (size_t i = 0; i < line.size(); i++) {
            world->setTile(1 + static_cast<int>(i), y, tileKindOf(line[i]));
        }
    }
    world->physics->SetContactListener(&listener);
}

Sandbox::~Sandbox() {
    delete world;
}

void Sandbox::launch(float x, float y) {
    launchShip(world);
    b2Body* body = world->rocket->body;
    body->SetTransform(b2Vec2(x, y), 0.0f);
    body->SetLinearVelocity(b2Vec2(0, 0));
    body->SetAngularVelocity(0);
    b2Vec2 centre = body->GetWorldCenter();
    world->cameraX = world->prevCameraX = static_cast<int>(centre.x * kPixelsPerMetre);
    world->cameraY = world->prevCameraY = static_cast<int>(centre.y * kPixelsPerMetre);
    world->updateTileBodies();
}

int Sandbox::tick(int steps) {
    for (int i = 0; i < steps; i++) {
        int result = world->update();
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

MissionScene::MissionScene(int mission, int size) : sandbox(noTilesFor(mission), size) {}

void MissionScene::draw() {
    beginFrame();
    sandbox.world->draw();
}

bool terrainAt(World* world, float x, float y) {
    for (b2Body* body = world->physics->GetBodyList(); body; body = body->GetNext()) {
        for (b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext()) {
            if (f->GetFilterData().categoryBits == CollisionCategory::Terrain &&
                f->TestPoint(b2Vec2(x, y))) {
                return true;
            }
        }
    }
    return false;
}

std::vector<uint8_t> objectsFile(const std::vector<ObjectRecord>& records) {
    std::vector<uint8_t> bytes;
    bytes.reserve(records.size() * kObjectRecordSize);
    for (const ObjectRecord& record : records) {
        appendObjectRecord(bytes, record);
    }
    return bytes;
}

// Two convex outlines sink into each other as deep as the least overlap of their shadows on the
// normals of their edges; two upright kites of one shape share those normals.
bool studentsOverlap(b2Vec2 a, b2Vec2 b) {
    const double offsetX = static_cast<double>(b.x) - a.x;  // exact, even far out
    const double offsetY = static_cast<double>(b.y) - a.y;
    double depth = INFINITY;
    for (int i = 0; i < kStudentKiteCorners; i++) {
        const float* from = kStudentKite[i];
        const float* to = kStudentKite[(i + 1) % kStudentKiteCorners];
        const double length = std::hypot(to[0] - from[0], to[1] - from[1]);
        const double nx = (to[1] - from[1]) / length, ny = (from[0] - to[0]) / length;
        double lowA = INFINITY, highA = -INFINITY, lowB = INFINITY, highB = -INFINITY;
        for (const float* corner : kStudentKite) {
            const double alongA = corner[0] * nx + corner[1] * ny;
            const double alongB = alongA + offsetX * nx + offsetY * ny;
            lowA = std::min(lowA, alongA);
            highA = std::max(highA, alongA);
            lowB = std::min(lowB, alongB);
            highB = std::max(highB, alongB);
        }
        depth = std::min(depth, std::min(highA, highB) - std::max(lowA, lowB));
    }
    return depth > kOverlapAllowance;
}

void LevelFileTest::SetUp() {
    g_mission = 0;
    dir = makeScratchDir();
}

std::string LevelFileTest::writeAndLoad(World& world, const char* name,
                                        const std::vector<uint8_t>& file) {
    writeBytes(path(name), file);
    testing::internal::CaptureStdout();
    world.loadObjects(path(name).c_str());
    return testing::internal::GetCapturedStdout();
}
