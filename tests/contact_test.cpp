#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/contact_listener.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/flight_sandbox.h"

namespace {

// Two rows of rock whose surface is y = 3, across the map.
const std::vector<std::string> kGround = {std::string(63, '#'), std::string(63, '#')};
const float kSurface = 3.0f;
const float kShipBottom = 0.7425f;  // m below the body origin
const float kContactGap = 0.015f;   // inside Box2D's polygon skins, so touching at once

using Contact = FlightTest;

// Drops the ship onto the ground, upright or upside down, already touching at `speed`;
// gives back the hull lost over a second of resting there.
float hullLostLanding(float speed, bool upsideDown = false) {
    Sandbox box(kGround);
    // Over the middle of one terrain cell, so one contact carries the landing.
    box.launch(32, kSurface + kShipBottom + kContactGap);
    Rocket* ship = box.world->rocket;
    if (upsideDown) {
        ship->body->SetTransform(ship->body->GetPosition(), b2_pi);
    }
    ship->fuel = 0;
    ship->body->SetLinearVelocity(b2Vec2(0, -speed));
    float hull = ship->hull;
    box.tick(60);
    return hull - ship->hull;
}

}  // namespace

// Approach speeds are whole m/s; the lower hull takes 2 of them; the ship weighs 2.5 kg.
TEST_F(Contact, LandingsOnTheLowerHull) {
    EXPECT_EQ(hullLostLanding(0.9f), 0);
    EXPECT_EQ(hullLostLanding(1.9f), 0);
    EXPECT_EQ(hullLostLanding(2.9f), 0);
    EXPECT_NEAR(hullLostLanding(3.5f), 0.02f * 1 * 2.5f, 1e-5f);
    // Nose first there is nothing to soften it: 1 m/s of damage.
    EXPECT_NEAR(hullLostLanding(1.9f, true), 0.02f * 1 * 2.5f, 1e-5f);
}

TEST_F(Contact, BrushingACannonHurtsOnlyTheShip) {
    Sandbox box({});
    Cannon* cannon = new Cannon(32, 20, box.world, box.world->cannonSheet, box.world->gunTexture);
    box.world->cannons.push_back(cannon);
    // The base is a circle of 0.5 m around (32, 20).
    box.launch(32, 20.5f + kShipBottom + 0.005f);
    Rocket* ship = box.world->rocket;
    ship->body->SetLinearVelocity(b2Vec2(0, -3.5f));
    float hull = ship->hull;
    box.tick(1);
    EXPECT_NEAR(hull - ship->hull, 0.02f * 1 * 2.5f, 1e-5f);
    EXPECT_EQ(cannon->health, 1.0f);
}

TEST_F(Contact, CannonBallCostsFixedHull) {
    Sandbox box({});
    box.launch(32, 30);
    Rocket* ship = box.world->rocket;
    float hull = ship->hull;
    box.world->shots.push_back(new Shot(32, 32, box.world, 0, -12, CollisionCategory::CannonBall));
    for (int i = 0; i < 30 && ship->hull == hull; i++) {
        box.tick(1);
    }
    EXPECT_FLOAT_EQ(ship->hull, hull - 0.4f);
    EXPECT_EQ(ship->shake, 6);
    // The ball ends at its next update.
    box.tick(1);
    EXPECT_TRUE(box.world->shots.empty());
}

TEST_F(Contact, LaserWearsACannonDown) {
    g_weaponLevel = 2;
    Sandbox box({});
    box.launch(32, 40);
    Cannon* cannon = new Cannon(32, 30, box.world, box.world->cannonSheet, box.world->gunTexture);
    box.world->cannons.push_back(cannon);
    box.world->shots.push_back(new Shot(28, 30, box.world, 20, 0, CollisionCategory::Laser));
    for (int i = 0; i < 20 && cannon->health == 1.0f; i++) {
        box.tick(1);
    }
    EXPECT_NEAR(cannon->health, 1.0f - 0.8f, 1e-6f);
    EXPECT_GT(cannon->shake, 0);
    box.tick(1);
    EXPECT_TRUE(box.world->shots.empty());
}

