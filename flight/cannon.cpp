#include "flight/cannon.h"

#include <algorithm>
#include <cstdlib>

#include "campaign/sounds.h"
#include "drawing/sprite_sheet.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/explosion.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/tile_kind.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const double kFullTurn = 6.2832;     // radians
const float kAngularDamping = 5.0f;  // keeps the barrel's swing slow
const float kBaseRadius = 0.5f;      // m
const float kFriction = 0.5f;
const float kRestitution = 0.5f;
const uint16_t kBaseMask = CollisionCategory::Rocket | CollisionCategory::Laser;

const float kTurnTorque = 1.0f;  // N m
const float kPhaseStep = 0.01f;  // per update, single precision: fires every 201 updates
const float kFirePhase = 2.0f;
const b2Vec2 kMuzzle(0.0f, -1.0f);        // base frame, m: the barrel points along -y
const b2Vec2 kBallVelocity(0.0f, -2.0f);  // base frame, m/s

const int kPuffCount = 10;
const double kPuffRadius = 0.5;  // m
const double kPuffRate = 0.02;   // age per update
const int kPuffFrames = 11;
const int kCoinCount = 5;

const float kPixelsPerMetre = 32.0f;
const float kDegreesPerRadian = 57.2957795f;
const float kGunSize = 64.0f;         // pixels, square image
const float kGunHalfWidth = 32.0f;    // pixels
const float kGunOutReach = 52.0f;     // pixels beyond the centre just after a shot
const float kRecoilPerPhase = 16.0f;  // pixels the barrel slides out per unit of phase
const float kRecoilEndPhase = 0.5f;

// A puff's speed along one axis from one rand() draw: -2.475 to 2.5 m/s.
float puffSpeed(int r) {
    return static_cast<float>((100 - r % 200) * 2.5 / 100.0);
}

}  // namespace

Cannon::Cannon(float x, float y, World* world, SpriteSheet* sheet, GLuint gunTexture)
    : shake(0), body(nullptr), sheet(sheet), gunTexture(gunTexture), world(world) {
    const float angle = static_cast<float>((rand() % 100) * kFullTurn / 100.0);

    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(x, y);
    bodyDef.angle = angle;
    bodyDef.angularDamping = kAngularDamping;
    body = world->physics->CreateBody(&bodyDef);

    b2CircleShape shape;
    shape.m_radius = kBaseRadius;
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = kFriction;
    fixtureDef.restitution = kRestitution;
    fixtureDef.density = 1.0f;
    fixtureDef.filter.categoryBits = CollisionCategory::Cannon;
    fixtureDef.filter.maskBits = kBaseMask;
    body->CreateFixture(&fixtureDef);
    setUserData(body, this);

    // The base turns freely on a pin to a fixture-less static anchor.
    b2BodyDef anchorDef;
    anchorDef.type = b2_staticBody;
    b2Body* anchor = world->physics->CreateBody(&anchorDef);
    b2RevoluteJointDef pin;
    pin.Initialize(body, anchor, body->GetPosition());
    world->physics->CreateJoint(&pin);

    health = 1.0f;
    phase = static_cast<float>(rand() % 100) / 100.0f;
    shake = 0;
}

void Cannon::update() {
    if (shake > 0) {
        shake -= 1;
    }
    if (world->rocket) {
        turnTowardShip();
    }
    phase = phase + kPhaseStep;
    if (phase >= kFirePhase) {
        phase = 0.0f;
        fire();
    }
    if (health < 0.0f) {
        burst();
    }
}

void Cannon::turnTowardShip() {
    const b2Vec2 offset = world->rocket->body->GetPosition() - body->GetPosition();
    const float p = b2Dot(offset, body->GetTransform().q.GetXAxis());
    if (p > 0.0f) {
        body->ApplyTorque(kTurnTorque, true);
    } else if (p < 0.0f) {
        body->ApplyTorque(-kTurnTorque, true);
    }
}

void Cannon::fire() {
    const b2Vec2 muzzle = body->GetWorldPoint(kMuzzle);
    if (world->getTile(static_cast<int>(muzzle.x), static_cast<int>(muzzle.y)) == Solid) {
        return;
    }
    playSound(g_soundShot2);
    const b2Vec2 velocity = body->GetWorldVector(kBallVelocity);
    world->shots.push_back(
        new Shot(muzzle.x, muzzle.y, world, velocity.x, velocity.y, CollisionCategory::CannonBall));
}

void Cannon::burst() {
    const b2Vec2 centre = body->GetWorldCenter();
    for (int i = 0; i < kPuffCount; ++i) {
        const int r1 = rand();
        const int r2 = rand();
        world->explosions.push_back(new Explosion(world, world->explosionSheet, centre.x, centre.y,
                                                  kPuffRadius, kPuffRate, kPuffFrames,
                                                  puffSpeed(r2), puffSpeed(r1)));
    }
    for (int i = 0; i < kCoinCount; ++i) {
        world->coins.push_back(new Coin(centre.x, centre.y, world, world->coinSheet));
    }
    body->GetWorld()->DestroyBody(body);  // takes the pin with it; the anchor stays
    body = nullptr;
    playSound(g_soundExplosion);
}

void Cannon::draw() {
    const b2Vec2 p = body->GetPosition();
    glPushMatrix();
    if (shake > 0) {
        const int r1 = rand();
        const int r2 = rand();
        glTranslatef(static_cast<float>(r2 % (2 * shake) - shake),
                     static_cast<float>(r1 % (2 * shake) - shake), 0.0f);
    }
    sheet->draw(0, 0, static_cast<int>(p.x * kPixelsPerMetre),
                static_cast<int>(p.y * kPixelsPerMetre), false, shake);

    glTranslatef(p.x * kPixelsPerMetre, p.y * kPixelsPerMetre, 0.0f);
    glRotatef(body->GetAngle() * kDegreesPerRadian, 0.0f, 0.0f, 1.0f);
    glTranslatef(-kGunHalfWidth, -kGunOutReach - kRecoilPerPhase * std::min(phase, kRecoilEndPhase),
                 0.0f);
    glBindTexture(GL_TEXTURE_2D, gunTexture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(kGunSize, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(kGunSize, kGunSize);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, kGunSize);
    glEnd();
    glPopMatrix();
}
