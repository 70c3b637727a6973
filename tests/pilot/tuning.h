#pragma once

// The autopilot's tuning and the small geometry helpers its parts share.

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "flight/collision_category.h"
#include "flight/shot.h"
#include "flight/tile_kind.h"
#include "flight/world.h"

namespace pilot {

const float kPi = 3.14159265f;
const float kStep = 1.0f / 60.0f;  // s

// The grid.
const float kCell = 0.5f;         // m between grid points
const float kRoomCap = 3.0f;      // m: rock farther off does not matter
const float kShipRoom = 0.8f;     // m: half the side of the box the ship (1.17 x 1.49 m) needs
const float kStartRoom = 0.5f;    // m: where it stands to take off
const float kOpenRoom = 2.0f;     // m: beyond this a point is open sky
const float kTightCost = 3.0f;    // extra cost per metre of room short of open
const float kWaterCost = 8.0f;    // extra cost under water, where the ship floats up hard
const float kDangerRange = 9.0f;  // m from a cannon that sees the point
const float kDangerCost = 6.0f;   // extra cost right at a cannon
const b2Vec2 kStudentBox(0.3f, 0.45f);  // m: half sizes around a student's body
const float kCannonHalf = 0.6f;         // m: half the side of a cannon's box
const float kMineHalf = 0.6f;           // m: half the side of a stopped cannon ball's box

// The ship.
const float kThrustPerLevel = 40.0f;           // N on the steps that thrust
const float kFuelPerThrust = 0.0004f;          // per thrust level
const float kTorquePerLevel = 135.0f * 0.25f;  // N m
const float kUsableThrust = 0.7f;              // of the mean thrust, for planning speeds
const float kRestHeight = 0.7525f;             // m from the surface to the landed ship's origin
const int kOrbitBelowTop = 16;  // m: the orbit line lies this far under the map's top

// Flying.
const float kVelocityGain = 1.8f;    // 1/s
const float kMaxAccel = 6.0f;        // m/s^2 asked of the engine
const float kTurnGain = 5.0f;        // 1/s
const float kMaxTurnRate = 3.0f;     // rad/s
const float kThrustWindow = 0.5f;    // rad: thrust only with the nose this near its aim
const float kCruiseTilt = 0.9f;      // rad
const float kLandingTilt = 0.3f;     // rad
const float kFinalTilt = 0.12f;      // rad, in the last metre
const float kTouchdownTilt = 0.04f;  // rad, just above the ground
const float kLineUpHeight = 1.0f;    // m above the rest height
const float kLinedUp = 0.25f;        // m and m/s off the spot that still go straight down
const float kLineUpGain = 0.8f;      // m/s per metre off the spot
const int kDescentSteps = 60 * 25;   // before the spot is given up
const float kCommitted = 0.35f;      // m: from here on the ship only settles
const float kSlowestCruise = 2.0f;   // m/s
const float kFastestCruise = 6.0f;   // m/s
const float kDragShare = 0.35f;      // of the mean thrust that air drag may take at cruise
const float kLookAhead = 1.0f;       // m along the path
const float kBrakeShare = 0.4f;      // of the deceleration the ship could manage
const float kClosingIn = 1.5f;       // m from the end of a path
const float kHoldGain = 1.2f;        // m/s per metre off the point held
const float kStallSteps = 300;       // steps without progress before a new plan
const int kReplansPerTarget = 6;

// Cannons.
const float kCannonReach = 16.0f;     // m: a cannon wakes and fires while the ship is this near
const float kApproachLength = 15.0f;  // m of the way in to a landing that cannons must not cover
const float kApproachStep = 2.0f;     // m
const float kApproachReach = 8.0f;    // m: cannons nearer the way in than this are shot first
const float kFiringNearest = 6.0f;    // m from the cannon
const float kFiringFarthest = 13.0f;  // m: lasers fly 15 m
const float kFiringBest = 10.0f;      // m: far enough to see its balls coming
const float kWakeDiagonal = 22.0f;    // m: a cannon's wake square reaches this far at its corners
const float kFiringRoom = 1.2f;       // m of room around the firing place
const float kFiringSlack = 1.5f;      // m off the firing place that still does
const int kFiringElevation = 40;      // degrees above the cannon's level at most
const float kFiringDrop = 2.0f;       // m of room needed below it: the ship falls while it aims
const float kLaserMargin = 0.8f;      // m a shot's line keeps from students
const float kLaserSpeed = 20.0f;      // m/s out of the nose
const float kRiseSpeed = 1.2f;        // m/s: climbing when the aim starts, so the fall ends level
const float kLean = 0.4f;             // rad the nose leans toward the cannon while climbing
const float kFallLimit = 2.0f;        // times the climbing speed: falling faster ends the aim
const int kAttackSteps = 60 * 25;
const int kCollectSteps = 60 * 12;
const int kAttackStalls = 3;            // failed approaches before a cannon is left alone
const int kLandingHits = 2;             // hits while landing before a student is given up
const float kRetreatHull = 0.45f;       // below this, one more hit might end the ship
const float kCarefulHull = 0.85f;       // below this, with half the students aboard, go home
const float kCoinSearch = 12.0f;        // m around the burst cannon
const float kCoinFromStudent = 3.0f;    // m: coins nearer a student are left
const float kFiringFromStudent = 3.0f;  // m
const float kDriftShare = 0.4f;         // of the way to the cannon the ship may drift while aiming
const float kFiringFromMine = 2.5f;     // m
const float kExposureCost = 30.0f;      // per other cannon that sees the firing place

// Shooting a way through Breakable rock.
const float kBreachCost = 40.0f;    // as many metres of open flight
const int kBreachSteps = 60 * 60;   // before the rock wins
const float kAimTolerance = 0.03f;  // rad
const int kAimSteps = 150;          // before the ship comes upright again

// Fuel.
const float kFuelPerImpulse = kFuelPerThrust / (kThrustPerLevel * kStep);  // per N s
const float kFuelMargin = 0.95f;      // for turning, braking and hovering on the way
const float kTypicalShare = 0.85f;    // of the cruising speed, on average
const float kLandingSeconds = 15.0f;  // of hovering, to land and to take off again
const float kTankPerLevel = 0.75f;
const float kStudentFuel = 0.2f;  // a boarding student brings
const float kFuelReserve = 0.12f;
const int kFuelCheckSteps = 60;
const float kNearlyThere = 15.0f;  // m of path left to a landing that is finished anyway

// Keeping clear.
const b2Vec2 kStudentGap(0.9f, 1.2f);  // m between centres at which the ship would touch a student
const float kStudentKeepOff = 0.5f;    // m of gap to keep beyond that
const float kAvoidGain = 3.0f;         // m/s per metre of gap missing
const float kBallWarning = 3.0f;       // s ahead
const float kBallLookAhead = 8.0f;     // m
const float kBallMiss = 1.6f;          // m: a cannon ball passing nearer would hit
const float kDodgeSpeed = 2.0f;        // m/s sideways
const float kDodgeLook = 1.5f;         // m: how far to look for room to dodge into
const float kDodgeRoom = 1.0f;         // m of room wanted there
const float kAimTime = 1.8f;           // s to rise, aim and fire
const float kLastMoment = 0.8f;        // s: an aim is broken off for a ball this near

// Landing.
const float kNearestSpot = 2.0f;   // m from the student: nearer, the ship could touch it
const float kFarthestSpot = 6.0f;  // m: a student walks to a ship within 10 m
const float kBestSpot = 2.5f;      // m
const float kHoverHeights[] = {1.5f, 1.0f, 0.5f, 0.25f};  // m above the rest height
const float kBoardingReach = 1.0f;                        // m: the student boards from this near
const float kWalkStep = 0.01f;                            // m per step
const int kFlatFloor = 12;       // the walking student's tile mask on flat Solid ground
const int kPatienceSteps = 180;  // steps a landed ship waits for a student that stands still

inline b2Vec2 unit(b2Vec2 v) {
    float length = v.Length();
    return length > 1e-6f ? (1.0f / length) * v : b2Vec2(0, 0);
}

inline float wrapAngle(float angle) {
    return std::remainder(angle, 2 * kPi);
}

// The thrust nearest `wanted` that the nose can give within `maxTilt` of straight up.
inline b2Vec2 intoCone(b2Vec2 wanted, float maxTilt) {
    float angle = std::atan2(-wanted.x, wanted.y);
    if (std::fabs(angle) <= maxTilt) {
        return wanted;
    }
    float edgeAngle = angle > 0 ? maxTilt : -maxTilt;
    b2Vec2 edge(-std::sin(edgeAngle), std::cos(edgeAngle));
    float along = b2Dot(wanted, edge);
    return along > 0 ? along * edge : b2Vec2(0, 0);
}

inline bool isRock(const World& world, int x, int y, bool breakableIsRock) {
    if (x < 1 || y < 1 || x >= world.width || y >= world.height) {
        return true;
    }
    int kind = world.getTile(x, y);
    return kind == Solid || (breakableIsRock && kind == Breakable);
}

// No rock on the straight line, apart from its first and last stretches.
inline bool seesAcross(const World& world, b2Vec2 from, b2Vec2 to, float skipStart, float skipEnd) {
    const float kSample = 0.1f;  // m
    b2Vec2 d = to - from;
    float length = d.Length();
    for (float s = skipStart; s <= length - skipEnd; s += kSample) {
        b2Vec2 q = from + (s / length) * d;
        if (isRock(world, static_cast<int>(q.x), static_cast<int>(q.y), true)) {
            return false;
        }
    }
    return true;
}

inline float distanceToSegment(b2Vec2 point, b2Vec2 from, b2Vec2 to) {
    b2Vec2 d = to - from, p = point - from;
    float along = std::clamp(b2Dot(p, d) / std::max(d.LengthSquared(), 1e-6f), 0.0f, 1.0f);
    return (p - along * d).Length();
}

inline bool isMine(const Shot* shot) {
    const float kStill = 0.3f;  // m/s
    return shot->type == CollisionCategory::CannonBall &&
           shot->body->GetLinearVelocity().Length() < kStill;
}

}  // namespace pilot
