#include "flight/explosion.h"

#include <cstdlib>

#include "drawing/sprite_sheet.h"
#include "flight/puff_body.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const float kPuffFriction = 0.5f;
const float kPuffRestitution = 0.9f;  // puffs bounce off the terrain
const double kEndAge = 1.0;
const float kPixelsPerMetre = 32.0f;

}  // namespace

Explosion::Explosion(World* world, SpriteSheet* sheet, double x, double y, double radius,
                     double rate, int frames, float vx, float vy)
    : body(nullptr),
      row(0),
      mirror(false),
      world(world),
      rate(rate),
      age(0),
      frames(frames),
      sheet(sheet) {
    body = makePuffBody(world, static_cast<float>(x), static_cast<float>(y),
                        static_cast<float>(radius), kPuffFriction, kPuffRestitution);
    setUserData(body, this);

    body->SetLinearVelocity(b2Vec2(vx, vy));
    int r = std::rand();
    mirror = (r != 0);
}

void Explosion::update() {
    age += rate;
    if (age > kEndAge) {
        body->GetWorld()->DestroyBody(body);
        body = nullptr;
    }
}

void Explosion::draw() {
    b2Vec2 position = body->GetPosition();
    sheet->draw(static_cast<int>(frames * age), row, static_cast<int>(position.x * kPixelsPerMetre),
                static_cast<int>(position.y * kPixelsPerMetre), mirror, 0);
}
