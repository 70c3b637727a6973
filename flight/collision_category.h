#pragma once

#include <cstdint>

// Each fixture's category bits say what it is; the contact listener tells objects apart by them.
// The objects file uses Student and Cannon as its object kinds. Every fixture has group 0, so two
// fixtures collide only when each one's mask holds the other's category.
namespace CollisionCategory {
const uint16_t Terrain = 0x0001;
const uint16_t Rocket = 0x0002;
const uint16_t Student = 0x0004;
const uint16_t Laser = 0x0008;
const uint16_t Cannon = 0x0010;
const uint16_t CannonBall = 0x0020;
const uint16_t Puff = 0x0040;  // explosion puffs and exhaust particles
const uint16_t Coin = 0x0080;
}  // namespace CollisionCategory