// A laser striking the slope of a lone Solid tile (20, 10) hits inside that tile, so its
// Breakable right-hand neighbour (21, 10) is the one that breaks; collision follows the next step.
TEST_F(Contact, LaserBreaksTheBreakableNeighbourOfSolidRock) {
    std::vector<std::string> picture(10, std::string(25, '.'));
    picture.front()[19] = '#';
    picture.front()[20] = '%';
    Sandbox box(picture, 64);
    ASSERT_EQ(box.world->getTile(20, 10), Solid);
    ASSERT_EQ(box.world->getTile(21, 10), Breakable);
    box.launch(20, 20);
    ASSERT_TRUE(terrainAt(box.world, 21.2f, 10.9f));

    box.world->shots.push_back(new Shot(20.2f, 14, box.world, 0, -20, CollisionCategory::Laser));
    for (int i = 0; i < 20 && box.world->getTile(21, 10) == Breakable; i++) {
        box.tick(1);
    }
    EXPECT_EQ(box.world->getTile(21, 10), Backdrop);
    EXPECT_EQ(box.world->getTile(20, 10), Solid);
    box.tick(1);
    EXPECT_TRUE(box.world->shots.empty());
    EXPECT_FALSE(terrainAt(box.world, 21.2f, 10.9f));
}

// The five tiles looked at: the one under the point, then right, left, above, below; the first
// Breakable one breaks and no other.
TEST_F(Contact, TileBreakingOrder) {
    auto broken = [](const std::vector<std::string>& picture, float x, float y) {
        Sandbox box(picture);
        bool broke = breakTileNear(box.world, x, y);
        std::vector<std::string> after;
        for (int row = static_cast<int>(picture.size()); row >= 1; row--) {
            std::string line;
            for (int i = 0; i < static_cast<int>(picture[0].size()); i++) {
                line += box.world->getTile(i + 1, row) == Backdrop
                            ? '-'
                            : picture[picture.size() - row][i];
            }
            after.push_back(line);
        }
        EXPECT_EQ(broke, after != picture);
        return after;
    };
    using Picture = std::vector<std::string>;
    // Point in tile (2, 2).
    EXPECT_EQ(broken({".%.", ".%.", "..."}, 2.5f, 2.5f), Picture({".%.", ".-.", "..."}));
    EXPECT_EQ(broken({"...", "%#%", "..."}, 2.5f, 2.5f), Picture({"...", "%#-", "..."}));
    EXPECT_EQ(broken({".%.", "%#.", ".%."}, 2.5f, 2.5f), Picture({".%.", "-#.", ".%."}));
    EXPECT_EQ(broken({".%.", ".#.", ".%."}, 2.5f, 2.5f), Picture({".-.", ".#.", ".%."}));
    EXPECT_EQ(broken({"...", ".#.", ".%."}, 2.5f, 2.5f), Picture({"...", ".#.", ".-."}));
    // Solid never breaks; corner tiles are not among the five.
    EXPECT_EQ(broken({"%#%", "###", "%#%"}, 2.5f, 2.5f), Picture({"%#%", "###", "%#%"}));
}

TEST_F(Contact, StudentsDieAtAnyTouch) {
    Sandbox box({});
    box.launch(32, 30);
    Student* byShip = new Student(32.3f, 30, box.world, box.world->studentSheet);
    box.world->students.push_back(byShip);
    Student* byLaser = new Student(36, 30, box.world, box.world->studentSheet);
    box.world->students.push_back(byLaser);
    Student* byBall = new Student(40, 30, box.world, box.world->studentSheet);
    box.world->students.push_back(byBall);
    box.world->shots.push_back(new Shot(36, 30.1f, box.world, 0, 0, CollisionCategory::Laser));
    box.world->shots.push_back(new Shot(40, 30.1f, box.world, 0, 0, CollisionCategory::CannonBall));
    box.tick(1);
    EXPECT_EQ(byShip->life, -1.0f);
    EXPECT_EQ(byLaser->life, -1.0f);
    EXPECT_EQ(byBall->life, -1.0f);
    for (Shot* shot : box.world->shots) {
        EXPECT_EQ(shot->life, 0);
    }
}

// A coin still touching the ship in a second contact call before its own update counts once.
TEST_F(Contact, CoinCountsOnce) {
    Sandbox box({});
    box.launch(32, 30);
    Coin* coin = new Coin(32.5f, 30.5f, box.world, box.world->coinSheet);
    box.world->coins.push_back(coin);
    coin->body->SetLinearVelocity(b2Vec2(0, 0));
    box.world->physics->Step(1.0f / 60, 10, 10);
    box.world->physics->Step(1.0f / 60, 10, 10);
    EXPECT_TRUE(coin->collected);
    EXPECT_EQ(box.world->coinsCollected, 1);
    box.tick(1);
    EXPECT_TRUE(box.world->coins.empty());
    EXPECT_EQ(box.world->coinsCollected, 1);
}

