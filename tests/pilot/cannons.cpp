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

void Autopilot::planBreach() {
    const float kSample = 0.25f, kStandOff = 2.5f, kWallDepth = 4.0f;
    float travelled = 0, blockedAt = -1;
    for (size_t i = 0; i + 1 < path_.size(); i++) {
        b2Vec2 d = path_[i + 1] - path_[i];
        float length = d.Length();
        for (float t = 0; t < length; t += kSample) {
            b2Vec2 q = path_[i] + (t / length) * d;
            float at = travelled + t;
            if (blockedAt < 0 && grid_->at(q) < kShipRoom - 0.05f && at > 1.0f) {
                blockedAt = at;
            }
            if (blockedAt < 0 || at > blockedAt + kWallDepth) {
                continue;
            }
            for (int y = static_cast<int>(q.y - kShipRoom); y <= static_cast<int>(q.y + kShipRoom);
                 y++) {
                for (int x = static_cast<int>(q.x - kShipRoom);
                     x <= static_cast<int>(q.x + kShipRoom); x++) {
                    Tile tile{x, y};
                    if (world_->getTile(x, y) == Breakable &&
                        std::find(blockers_.begin(), blockers_.end(), tile) == blockers_.end()) {
                        blockers_.push_back(tile);
                    }
                }
            }
        }
        travelled += length;
    }
    // The path now ends at the stand-off point.
    float keep = std::max(0.0f, blockedAt - kStandOff);
    std::vector<b2Vec2> shortened = {path_[0]};
    travelled = 0;
    for (size_t i = 0; i + 1 < path_.size(); i++) {
        float length = (path_[i + 1] - path_[i]).Length();
        if (travelled + length >= keep) {
            shortened.push_back(path_[i] +
                                ((keep - travelled) / length) * (path_[i + 1] - path_[i]));
            break;
        }
        shortened.push_back(path_[i + 1]);
        travelled += length;
    }
    path_ = shortened;
    goal_ = path_.back();
    arrival_ = Breach;
    aiming_ = false;
}

// Cannons that could hit the landed ship or the student go first, the nearest one first, shot
// from a place in the open with a clear line to it.
void Autopilot::planAttack(const FlightPlan& plan) {
    b2Vec2 hover = target_.spot + b2Vec2(0, target_.hover);
    // Points every few metres along the last stretch of the way in.
    std::vector<b2Vec2> approach;
    float along = 0;
    for (size_t i = path_.size() - 1; i > 0 && along < kApproachLength; i--) {
        b2Vec2 d = path_[i - 1] - path_[i];
        for (float t = 0; t < d.Length() && along + t < kApproachLength; t += kApproachStep) {
            approach.push_back(path_[i] + (t / d.Length()) * d);
        }
        along += d.Length();
    }
    Cannon* chosen = nullptr;
    b2Vec2 place(0, 0);
    float bestScore = 0;
    for (Cannon* cannon : world_->cannons) {
        b2Vec2 c = cannon->body->GetPosition();
        bool ignored = std::find(ignored_.begin(), ignored_.end(), cannon) != ignored_.end();
        bool threat = (c - target_.spot).Length() < kCannonReach &&
                      (lineClear(c, target_.spot, kCannonHalf, kShipRoom) ||
                       lineClear(c, hover, kCannonHalf, kShipRoom));
        for (b2Vec2 q : approach) {
            threat = threat ||
                     ((c - q).Length() < kApproachReach && lineClear(c, q, kCannonHalf, kShipRoom));
        }
        if (ignored || !threat) {
            continue;
        }
        b2Vec2 q;
        float score;
        if (!firingPlace(plan, cannon, &q, &score)) {
            ignored_.push_back(cannon);
            char line[96];
            std::snprintf(line, sizeof line, "no place to shoot the cannon at (%.1f, %.1f) from",
                          c.x, c.y);
            note(line);
            continue;
        }
        if (!chosen || score < bestScore) {
            chosen = cannon;
            place = q;
            bestScore = score;
        }
    }
    if (!chosen) {
        return;
    }
    path_ = plan.pathTo(place);
    goal_ = place;
    arrival_ = Attack;
    if (chosen != cannon_) {
        attackStalls_ = 0;
    }
    cannon_ = chosen;
    cannonAt_ = chosen->body->GetPosition();
    attackStage_ = Hold;
    char line[96];
    std::snprintf(line, sizeof line, "cannon at (%.1f, %.1f): shooting from (%.1f, %.1f)",
                  cannonAt_.x, cannonAt_.y, place.x, place.y);
    note(line);
}

