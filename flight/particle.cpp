#include "flight/particle.h"

#include <GL/gl.h>

#include <cstdlib>

#include "flight/puff_body.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const float kRadius = 0.1f;  // m
const float kFriction = 1.0f;
const float kRestitution = 0.1f;
const int32_t kBirthLife = 85;    // steps
const float kEndLife = 48.6f;     // the particle ends once its life is no longer above this
const float kSpinPerUnit = 0.5f;  // rad/s per unit of (100 - r % 200)
const float kJitterUnitsPerSpeed = 40.0f;  // units of (50 - r % 100) per m/s

// The streak swells to its widest at mid-life and greys as it ages.
const float kMidLife = 67.5f;
const float kWidestStreak = 20.0f;  // pixels
const float kFullBrightLife = 81.0f;
const float kPixelsPerMetre = 32.0f;

}  // namespace

Particle::Particle(float x, float y, World* world, float vx, float vy)
    : body(nullptr), world(world), life(kBirthLife), prevX(x), prevY(y) {
    body = makePuffBody(world, x, y, kRadius, kFriction, kRestitution);
    setUserData(body, this);

    int r1 = std::rand();
    body->SetAngularVelocity((100 - r1 % 200) * kSpinPerUnit);
    int r2 = std::rand();
    int r3 = std::rand();
    // Divided, not multiplied by a rounded 1/40, which is a bit off for some draws.
    body->SetLinearVelocity(b2Vec2(vx + (50 - r3 % 100) / kJitterUnitsPerSpeed,
                                   vy + (50 - r2 % 100) / kJitterUnitsPerSpeed));
    life = kBirthLife;
}

void Particle::update() {
    if (life > kEndLife) {
        life -= 1;
        b2Vec2 centre = body->GetWorldCenter();
        prevX = centre.x;
        prevY = centre.y;
    } else {
        body->GetWorld()->DestroyBody(body);
        body = nullptr;
    }
}

void Particle::draw() {
    glPushMatrix();

    // Width 20 - d^2 / 24 pixels, d the distance from mid-life.
    float d = life - kMidLife;
    float width = kWidestStreak - d * (d * 0.25f) * (1.0f / 6);
    glLineWidth(width);
    glPointSize(width);
    glDisable(GL_TEXTURE_2D);
    float grey = life / kFullBrightLife;
    glColor3f(grey, grey, grey);

    // The tail is where the particle stood on the screen a step ago, under that step's camera.
    float tailX = world->cameraX + (prevX * kPixelsPerMetre - world->prevCameraX);
    float tailY = world->cameraY + (prevY * kPixelsPerMetre - world->prevCameraY);
    b2Vec2 head = kPixelsPerMetre * body->GetWorldCenter();
    glBegin(GL_LINES);
    glVertex2f(tailX, tailY);
    glVertex2f(head.x, head.y);
    glEnd();
    glBegin(GL_POINTS);
    glVertex2f(tailX, tailY);
    glVertex2f(head.x, head.y);
    glEnd();

    glColor3f(1, 1, 1);
    glLineWidth(1);
    glPointSize(1);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}