// A shot still strikes in the physics step after its last countdown (life 1 -> 0), and only once
// however often the step reports the contact.
TEST_F(Contact, ShotsStrikeOnceInTheirLastStep) {
    auto lastStepShot = [](World* world, float x, float y, float vx, float vy, int type) {
        Shot* shot = new Shot(x, y, world, vx, vy, type);
        shot->life = 1;
        world->shots.push_back(shot);
        return shot;
    };
    // Laser into a cannon's base (centre 32, radius 0.5) and into a student's kite.
    {
        Sandbox box({});
        box.launch(32, 30);
        World* world = box.world;
        Cannon* cannon = new Cannon(32, 20, world, world->cannonSheet, world->gunTexture);
        world->cannons.push_back(cannon);
        Student* student = new Student(40, 20, world, world->studentSheet);
        world->students.push_back(student);
        lastStepShot(world, 31.2f, 20, 20, 0, CollisionCategory::Laser);
        lastStepShot(world, 39.6f, 19.95f, 20, 0, CollisionCategory::Laser);
        box.tick(1);
        EXPECT_FLOAT_EQ(cannon->health, 1.0f - 0.4f);
        EXPECT_EQ(cannon->shake, 5);  // its own update has counted one step down
        EXPECT_EQ(student->life, -1.0f);
        box.tick(1);
        EXPECT_TRUE(world->shots.empty());
    }
    // Laser down into Breakable rock: the tile under the contact point breaks.
    {
        Sandbox box({std::string(63, '%'), std::string(63, '#')});
        box.launch(12, 12);
        lastStepShot(box.world, 10.5f, 3.2f, 0, -20, CollisionCategory::Laser);
        box.tick(1);
        EXPECT_EQ(box.world->getTile(10, 2), Backdrop);
    }
    // Cannon ball into the ship's side, level with its widest point.
    {
        Sandbox box({});
        box.launch(32, 30);
        Rocket* ship = box.world->rocket;
        const float hull = ship->hull;
        lastStepShot(box.world, 32.6f, 30, -12, 0, CollisionCategory::CannonBall);
        box.tick(1);
        EXPECT_FLOAT_EQ(ship->hull, hull - 0.4f);
        EXPECT_EQ(ship->shake, 6);
        box.tick(1);
        EXPECT_TRUE(box.world->shots.empty());
    }
}

namespace {

// Counts the step's reports of each contact between two bodies, then passes each on to the
// game's listener `echoes` times, as the continuous pass may.
class CountingListener : public myContactListener {
public:
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override {
        reports[{contact->GetFixtureA()->GetBody(), contact->GetFixtureB()->GetBody()}] += 1;
        for (int i = 0; i < echoes; i++) {
            myContactListener::PreSolve(contact, oldManifold);
        }
    }
    // Reports of contacts between the shot and the body (any body when null), in either order.
    int reportsOf(const Shot* shot, const b2Body* body = nullptr) const {
        int count = 0;
        for (const auto& [bodies, n] : reports) {
            const b2Body* other = bodies.first == shot->body    ? bodies.second
                                  : bodies.second == shot->body ? bodies.first
                                                                : nullptr;
            if (other != nullptr && (body == nullptr || other == body)) {
                count += n;
            }
        }
        return count;
    }
    std::map<std::pair<const b2Body*, const b2Body*>, int> reports;
    int echoes = 1;
};

// Updates until the shot has struck (its life is 0), at most `limit` times; the shot then ends
// at the next update.
void tickUntilStruck(Sandbox& box, const Shot* shot, int limit = 30) {
    for (int i = 0; i < limit && shot->life > 0; i++) {
        box.tick(1);
    }
}

}  // namespace

// Cannons may share a spot; one laser strikes each of them, once however often each contact is
// reported.
TEST_F(Contact, OneLaserStrikesEveryCannonOfAPile) {
    g_weaponLevel = 1;
    for (int pile : {2, 20}) {
        CountingListener twice;  // outlives the World, which still calls it when it is deleted
        twice.echoes = 2;
        Sandbox box({});
        box.launch(32, 30);
        World* world = box.world;
        world->physics->SetContactListener(&twice);
        std::vector<Cannon*> cannons;
        for (int i = 0; i < pile; i++) {
            cannons.push_back(new Cannon(32, 20, world, world->cannonSheet, world->gunTexture));
            world->cannons.push_back(cannons.back());
        }
        Shot* laser = new Shot(30, 20, world, 20, 0, CollisionCategory::Laser);
        world->shots.push_back(laser);
        tickUntilStruck(box, laser);
        int struckOnce = 0;
        for (Cannon* cannon : cannons) {
            struckOnce += cannon->health == 1.0f - 0.4f;
        }
        EXPECT_EQ(struckOnce, pile);
        box.tick(1);
        EXPECT_TRUE(world->shots.empty());
    }
}