// In the open, to one side of the cannon and not far above it (the nose then turns little past
// level to aim), in clear sight of it, away from students and from the other cannons' sight.
bool Autopilot::firingPlace(const FlightPlan& plan, const Cannon* cannon, b2Vec2* place,
                            float* score) const {
    b2Vec2 c = cannon->body->GetPosition();
    float bestScore = 1e30f;
    for (float distance = kFiringNearest; distance <= kFiringFarthest; distance += 1.0f) {
        for (int degrees = 0; degrees <= 180; degrees += 10) {
            int elevation = degrees <= 90 ? degrees : 180 - degrees;
            if (elevation > kFiringElevation) {
                continue;
            }
            float a = degrees * kPi / 180;
            b2Vec2 q = c + distance * b2Vec2(std::cos(a), std::sin(a));
            float cost = plan.costTo(q);
            if (cost < 0 || grid_->at(q) < kFiringRoom ||
                grid_->at(q - b2Vec2(0, kFiringDrop)) < kShipRoom ||
                !lineClear(q, c, 0.5f, kCannonHalf) || studentNearLine(q, c) ||
                cannonNearLine(q, c, cannon) || nearStudent(q, kFiringFromStudent) ||
                studentUnderDrift(q, c)) {
                continue;
            }
            float value = cost + 2.0f * std::fabs(distance - kFiringBest) +
                          0.2f * std::abs(elevation - 15) + kExposureCost * exposure(q, cannon);
            if (value < bestScore) {
                bestScore = value;
                *place = q;
            }
        }
    }
    *score = bestScore;
    return bestScore < 1e30f;
}

// How much the other cannons could fire at the ship at `point`: each one awake there (its wake
// square reaches 16 m along its own turning axes) and in sight counts, the nearer the more.
float Autopilot::exposure(b2Vec2 point, const Cannon* except) const {
    float exposed = 0;
    for (Cannon* cannon : world_->cannons) {
        b2Vec2 c = cannon->body->GetPosition();
        float distance = (c - point).Length();
        if (cannon != except && distance < kWakeDiagonal &&
            lineClear(c, point, kCannonHalf, kShipRoom)) {
            exposed += 1 + (kWakeDiagonal - distance) / kCannonReach;
        }
    }
    return exposed;
}

// A student stands within `distance` of the point, or anywhere below it within that width.
bool Autopilot::nearStudent(b2Vec2 point, float distance) const {
    for (Student* student : world_->students) {
        b2Vec2 d = point - student->body->GetPosition();
        if (d.Length() < distance || (std::fabs(d.x) < distance && d.y > 0 && d.y < 3 * distance)) {
            return true;
        }
    }
    return false;
}

bool Autopilot::lineClear(b2Vec2 from, b2Vec2 to, float skipStart, float skipEnd) const {
    return seesAcross(*world_, from, to, skipStart, skipEnd);
}

// A laser along the line would kill a student standing near it.
bool Autopilot::studentNearLine(b2Vec2 from, b2Vec2 to) const {
    for (Student* student : world_->students) {
        if (distanceToSegment(student->body->GetPosition(), from, to) < kLaserMargin) {
            return true;
        }
    }
    return false;
}

// The ship drifts toward the cannon and falls while it aims: no student may stand there.
bool Autopilot::studentUnderDrift(b2Vec2 from, b2Vec2 cannon) const {
    b2Vec2 drift = from + kDriftShare * (cannon - from);
    auto near = [&](b2Vec2 point, float distance) {
        return distanceToSegment(point, from, drift) < distance ||
               distanceToSegment(point, from - b2Vec2(0, kFiringDrop), drift) < distance;
    };
    for (Student* student : world_->students) {
        if (near(student->body->GetPosition(), kFiringFromStudent)) {
            return true;
        }
    }
    // Nor may a stopped cannon ball hang there.
    for (Shot* shot : world_->shots) {
        if (isMine(shot) && near(shot->body->GetPosition(), kFiringFromMine)) {
            return true;
        }
    }
    return false;
}

// Another cannon stands in the way of the shots.
bool Autopilot::cannonNearLine(b2Vec2 from, b2Vec2 to, const Cannon* target) const {
    for (Cannon* cannon : world_->cannons) {
        if (cannon != target &&
            distanceToSegment(cannon->body->GetPosition(), from, to) < kLaserMargin) {
            return true;
        }
    }
    return false;
}

