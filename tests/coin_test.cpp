#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "campaign/campaign_state.h"
#include "flight/coin.h"
#include "flight/rocket.h"
#include "flight/world.h"
#include "tests/flight_sandbox.h"

// Readable failures for positions and velocities.
void PrintTo(const b2Vec2& v, std::ostream* out) {
    *out << "(" << v.x << ", " << v.y << ")";
}

namespace {

// Ground three rows deep (surface y = 4) and, in the air around tile (11, 10), rock of the
// kinds given for its spawn tile and its eight neighbours, read like the picture: `block` is
// three strings of three characters, top row first, centred on (11, 10).
std::vector<std::string> field(const std::vector<std::string>& block) {
    const std::string rock(62, '#');
    std::vector<std::string> picture(8, std::string(62, '.'));
    for (int row = 0; row < 3; ++row) {
        picture[row].replace(9, 3, block[row]);  // x = 10..12, y = 11..9
    }
    picture.push_back(rock);
    picture.push_back(rock);
    picture.push_back(rock);
    return picture;
}

// A ship standing on the ground at x = 20 and the given block of rock around (11, 10).
struct Field : Sandbox {
    explicit Field(const std::vector<std::string>& block = {"...", "...", "..."})
        : Sandbox(field(block)) {
        launch(20.0f, 4.76f);
        tick(30);
    }

    Coin* drop(float x, float y) {
        Coin* coin = new Coin(x, y, world, world->coinSheet);
        world->coins.push_back(coin);
        return coin;
    }

    // Puts the coin at rest `dx` metres right of the ship's centre of mass.
    void park(Coin* coin, float dx) {
        const b2Vec2 centre = world->rocket->body->GetWorldCenter();
        coin->body->SetTransform(b2Vec2(centre.x + dx, centre.y), 0.0f);
        coin->body->SetLinearVelocity(b2Vec2(0, 0));
    }
};

struct CoinTest : FlightTest {
    CoinTest() : FlightTest(5) {}
};

TEST_F(CoinTest, StartsAtTheCornerOfTheFirstFreeTileAroundItsSpawnPoint) {
    const b2Vec2 free = Field().drop(10.7f, 5.2f)->body->GetPosition();
    EXPECT_EQ(free, b2Vec2(10.0f, 5.0f));

    // Spawn tile rock: right comes first, then up-right.
    const b2Vec2 right = Field({"...", ".#.", "..."}).drop(11.5f, 10.5f)->body->GetPosition();
    EXPECT_EQ(right, b2Vec2(12.0f, 10.0f));
    // Spawn tile rock, right breakable, up-right free.
    const b2Vec2 upRight = Field({"...", ".#%", "..."}).drop(11.5f, 10.5f)->body->GetPosition();
    EXPECT_EQ(upRight, b2Vec2(12.0f, 11.0f));

    // Only down-left free: the seventh candidate.
    const b2Vec2 downLeft = Field({"#%#", "#%#", ".##"}).drop(11.5f, 10.5f)->body->GetPosition();
    EXPECT_EQ(downLeft, b2Vec2(10.0f, 9.0f));

    // Everything rock: down-right, rock or not.
    const b2Vec2 walledIn = Field({"###", "###", "###"}).drop(11.5f, 10.5f)->body->GetPosition();
    EXPECT_EQ(walledIn, b2Vec2(12.0f, 9.0f));
}

TEST_F(CoinTest, LaunchesInHundredthsAndSpinsThroughFourFrames) {
    Field sandbox;
    std::set<float> speeds;
    std::set<float> phases;
    for (int i = 0; i < 200; ++i) {
        Coin* coin = sandbox.drop(40.0f, 30.0f);
        const b2Vec2 v = coin->body->GetLinearVelocity();
        EXPECT_GE(v.x, -1.98f - 1e-5f);
        EXPECT_LE(v.x, 2.0f);
        EXPECT_GE(v.y, -1.98f - 1e-5f);
        EXPECT_LE(v.y, 2.0f);
        speeds.insert(v.x);
        EXPECT_GE(coin->phase, 0.0f);
        EXPECT_LE(coin->phase, 0.99f);
        phases.insert(coin->phase);
    }
    EXPECT_GT(speeds.size(), 50u);  // not a handful of whole values
    EXPECT_GT(phases.size(), 50u);

    // Every starting phase keeps to frames 0 to 3.
    Coin* coin = sandbox.world->coins.front();
    for (int start = 0; start < 100; ++start) {
        coin->phase = static_cast<float>(start) / 100.0f;
        for (int n = 0; n < 100; ++n) {
            coin->update();
            ASSERT_GE(coin->phase, 0.0f);
            ASSERT_LT(static_cast<int>(coin->phase), 4) << "from " << start;
        }
    }
    coin->phase = 0.99f;
    coin->update();
    EXPECT_NEAR(coin->phase, 1.19f, 1e-5);
}

TEST_F(CoinTest, IsPulledTowardTheShipFromLessThanTwoMetres) {
    Field sandbox;
    Coin* coin = sandbox.drop(40.0f, 30.0f);

    sandbox.park(coin, 2.0f);
    coin->update();
    EXPECT_EQ(coin->body->GetLinearVelocity(), b2Vec2(0.0f, 0.0f));

    sandbox.park(coin, 1.99f);
    coin->update();
    EXPECT_LT(coin->body->GetLinearVelocity().x, -0.9f);

    // Halfway from its velocity to the offset, read as a velocity.
    sandbox.park(coin, 1.0f);
    coin->update();
    EXPECT_EQ(coin->body->GetLinearVelocity(), b2Vec2(-0.5f, 0.0f));
}

TEST_F(CoinTest, CollectedCoinIsCountedOnceAndGoesAtItsNextUpdate) {
    Field sandbox;
    World* world = sandbox.world;
    Coin* coin = sandbox.drop(40.0f, 30.0f);
    sandbox.park(coin, 1.5f);
    for (int step = 0; step < 120 && world->coinsCollected == 0; ++step) {
        sandbox.tick(1);
    }
    ASSERT_EQ(world->coinsCollected, 1);
    EXPECT_TRUE(coin->collected);
    ASSERT_EQ(world->coins.size(), 1u);  // still there to be drawn in this frame
    EXPECT_NE(coin->body, nullptr);

    sandbox.tick(1);
    EXPECT_TRUE(world->coins.empty());
    sandbox.tick(30);
    EXPECT_EQ(world->coinsCollected, 1);
}

}  // namespace
