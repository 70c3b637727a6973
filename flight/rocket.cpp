#include "flight/rocket.h"

#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdlib>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "flight/collision_category.h"
#include "flight/particle.h"
#include "flight/shot.h"
#include "flight/user_data.h"
#include "flight/world.h"
#include "platform/input.h"

namespace {

// The hull, in body metres, nose along +y; about the drawn ship at its resting scale.
const b2Vec2 kHull[] = {{0.3515625f, -0.7425f}, {0.5859375f, -0.375f}, {0.3515625f, 0.375f},
                        {0.0f, 0.7425f},        {-0.3515625f, 0.375f}, {-0.5859375f, -0.375f},
                        {-0.3515625f, -0.7425f}};
const float kAngularDamping = 3.0f;
const float kHullFriction = 1.0f;
const float kHullRestitution = 0.2f;

const float kPulseDecay = 0.925f;  // per step
const float kAirDrag = 0.5f;       // times the air density
const float kWaterLift = 20.0f;    // times the strength of gravity
const float kWaterDrag = 5.0f;
const float kCooldownPerStep = 0.1f;  // single precision: ten steps take -1 just above 0
const float kCooldownAfterShot = -1.0f;
const float kLaserSpeed = 20.0f;               // m/s out of the nose, on top of the ship's velocity
const float kThrustPerLevel = 40.0f;           // N, on the steps that thrust
const float kFuelPerThrust = 0.0004f;          // per thrust level
const float kNozzleOffset = 0.4875f;           // m behind the centre of mass
const float kExhaustSpeed = 6.0f;              // m/s backward from the ship
const float kTorquePerLevel = 135.0f * 0.25f;  // N m

const float kLowerHull = -0.5f;       // m along the up axis: contacts below land on the legs
const float kLegsAbsorb = 2.0f;       // m/s of approach speed the legs take without harm
const float kHitSoundAbove = 1.0f;    // m/s of damaging speed
const float kDamagePerSpeed = 0.02f;  // hull per m/s per kg
const int kShakePerSpeed = 4;         // steps per m/s

const float kPixelsPerMetre = 32.0f;
const float kRestingScale = 0.75f;
const float kDegreesPerRadian = 57.2957795f;
const float kImageWidth = 50.0f;  // pixels of the picture used, of its 64 columns
const float kImageHeight = 64.0f;
const float kImageU = 50.0f / 64.0f;

}  // namespace

Rocket::Rocket(float x, float y, World* world, GLuint texture)
    : shake(0),
      body(nullptr),
      hull(0),
      fuel(0),
      fireRequest(false),
      fireKeyDown(true),  // the key that confirmed the shop must be let go first
      pulse(0),
      gunCooldown(0),
      texture(texture),
      world(world) {
    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(x, y);
    bodyDef.angularDamping = kAngularDamping;
    body = world->physics->CreateBody(&bodyDef);

    b2PolygonShape shape;
    shape.Set(kHull, sizeof kHull / sizeof kHull[0]);
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = kHullFriction;
    fixtureDef.restitution = kHullRestitution;
    fixtureDef.density = 1.0f;
    fixtureDef.filter.categoryBits = CollisionCategory::Rocket;
    fixtureDef.filter.maskBits = 0xFFFF;
    fixtureDef.filter.groupIndex = 0;
    body->CreateFixture(&fixtureDef);
    setUserData(body, this);
}