// Hover at the firing place, rise a little, then turn the nose to the cannon and fire while it
// points there; the ship falls meanwhile, so come upright again after a while.
void Autopilot::attack() {
    const auto& cannons = world_->cannons;
    if (std::find(cannons.begin(), cannons.end(), cannon_) == cannons.end()) {
        note("cannon destroyed");
        phase_ = Collect;
        phaseSteps_ = 0;
        return;
    }
    if (phaseSteps_ > kAttackSteps) {
        ignored_.push_back(cannon_);
        restart("the cannon stands: going on");
        return;
    }
    Rocket* ship = world_->rocket;
    b2Body* body = ship->body;
    b2Vec2 p = body->GetPosition(), v = body->GetLinearVelocity();
    b2Vec2 hold = 1.5f * (goal_ - p);
    if (hold.Length() > 1.0f) {
        hold = unit(hold);
    }
    switch (attackStage_) {
        case Hold:
            // A ball on its way is dodged; where the dodge leads will do as well, if the cannon
            // is still in sight and in reach from there.
            fly(ballComing(kBallWarning) ? 0.5f * hold : hold, kLandingTilt);
            // Anywhere near the place will do, in sight of the cannon and in the open.
            if ((p - goal_).Length() < kFiringSlack && v.Length() < 0.5f && !ballComing(kAimTime) &&
                grid_->at(p) >= kShipRoom &&
                lineClear(body->GetWorldCenter(), cannonAt_, 0.5f, kCannonHalf)) {
                attackStage_ = Rise;
                aimSteps_ = 0;
            }
            break;
        case Rise: {
            // Climb with the nose already leaning toward the cannon, so the aim turns less.
            float lean = std::clamp(aimAngle(), -kLean, kLean);
            steer(lean);
            b2Vec2 up = body->GetWorldVector(b2Vec2(0, 1));
            float lift =
                body->GetMass() * kVelocityGain * (kRiseSpeed - v.y) - environmentForce().y;
            throttle(up.y > 0.3f ? std::max(0.0f, lift / up.y) : 0.0f);
            if (v.y > 0.8f * kRiseSpeed && std::fabs(wrapAngle(lean - body->GetAngle())) < 0.2f) {
                attackStage_ = Aim;
                aimSteps_ = 0;
            }
            if (++aimSteps_ > kAimSteps) {
                attackStage_ = Hold;
            }
            break;
        }
        case Aim: {
            float angle = aimAngle();
            b2Vec2 toCannon = cannonAt_ - body->GetWorldCenter();
            steer(angle);
            float error = std::fabs(wrapAngle(angle - body->GetAngle()));
            float tolerance = std::max(0.02f, std::atan(0.3f / toCannon.Length()));
            if (error < tolerance && ship->gunCooldown >= 0 &&
                !studentNearLine(body->GetWorldCenter(), cannonAt_)) {
                keyFire_ = true;
            }
            if (++aimSteps_ > kAimSteps || v.y < -kFallLimit * kRiseSpeed ||
                grid_->at(p) < kShipRoom || ballComing(kLastMoment)) {
                attackStage_ = Hold;
            }
            break;
        }
    }
}

// The nose angle that sends a shot at the cannon: the shot leaves at the ship's velocity plus
// 20 m/s along the nose.
float Autopilot::aimAngle() const {
    b2Body* body = world_->rocket->body;
    b2Vec2 v = body->GetLinearVelocity();
    b2Vec2 d = unit(cannonAt_ - body->GetWorldCenter());
    b2Vec2 nose = unit(kLaserSpeed * d - (v - b2Dot(v, d) * d));
    return std::atan2(-nose.x, nose.y);
}

// Coins from a burst cannon drift about; fly at each in turn, near enough for it to be drawn in.
void Autopilot::collect() {
    if (phaseSteps_ > kCollectSteps) {
        restart("leaving the coins");
        return;
    }
    b2Body* body = world_->rocket->body;
    b2Vec2 centre = body->GetWorldCenter();
    Coin* nearest = nullptr;
    float nearestDistance = kCoinSearch;
    for (Coin* coin : world_->coins) {
        b2Vec2 c = coin->body->GetPosition();
        float distance = (c - centre).Length();
        if ((c - cannonAt_).Length() < kCoinSearch && distance < nearestDistance &&
            lineClear(centre, c, 0.0f, 0.3f) && !nearStudent(c, kCoinFromStudent) &&
            exposure(c, nullptr) <= 0) {
            nearest = coin;
            nearestDistance = distance;
        }
    }
    if (!nearest) {
        restart(world_->coins.empty() ? "coins collected" : "leaving the coins");
        return;
    }
    b2Vec2 toward = nearest->body->GetPosition() - centre;
    float speed = std::min(1.5f, 0.3f + 0.5f * toward.Length());
    b2Vec2 velocity = speed * unit(toward);
    if (grid_->at(body->GetPosition() + 0.5f * velocity) < kShipRoom) {
        velocity.y = std::max(velocity.y, 0.3f);
    }
    fly(velocity, kLandingTilt);
}
