#include "flight/contact_listener.h"

#include <cmath>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/user_data.h"
#include "flight/world.h"

namespace {

const float kLaserDamagePerLevel = 0.4f;  // cannon health per weapon level
const int kHitShake = 6;                  // steps
const float kCannonBallDamage = 0.4f;     // hull, whatever the speed
const float kStudentKilled = -1.0f;

// The two fixtures of a contact, to be matched against one unordered pair of categories.
struct ContactPair {
    b2Fixture* a;
    b2Fixture* b;

    // When the pair is (first, second) in either order, gives the bodies in that order.
    bool is(uint16_t first, uint16_t second, b2Body** firstBody, b2Body** secondBody) const {
        uint16_t ca = a->GetFilterData().categoryBits;
        uint16_t cb = b->GetFilterData().categoryBits;
        if (ca == first && cb == second) {
            *firstBody = a->GetBody();
            *secondBody = b->GetBody();
            return true;
        }
        if (ca == second && cb == first) {
            *firstBody = b->GetBody();
            *secondBody = a->GetBody();
            return true;
        }
        return false;
    }
};

// Where on the hull the contact lies, along the ship's up axis from its origin.
float heightOnHull(b2Body* ship, b2Vec2 point) {
    return b2Dot(point - ship->GetPosition(), ship->GetWorldVector(b2Vec2(0, 1)));
}

// The shot of a contact when this report is its first strike on that body in this physics step.
// The step may report one contact several times (its continuous pass goes over a bullet's
// contacts again): applying each report would cost the hull many times over for one cannon
// ball. Guarding the pair, not the whole shot, lets one laser strike every cannon of a pile or
// both terrain cells at a seam, one rule per contact.
Shot* strikingShot(b2Body* shotBody, b2Body* target) {
    Shot* shot = getUserData<Shot>(shotBody);
    return shot->firstStrikeOn(target) ? shot : nullptr;
}

void killStudent(b2Body* body) {
    getUserData<Student>(body)->life = kStudentKilled;
    playSound(g_soundDie);
}

}  // namespace

bool breakTileNear(World* world, float x, float y) {
    const int tx = static_cast<int>(x);
    const int ty = static_cast<int>(y);
    const int candidates[5][2] = {{tx, ty},
                                  {static_cast<int>(x + 1), ty},
                                  {static_cast<int>(x - 1), ty},
                                  {tx, static_cast<int>(y + 1)},
                                  {tx, static_cast<int>(y - 1)}};
    for (const auto& tile : candidates) {
        if (world->getTile(tile[0], tile[1]) == Breakable) {
            world->setTile(tile[0], tile[1], Backdrop);
            playSound(g_soundExplosion3);
            return true;
        }
    }
    playSound(g_soundHit3);
    return false;
}

void myContactListener::PreSolve(b2Contact* contact, const b2Manifold*) {
    // The first contact point and the whole-number approach speed there.
    b2WorldManifold manifold;
    contact->GetWorldManifold(&manifold);
    const b2Vec2 point = manifold.points[0];
    b2Fixture* fixtureA = contact->GetFixtureA();
    b2Fixture* fixtureB = contact->GetFixtureB();
    const b2Vec2 closing = fixtureB->GetBody()->GetLinearVelocityFromWorldPoint(point) -
                           fixtureA->GetBody()->GetLinearVelocityFromWorldPoint(point);
    const float speed = std::fabs(std::trunc(b2Dot(closing, manifold.normal)));

    // One rule per pair of categories.
    namespace Category = CollisionCategory;
    const ContactPair pair{fixtureA, fixtureB};
    b2Body* first;
    b2Body* second;
    if (pair.is(Category::Rocket, Category::Terrain, &first, &second) ||
        pair.is(Category::Rocket, Category::Cannon, &first, &second)) {
        getUserData<Rocket>(first)->impact(speed, heightOnHull(first, point));
    } else if (pair.is(Category::Laser, Category::Cannon, &first, &second)) {
        if (Shot* laser = strikingShot(first, second)) {
            Cannon* cannon = getUserData<Cannon>(second);
            cannon->health -= kLaserDamagePerLevel * g_weaponLevel;
            cannon->shake = kHitShake;
            laser->end();
            playSound(g_soundHit2);
        }
    } else if (pair.is(Category::CannonBall, Category::Rocket, &first, &second)) {
        if (Shot* ball = strikingShot(first, second)) {
            Rocket* ship = getUserData<Rocket>(second);
            ship->hull -= kCannonBallDamage;
            ship->shake = kHitShake;
            ball->end();
            playSound(g_soundHit);
        }
    } else if (pair.is(Category::CannonBall, Category::Terrain, &first, &second)) {
        if (Shot* ball = strikingShot(first, second)) {
            ball->end();
        }
    } else if (pair.is(Category::Laser, Category::Terrain, &first, &second)) {
        if (Shot* laser = strikingShot(first, second)) {
            breakTileNear(laser->world, point.x, point.y);
            laser->end();
        }
    } else if (pair.is(Category::Rocket, Category::Student, &first, &second)) {
        killStudent(second);
    } else if (pair.is(Category::Laser, Category::Student, &first, &second) ||
               pair.is(Category::CannonBall, Category::Student, &first, &second)) {
        if (Shot* shot = strikingShot(first, second)) {
            killStudent(second);
            shot->end();
        }
    } else if (pair.is(Category::Rocket, Category::Coin, &first, &second)) {
        // A coin touching the ship twice before its next update still counts once.
        Coin* coin = getUserData<Coin>(second);
        if (!coin->collected) {
            coin->collected = true;
            coin->world->coinsCollected += 1;
            playSound(g_soundCoin);
        }
    }
}