// Students may share a spot too; a laser touching two in one step kills both.
TEST_F(Contact, OneLaserKillsEveryStudentItTouches) {
    Sandbox box({});
    box.launch(32, 30);
    World* world = box.world;
    Student* first = new Student(36, 30, world, world->studentSheet);
    Student* second = new Student(36, 30, world, world->studentSheet);
    world->students.push_back(first);
    world->students.push_back(second);
    world->shots.push_back(new Shot(36, 30.1f, world, 0, 0, CollisionCategory::Laser));
    box.tick(1);
    EXPECT_EQ(first->life, -1.0f);
    EXPECT_EQ(second->life, -1.0f);
}

// The repeated reports of one contact apply nothing more: a cannon ball costs the hull 0.4, a
// laser breaks one tile of rock; touching two terrain cell bodies, one tile for each.
TEST_F(Contact, RepeatedReportsOfOneContactApplyOnce) {
    {
        CountingListener counting;
        Sandbox box({});
        box.launch(32, 30);
        box.world->physics->SetContactListener(&counting);
        Rocket* ship = box.world->rocket;
        const float hull = ship->hull;
        Shot* ball = new Shot(32, 32, box.world, 0, -12, CollisionCategory::CannonBall);
        box.world->shots.push_back(ball);
        tickUntilStruck(box, ball);
        EXPECT_GT(counting.reportsOf(ball, ship->body), 1);
        EXPECT_FLOAT_EQ(ship->hull, hull - 0.4f);
    }
    // A laser falling at x onto Breakable rock two rows deep, beside a Breakable bump (11, 3):
    // whether it lands on the floor or on the bump's foot, more than one tile lies within reach.
    auto tilesBroken = [](float x, int* reports) {
        std::string bumpRow(63, '.');
        bumpRow[10] = '%';
        CountingListener counting;
        Sandbox box({bumpRow, std::string(63, '%'), std::string(63, '%')});
        box.launch(x, 12);
        box.world->physics->SetContactListener(&counting);
        Shot* laser = new Shot(x, 6, box.world, 0, -20, CollisionCategory::Laser);
        box.world->shots.push_back(laser);
        tickUntilStruck(box, laser);
        *reports = counting.reportsOf(laser);
        int broken = 0;
        for (int tx = 1; tx < 64; tx++) {
            for (int ty = 1; ty <= 3; ty++) {
                broken += box.world->getTile(tx, ty) == Backdrop;
            }
        }
        return broken;
    };
    int reports;
    // Inside the floor's cell body (x = 9.5 to 10.5): one contact, reported again and again.
    EXPECT_EQ(tilesBroken(10.2f, &reports), 1);
    EXPECT_GT(reports, 1);
    // On the seam of that cell and the bump's: two contacts, the floor and the bump break.
    EXPECT_EQ(tilesBroken(10.5f, &reports), 2);
}

// The guard against repeated reports lasts one physics step. A laser carried over the 16 m line
// of the ship's range by the step in which it strikes a cannon lies in the cannon's rim, skipped
// and never ended, while the cannon stays in range by its own turned axes: each later step that
// reports the contact strikes again, until the cannon bursts.
TEST_F(Contact, ALaserLyingInACannonStrikesItAgainInLaterSteps) {
    g_weaponLevel = 1;
    Sandbox box({});
    box.launch(32, 30);
    World* world = box.world;
    world->rocket->body->SetType(b2_staticBody);  // the range's centre stays at (32, 30)
    world->rocket->fuel = 0;
    // 16.8 m off along the world's x axis, 11.9 m along both of the cannon's own.
    Cannon* cannon = new Cannon(15.2f, 30, world, world->cannonSheet, world->gunTexture);
    cannon->body->SetTransform(cannon->body->GetPosition(), b2_pi / 4);
    world->cannons.push_back(cannon);
    // 15.99 m off: updated, then a step at 20 m/s takes it 0.33 m, into the cannon's rim.
    Shot* laser = new Shot(16.01f, 30, world, -20, 0, CollisionCategory::Laser);
    world->shots.push_back(laser);

    box.tick(1);
    EXPECT_FLOAT_EQ(cannon->health, 1.0f - 0.4f);
    // Two more strikes burst it.
    for (int i = 0; i < 10 && !world->cannons.empty(); i++) {
        box.tick(1);
    }
    EXPECT_TRUE(world->cannons.empty());
    EXPECT_EQ(world->coins.size(), 5u);
    ASSERT_EQ(world->shots.size(), 1u);
    EXPECT_EQ(laser->life, 0);
}
