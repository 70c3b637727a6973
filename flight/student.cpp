#include "flight/student.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/sprite_sheet.h"
#include "flight/collision_category.h"
#include "flight/explosion.h"
#include "flight/rocket.h"
#include "flight/tile_kind.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const float kFriction = 1.0f;
const float kRestitution = 0.1f;

const float kPhaseStep = 0.1f;  // per update
const float kPhaseCycle = 4.0f;
const float kLifeRegain = 0.1f;  // per update, up to 1

// The death puff, drawn from the student sheet.
const double kPuffRadius = 0.325;  // m
const double kPuffRate = 0.03;     // age per update
const int kPuffFrames = 4;
const int kPuffRow = 1;

// The landed-ship test: the ship's origin stands this far above the student's on flat ground.
const float kShipStandHeight = 0.5f;  // m
const float kSameLevel = 0.25f;       // m
const float kStillTurn = 0.05f;       // rad/s
const float kStillSpeed = 0.05f;      // m/s
const int kSightRange = 10;           // whole metres
const float kBoardingReach = 1.0f;    // m
const float kWalkStep = 0.01f;        // m per update
const float kHalfTile = 0.5f;         // m: rounds a point to its nearest cell corner

// Corner bits of the terrain cell under the walking student (bit 0 top-left ... bit 3
// bottom-right, set for Solid): only a flat floor lets it walk.
const int kFlatFloor = 12;

// Refills on boarding.
const float kHullRefill = 0.3f;
const float kFuelRefill = 0.2f;
const float kFuelRefillShare = 0.75f;  // of the tank's level
const float kBoardingPulse = 0.2f;

const float kPixelsPerMetre = 32.0f;
const int kWalkingRow = 3;
const int kStandingRow = 2;

}  // namespace

Student::Student(float x, float y, World* world, SpriteSheet* sheet)
    : body(nullptr), sheet(sheet), life(1.0f), walking(false), world(world) {
    const int r1 = rand();
    facingLeft = (r1 & 1) != 0;
    const int r2 = rand();
    phase = static_cast<float>(r2 % 100) * 4.0f / 100.0f;

    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(x, y);
    bodyDef.fixedRotation = true;
    body = world->physics->CreateBody(&bodyDef);

    b2Vec2 kite[kStudentKiteCorners];
    for (int i = 0; i < kStudentKiteCorners; i++) {
        kite[i].Set(kStudentKite[i][0], kStudentKite[i][1]);
    }
    b2PolygonShape shape;
    shape.Set(kite, kStudentKiteCorners);
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = kFriction;
    fixtureDef.restitution = kRestitution;
    fixtureDef.density = 1.0f;
    fixtureDef.filter.categoryBits = CollisionCategory::Student;
    fixtureDef.filter.maskBits = 0xFFFF;
    body->CreateFixture(&fixtureDef);
    setUserData(body, this);
}

void Student::update() {
    walking = false;
    phase += kPhaseStep;
    if (phase > kPhaseCycle) {
        phase -= kPhaseCycle;
    }
    body->ApplyForce(b2Vec2(0.0f, body->GetMass() * g_gravity[g_mission]), body->GetWorldCenter(),
                     true);
    if (life < 1.0f) {
        life += kLifeRegain;
    }
    if (life < 0.0f) {
        die();
        return;
    }
    if (!world->rocket) {
        return;
    }

    const b2Vec2 ship = world->rocket->body->GetPosition();
    const b2Vec2 p = body->GetPosition();
    const float dx = ship.x - p.x;
    facingLeft = dx < 0.0f;
    if (!seesLandedShip(dx)) {
        return;
    }
    walking = true;
    if (dx > kBoardingReach) {
        walk(kWalkStep);
    } else if (dx < -kBoardingReach) {
        walk(-kWalkStep);
    } else {
        board();
    }
}

bool Student::seesLandedShip(float dx) const {
    const b2Body* ship = world->rocket->body;
    const float dy = (ship->GetPosition().y - kShipStandHeight) - body->GetPosition().y;
    if (std::fabs(dy) >= kSameLevel) {
        return false;
    }
    if (std::fabs(ship->GetAngularVelocity()) >= kStillTurn) {
        return false;
    }
    if (ship->GetLinearVelocity().Length() >= kStillSpeed) {
        return false;
    }
    return std::abs(static_cast<int>(dx)) < kSightRange;
}

void Student::walk(float step) {
    const b2Vec2 p = body->GetPosition();
    const int cx = static_cast<int>(p.x + kHalfTile + step);
    const int cy = static_cast<int>(p.y + kHalfTile);
    const int corners[4] = {world->getTile(cx - 1, cy), world->getTile(cx, cy),
                            world->getTile(cx - 1, cy - 1), world->getTile(cx, cy - 1)};
    int mask = 0;
    for (int i = 0; i < 4; ++i) {
        if (corners[i] == Solid) {
            mask |= 1 << i;
        }
    }
    if (mask == kFlatFloor) {
        body->SetTransform(b2Vec2(p.x + step, p.y), 0.0f);
    }
}

void Student::board() {
    playSound(g_soundPickup);
    body->GetWorld()->DestroyBody(body);
    body = nullptr;
    Rocket* ship = world->rocket;
    ship->hull = std::min(ship->hull + kHullRefill, static_cast<float>(g_hullLevel));
    ship->fuel =
        std::min(ship->fuel + kFuelRefill, static_cast<float>(g_fuelLevel) * kFuelRefillShare);
    ship->pulse = kBoardingPulse;
    world->studentsRescued += 1;
}

void Student::die() {
    const b2Vec2 centre = body->GetWorldCenter();
    const b2Vec2 velocity = body->GetLinearVelocity();
    Explosion* puff = new Explosion(world, world->studentSheet, centre.x, centre.y, kPuffRadius,
                                    kPuffRate, kPuffFrames, velocity.x, velocity.y);
    puff->row = kPuffRow;
    world->explosions.push_back(puff);
    world->studentsKilled += 1;
    body->GetWorld()->DestroyBody(body);
    body = nullptr;
}

void Student::draw() {
    const b2Vec2 p = body->GetPosition();
    const int x = static_cast<int>(p.x * kPixelsPerMetre);
    const int y = static_cast<int>(p.y * kPixelsPerMetre);
    if (walking) {
        sheet->draw(static_cast<int>(phase), kWalkingRow, x, y, facingLeft, 0);
    } else {
        sheet->draw(static_cast<int>(0.5f * phase), kStandingRow, x, y, facingLeft, 0);
    }
}