void Rocket::update() {
    const int m = g_mission;
    const float gravity = g_gravity[m];
    const float density = g_airDensity[m];
    const float mass = body->GetMass();
    const b2Vec2 centre = body->GetWorldCenter();
    const b2Vec2 velocity = body->GetLinearVelocity();
    const b2Vec2 up = body->GetWorldVector(b2Vec2(0, 1));
    // Whole metres per second: below 1 m/s there is no drag at all.
    const float dragX = std::fabs(std::trunc(velocity.x));
    const float dragY = std::fabs(std::trunc(velocity.y));

    // The shaking and the swell after a boarding wear off.
    if (shake > 0) {
        shake -= 1;
    }
    pulse *= kPulseDecay;

    // Gravity.
    body->ApplyForce(b2Vec2(0, mass * gravity), centre, true);

    // Lift and drag of air or water; the lift does not scale with the mass.
    if (centre.y > g_waterLevel[m]) {
        body->ApplyForce(b2Vec2(0, -gravity * density), centre, true);
        body->ApplyForce(b2Vec2(-velocity.x * dragX * kAirDrag * density,
                                -velocity.y * dragY * kAirDrag * density),
                         centre, true);
    } else {
        body->ApplyForce(b2Vec2(0, -gravity * kWaterLift), centre, true);
        body->ApplyForce(b2Vec2(-velocity.x * dragX * kWaterDrag, -velocity.y * dragY * kWaterDrag),
                         centre, true);
    }

    // An empty ship only falls and drifts.
    if (fuel <= 0) {
        return;
    }

    // The gun cools; a press is latched until the gun is ready, and a held key fires once.
    gunCooldown += kCooldownPerStep;
    bool fireKey = isKeyDown(GLFW_KEY_Z);
    if (fireKey && !fireKeyDown) {
        fireRequest = true;
        fireKeyDown = true;
    } else if (!fireKey) {
        fireKeyDown = false;
    }
    if (fireRequest && gunCooldown >= 0) {
        playSound(g_soundShot);
        gunCooldown = kCooldownAfterShot;
        world->shots.push_back(new Shot(centre.x, centre.y, world, velocity.x + kLaserSpeed * up.x,
                                        velocity.y + kLaserSpeed * up.y, CollisionCategory::Laser));
        fireRequest = false;
    }

    // Thrust, on the steps where rand() is odd: about half of those with the key held.
    if (isKeyDown(GLFW_KEY_UP)) {
        int r = std::rand();
        if ((r & 1) && fuel > 0) {
            body->ApplyForce(kThrustPerLevel * g_thrustLevel * up, centre, true);
            b2Vec2 nozzle = centre - kNozzleOffset * up;
            world->particles.push_back(new Particle(nozzle.x, nozzle.y, world,
                                                    velocity.x - kExhaustSpeed * up.x,
                                                    velocity.y - kExhaustSpeed * up.y));
            fuel -= g_thrustLevel * kFuelPerThrust;
        }
    }

    // Turning; both keys cancel out.
    if (isKeyDown(GLFW_KEY_LEFT)) {
        body->ApplyTorque(g_turnLevel * kTorquePerLevel, true);
    }
    if (isKeyDown(GLFW_KEY_RIGHT)) {
        body->ApplyTorque(-g_turnLevel * kTorquePerLevel, true);
    }
}

void Rocket::impact(float speed, float contactHeight) {
    float damaging = speed;
    if (contactHeight < kLowerHull) {
        damaging = speed - kLegsAbsorb;
    }
    if (damaging <= 0) {
        return;
    }
    if (damaging > kHitSoundAbove) {
        playSound(g_soundHit);
    }
    hull -= kDamagePerSpeed * damaging * body->GetMass();
    shake = static_cast<int32_t>(kShakePerSpeed * damaging);
}

void Rocket::draw() {
    // A hit flashes the ship white: fog from -1 to 0 covers everything.
    if (shake > 0) {
        glEnable(GL_FOG);
        glFogf(GL_FOG_START, -1.0f);
        glFogf(GL_FOG_END, 0.0f);
    }

    // At the body's origin, jittered by whole pixels while shaking, swollen by the pulse and
    // turned with the body, the picture centred there.
    glPushMatrix();
    b2Vec2 position = body->GetPosition();
    glTranslatef(position.x * kPixelsPerMetre, position.y * kPixelsPerMetre, 0);
    if (shake > 0) {
        int r1 = std::rand();
        int r2 = std::rand();
        glTranslatef(static_cast<float>(r2 % (2 * shake) - shake),
                     static_cast<float>(r1 % (2 * shake) - shake), 0);
    }
    float scale = kRestingScale + pulse;
    glScalef(scale, scale, 1);
    glRotatef(body->GetAngle() * kDegreesPerRadian, 0, 0, 1);
    glTranslatef(-kImageWidth / 2, -kImageHeight / 2, 0);

    // The left 50 of the picture's 64 columns.
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(kImageU, 0);
    glVertex2f(kImageWidth, 0);
    glTexCoord2f(kImageU, 1);
    glVertex2f(kImageWidth, kImageHeight);
    glTexCoord2f(0, 1);
    glVertex2f(0, kImageHeight);
    glEnd();

    // Back to the world's transform, and no fog whether or not the ship flashed.
    glPopMatrix();
    glDisable(GL_FOG);
}
