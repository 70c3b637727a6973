#include "flight/shot.h"

#include <GL/gl.h>

#include <algorithm>

#include "drawing/sprite_sheet.h"
#include "flight/collision_category.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const int kLaserLife = 45;        // updated steps
const int kCannonBallLife = 480;  // updated steps
const uint16_t kLaserMask =
    CollisionCategory::Terrain | CollisionCategory::Student | CollisionCategory::Cannon;
const uint16_t kCannonBallMask =
    CollisionCategory::Terrain | CollisionCategory::Rocket | CollisionCategory::Student;

// Shots collide as points; with no area the body would have no mass, so it is given 1 kg,
// the mass every shot flies and strikes with.
const float kShotMass = 1.0f;  // kg

const float kPixelsPerMetre = 32.0f;
const float kLaserWidth = 4.0f;  // pixels
const GLfloat kLaserColour[3] = {0.9f, 1.0f, 0.8f};

}  // namespace

Shot::Shot(float x, float y, World* world, float vx, float vy, int type)
    : body(nullptr), life(0), world(world), type(type), prevX(x), prevY(y) {
    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(x, y);
    bodyDef.fixedRotation = true;
    body = world->physics->CreateBody(&bodyDef);

    b2CircleShape shape;
    shape.m_radius = 0.0f;
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = 0.0f;
    fixtureDef.restitution = 1.0f;
    fixtureDef.density = 1.0f;
    if (type == CollisionCategory::Laser) {
        fixtureDef.filter.categoryBits = CollisionCategory::Laser;
        fixtureDef.filter.maskBits = kLaserMask;
        life = kLaserLife;
    } else if (type == CollisionCategory::CannonBall) {
        fixtureDef.filter.categoryBits = CollisionCategory::CannonBall;
        fixtureDef.filter.maskBits = kCannonBallMask;
        life = kCannonBallLife;
    }
    body->CreateFixture(&fixtureDef);
    b2MassData mass;
    mass.mass = kShotMass;
    mass.center.SetZero();
    mass.I = 0.0f;
    body->SetMassData(&mass);

    setUserData(body, this);
    body->SetLinearVelocity(b2Vec2(vx, vy));
    body->SetBullet(true);
    world->physics->SetContinuousPhysics(true);
}

void Shot::update() {
    if (life > 0) {
        life -= 1;
        const b2Vec2 centre = body->GetWorldCenter();
        prevX = centre.x;
        prevY = centre.y;
        return;
    }
    body->GetWorld()->DestroyBody(body);
    body = nullptr;
}

bool Shot::firstStrikeOn(const b2Body* target) {
    if (std::find(struck.begin(), struck.end(), target) != struck.end()) {
        return false;
    }
    struck.push_back(target);
    return true;
}

void Shot::draw() {
    const b2Vec2 centre = body->GetWorldCenter();
    if (type == CollisionCategory::Laser) {
        // The tail is where the shot stood on the screen a step ago, under that step's camera.
        glLineWidth(kLaserWidth);
        glDisable(GL_TEXTURE_2D);
        glColor3fv(kLaserColour);
        glBegin(GL_LINES);
        glVertex2f(
            prevX * kPixelsPerMetre + static_cast<float>(world->cameraX - world->prevCameraX),
            prevY * kPixelsPerMetre + static_cast<float>(world->cameraY - world->prevCameraY));
        glVertex2f(centre.x * kPixelsPerMetre, centre.y * kPixelsPerMetre);
        glEnd();
        glColor3f(1.0f, 1.0f, 1.0f);
        glLineWidth(1.0f);
        glEnable(GL_TEXTURE_2D);
    } else if (type == CollisionCategory::CannonBall) {
        world->ballSheet->draw(0, 0, static_cast<int>(centre.x * kPixelsPerMetre),
                               static_cast<int>(centre.y * kPixelsPerMetre), false, 0);
    }
}
