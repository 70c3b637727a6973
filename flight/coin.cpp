#include "flight/coin.h"

#include <cstdlib>

#include "drawing/sprite_sheet.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/tile_kind.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const float kLinearDamping = 0.3f;
const float kRadius = 0.1f;       // m
const float kRestitution = 1.0f;  // keeps its speed at each bounce
const uint16_t kMask =
    CollisionCategory::Terrain | CollisionCategory::Rocket | CollisionCategory::Cannon;

const float kPhaseStep = 0.2f;  // per update: a new frame every 5 updates
const float kPhaseCycle = 4.0f;
const float kPullRange = 2.0f;  // m from the ship's centre of mass
const float kPullShare = 0.5f;  // of the way from the velocity to the offset, per update

const float kPixelsPerMetre = 32.0f;

// Tiles tried around the spawn point, as offsets to it: its own, then right and round
// counter-clockwise; the last one is taken when all the others are rock.
const int kCandidateCount = 9;
const int kCandidates[kCandidateCount][2] = {{0, 0},  {1, 0},   {1, 1},  {0, 1}, {-1, 1},
                                             {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

// A launch speed along one axis from one rand() draw: -1.98 to 2.0 m/s.
float launchSpeed(int r) {
    return 2.0f * (1.0f - static_cast<float>(r % 200) / 100.0f);
}

}  // namespace

Coin::Coin(float x, float y, World* world, SpriteSheet* sheet)
    : body(nullptr), sheet(sheet), collected(false), world(world) {
    mirror = (rand() & 1) != 0;
    phase = static_cast<float>(rand() % 100) / 100.0f;

    int tileX = 0;
    int tileY = 0;
    for (int i = 0; i < kCandidateCount; ++i) {
        tileX = static_cast<int>(x + static_cast<float>(kCandidates[i][0]));
        tileY = static_cast<int>(y + static_cast<float>(kCandidates[i][1]));
        if (!isSolidTile(world->getTile(tileX, tileY))) {
            break;
        }
    }

    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(static_cast<float>(tileX), static_cast<float>(tileY));
    bodyDef.linearDamping = kLinearDamping;
    bodyDef.fixedRotation = true;
    body = world->physics->CreateBody(&bodyDef);

    b2CircleShape shape;
    shape.m_radius = kRadius;
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = 0.0f;
    fixtureDef.restitution = kRestitution;
    fixtureDef.density = 1.0f;
    fixtureDef.filter.categoryBits = CollisionCategory::Coin;
    fixtureDef.filter.maskBits = kMask;
    body->CreateFixture(&fixtureDef);
    setUserData(body, this);

    const int r1 = rand();
    const int r2 = rand();
    body->SetLinearVelocity(b2Vec2(launchSpeed(r2), launchSpeed(r1)));
}

void Coin::update() {
    phase += kPhaseStep;
    if (phase > kPhaseCycle) {
        phase -= kPhaseCycle;
    }
    if (collected) {
        body->GetWorld()->DestroyBody(body);
        body = nullptr;
        return;
    }
    if (!world->rocket) {
        return;
    }
    const b2Vec2 offset = world->rocket->body->GetWorldCenter() - body->GetWorldCenter();
    if (offset.Length() < kPullRange) {
        const b2Vec2 v = body->GetLinearVelocity();
        body->SetLinearVelocity(v + kPullShare * (offset - v));
    }
}

void Coin::draw() {
    const b2Vec2 p = body->GetPosition();
    sheet->draw(static_cast<int>(phase), 0, static_cast<int>(p.x * kPixelsPerMetre),
                static_cast<int>(p.y * kPixelsPerMetre), mirror, 0);
}
