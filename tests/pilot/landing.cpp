#include "tests/pilot/autopilot.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <queue>

#include "campaign/mission_table.h"
#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "platform/scripted_input.h"
#include "tests/pilot/tuning.h"

using namespace pilot;

void Autopilot::descend() {
    if (isGone(target_.student)) {
        restart("the student is gone");
        return;
    }
    b2Body* body = world_->rocket->body;
    b2Vec2 p = body->GetPosition(), v = body->GetLinearVelocity();
    float height = p.y - target_.spot.y;
    float dx = target_.spot.x - p.x;
    // Line up above the spot first; the last stretch goes straight down, near upright, for a
    // tilted ship rocks on its legs for seconds and the student waits for it to be still.
    float lineUp = std::min(kLineUpHeight, target_.hover);
    bool lined = std::fabs(dx) < kLinedUp && std::fabs(v.x) < kLinedUp;
    b2Vec2 velocity;
    float tilt = kLandingTilt;
    if (phaseSteps_ > kDescentSteps) {
        badSpots_.push_back(target_.spot);
        restart("could not settle on the landing spot");
        return;
    }
    if (height > lineUp + 0.1f) {
        velocity.x = std::clamp(kLineUpGain * dx, -0.6f, 0.6f);
        velocity.y = std::fabs(dx) < 0.3f ? -std::min(0.3f + 0.5f * (height - lineUp), 1.0f) : 0.0f;
    } else if (lined || height < kCommitted) {
        velocity.x = std::clamp(dx, -0.2f, 0.2f);
        velocity.y = -(0.25f + 0.3f * height);
        tilt = height < kCommitted ? kTouchdownTilt : kFinalTilt;
    } else {
        velocity.x = std::clamp(kLineUpGain * dx, -0.4f, 0.4f);
        velocity.y = std::clamp(1.5f * (lineUp - height), -0.3f, 0.5f);
    }
    fly(velocity, tilt);
    if (touchesGround() && height < 0.2f) {
        keyUp_ = keyLeft_ = keyRight_ = false;
        phase_ = Settle;
        phaseSteps_ = 0;
        studentStill_ = 0;
        studentX_ = target_.student->body->GetPosition().x;
        note("landed");
    } else if (std::fabs(dx) > 2.0f || height > target_.hover + 2.0f) {
        restart("drifted off the landing spot");
    }
}

void Autopilot::settle() {
    if (isGone(target_.student)) {
        restart("the student is gone");
        return;
    }
    b2Vec2 p = world_->rocket->body->GetPosition();
    if (p.y - target_.spot.y > 0.5f) {
        phase_ = Descend;
        phaseSteps_ = 0;
        return;
    }
    float x = target_.student->body->GetPosition().x;
    if (std::fabs(x - studentX_) > 0.005f) {
        studentX_ = x;
        studentStill_ = 0;
    } else if (++studentStill_ > kPatienceSteps) {
        badSpots_.push_back(target_.spot);
        restart("the student does not come: trying another spot");
    }
}

void Autopilot::orbit() {
    if (!path_.empty() && leg_ + 1 < path_.size()) {
        followPath(cruise_);
    } else {
        fly(b2Vec2(0, cruise_), kLandingTilt);
    }
}

// ---- Landing places ----

bool Autopilot::findSpot(const ClearanceGrid& grid, Student* student, Target* target) const {
    b2Vec2 s = student->body->GetPosition();
    int floorRow = static_cast<int>(s.y + 0.5f) - 1;
    float restY = floorRow + 1 + kRestHeight;
    float bestScore = 1e30f;
    for (int column = static_cast<int>(s.x - kFarthestSpot) - 1;
         column <= static_cast<int>(s.x + kFarthestSpot) + 1; column++) {
        float x = column + 0.5f;
        float gap = std::fabs(x - s.x);
        if (gap < kNearestSpot || gap > kFarthestSpot) {
            continue;
        }
        bool room = true;
        for (int c = column - 1; c <= column + 1 && room; c++) {
            room = isRock(*world_, c, floorRow, true) && !isRock(*world_, c, floorRow + 1, true) &&
                   !isRock(*world_, c, floorRow + 2, true);
        }
        bool bad = std::any_of(badSpots_.begin(), badSpots_.end(), [&](b2Vec2 spot) {
            return (spot - b2Vec2(x, restY)).Length() < 0.75f;
        });
        if (!room || bad || !studentCanWalk(s, x)) {
            continue;
        }
        for (float hover : kHoverHeights) {
            if (grid.at(b2Vec2(x, restY + hover)) < kShipRoom) {
                continue;
            }
            float score = std::fabs(gap - kBestSpot) + (kHoverHeights[0] - hover);
            if (score < bestScore) {
                bestScore = score;
                *target = Target{student, b2Vec2(x, restY), hover};
            }
            break;
        }
    }
    return bestScore < 1e30f;
}

// As the student walks: 0.01 m a step while the tiles around its next corner are a flat Solid
// floor, until it is within boarding reach of the ship.
bool Autopilot::studentCanWalk(b2Vec2 student, float shipX) const {
    float x = student.x;
    float step = shipX > x ? kWalkStep : -kWalkStep;
    int cy = static_cast<int>(student.y + 0.5f);
    while (std::fabs(shipX - x) > kBoardingReach) {
        int cx = static_cast<int>(x + 0.5f + step);
        int mask = (world_->getTile(cx - 1, cy) == Solid ? 1 : 0) +
                   (world_->getTile(cx, cy) == Solid ? 2 : 0) +
                   (world_->getTile(cx - 1, cy - 1) == Solid ? 4 : 0) +
                   (world_->getTile(cx, cy - 1) == Solid ? 8 : 0);
        if (mask != kFlatFloor) {
            return false;
        }
        x += step;
    }
    return true;
}

bool Autopilot::isGone(const Student* student) const {
    const auto& list = world_->students;
    return std::find(list.begin(), list.end(), student) == list.end();
}

void Autopilot::giveUp(Student* student, const char* why) {
    givenUp_.push_back(student);
    b2Vec2 s = student->body->GetPosition();
    char line[160];
    std::snprintf(line, sizeof line, "gave up the student at (%.1f, %.1f): %s", s.x, s.y, why);
    note(line);
}
