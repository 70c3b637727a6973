#include "tests/pilot/autopilot.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <queue>

#include "campaign/campaign_state.h"
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

void Autopilot::travel() {
    if (isGone(target_.student)) {
        restart("the student is gone");
        return;
    }
    switch (ballAhead()) {
        case StoppedBall:
            restart("a stopped cannon ball lies ahead");
            return;
        case FlyingBall:
            fly(b2Vec2(0, 0), kCruiseTilt);  // let it pass
            sinceProgress_ = 0;
            return;
        default:
            followPath(0.0f);
            break;
    }
    b2Vec2 p = world_->rocket->body->GetPosition();
    b2Vec2 v = world_->rocket->body->GetLinearVelocity();
    if ((p - goal_).Length() < 0.35f && v.Length() < 0.5f) {
        phase_ = arrival_;
        phaseSteps_ = 0;
    } else if (sinceProgress_ > kStallSteps) {
        if (arrival_ == Attack) {
            if (++attackStalls_ >= kAttackStalls) {
                ignored_.push_back(cannon_);
                attackStalls_ = 0;
            }
        } else if (++replans_ > kReplansPerTarget) {
            giveUp(target_.student, "the ship could not get there");
        }
        restart("no headway");
    }
}

// A cannon ball on the next stretch of the path: a stopped one the plan did not know about
// means a new plan; a flying one is let by.
Autopilot::BallAhead Autopilot::ballAhead() const {
    b2Vec2 p = world_->rocket->body->GetPosition();
    BallAhead found = NoBall;
    for (Shot* shot : world_->shots) {
        b2Vec2 m = shot->body->GetPosition();
        if (shot->type != CollisionCategory::CannonBall || (m - p).Length() > kBallLookAhead) {
            continue;
        }
        b2Vec2 from = p;
        for (size_t i = leg_ + 1; i < path_.size() && (path_[i] - p).Length() < 2 * kBallLookAhead;
             i++) {
            if (distanceToSegment(m, from, path_[i]) < kShipRoom + kMineHalf) {
                if (isMine(shot) && grid_->at(m) > 0) {
                    return StoppedBall;
                }
                found = isMine(shot) ? found : FlyingBall;
            }
            from = path_[i];
        }
    }
    return found;
}

// Shoots the Breakable tiles in the way from the stand-off point: hover there, turn the nose to
// the nearest one in sight, fire once, come upright again, until none is left.
void Autopilot::breach() {
    blockers_.erase(std::remove_if(blockers_.begin(), blockers_.end(),
                                   [&](Tile t) { return world_->getTile(t.x, t.y) != Breakable; }),
                    blockers_.end());
    if (blockers_.empty()) {
        restart("the way through the rock is open");
        return;
    }
    if (phaseSteps_ > kBreachSteps) {
        giveUp(target_.student, "the laser could not open the way");
        phase_ = Choose;
        return;
    }
    Rocket* ship = world_->rocket;
    b2Body* body = ship->body;
    b2Vec2 p = body->GetPosition();
    b2Vec2 hold = 1.5f * (goal_ - p);
    if (hold.Length() > 1.0f) {
        hold = unit(hold);
    }
    if (shotPending_) {
        shotPending_ = false;
        aiming_ = ship->gunCooldown >= 0;  // not fired: keep aiming
    }
    Tile aim;
    if (!aiming_ || !blockerInSight(body->GetWorldCenter(), &aim)) {
        aiming_ = false;
        fly(hold, kLandingTilt);
        aiming_ = (p - goal_).Length() < 0.6f && body->GetLinearVelocity().Length() < 0.3f;
        aimSteps_ = 0;
        return;
    }
    b2Vec2 d = b2Vec2(aim.x + 0.5f, aim.y + 0.5f) - body->GetWorldCenter();
    float angle = std::atan2(-d.x, d.y);
    fly(hold, kPi);
    steer(angle);
    float error = wrapAngle(angle - body->GetAngle());
    keyUp_ = keyUp_ && std::fabs(wrapAngle(body->GetAngle())) < kCruiseTilt;
    if (std::fabs(error) < kAimTolerance && std::fabs(body->GetAngularVelocity()) < 0.5f &&
        ship->gunCooldown >= 0) {
        keyFire_ = true;
        shotPending_ = true;
    }
    if (++aimSteps_ > kAimSteps) {
        aiming_ = false;
    }
}

// The nearest Breakable tile in the way that a shot from `from` would reach first.
bool Autopilot::blockerInSight(b2Vec2 from, Tile* aim) const {
    std::vector<Tile> order = blockers_;
    auto distance = [&](Tile t) { return (b2Vec2(t.x + 0.5f, t.y + 0.5f) - from).Length(); };
    std::sort(order.begin(), order.end(),
              [&](Tile a, Tile b) { return distance(a) < distance(b); });
    for (Tile tile : order) {
        b2Vec2 d = b2Vec2(tile.x + 0.5f, tile.y + 0.5f) - from;
        float length = d.Length();
        for (float s = 0; s <= length; s += 0.05f) {
            b2Vec2 q = from + (s / length) * d;
            Tile hit{static_cast<int>(q.x), static_cast<int>(q.y)};
            int kind = world_->getTile(hit.x, hit.y);
            if (kind == Breakable &&
                std::find(blockers_.begin(), blockers_.end(), hit) != blockers_.end()) {
                *aim = hit;
                return true;
            }
            if (isSolidTile(kind)) {
                break;
            }
        }
    }
    return false;
}

// ---- Flying ----

void Autopilot::followPath(float endSpeed) {
    b2Body* body = world_->rocket->body;
    b2Vec2 p = body->GetPosition();
    if (path_.size() < 2) {
        fly(b2Vec2(0, 0), kCruiseTilt);
        return;
    }
    // Move on to the next leg once this one's end is near or passed.
    while (leg_ + 2 < path_.size()) {
        b2Vec2 a = path_[leg_], b = path_[leg_ + 1];
        b2Vec2 d = b - a;
        float t = d.LengthSquared() > 0 ? b2Dot(p - a, d) / d.LengthSquared() : 1;
        if (t < 1 && (b - p).Length() > 0.5f) {
            break;
        }
        leg_++;
    }
    b2Vec2 a = path_[leg_], b = path_[leg_ + 1];
    b2Vec2 legDirection = unit(b - a);
    float along = std::clamp(b2Dot(p - a, legDirection), 0.0f, (b - a).Length());
    // The carrot: a little way along the path from the ship's place on its leg.
    b2Vec2 carrot = a + along * legDirection;
    float ahead = kLookAhead;
    size_t leg = leg_;
    while (ahead > 0) {
        b2Vec2 end = path_[leg + 1];
        float left = (end - carrot).Length();
        if (left >= ahead || leg + 2 >= path_.size()) {
            carrot = carrot + std::min(ahead, left) * unit(end - carrot);
            break;
        }
        ahead -= left;
        carrot = end;
        leg++;
    }
    float remaining = (b - p).Length();
    for (size_t i = leg_ + 1; i + 1 < path_.size(); i++) {
        remaining += (path_[i + 1] - path_[i]).Length();
    }
    if (remaining < bestRemaining_ - 0.5f) {
        bestRemaining_ = remaining;
        sinceProgress_ = 0;
    } else {
        sinceProgress_++;
    }

    // Speed: open space allows more; stop in time for the end and slow for the corners ahead.
    float brake = kBrakeShare * reachableAcceleration(-1.0f * legDirection, kCruiseTilt);
    brake = std::max(brake, 0.2f);
    float room = std::min(grid_->at(p), grid_->at(carrot));
    float speed = std::min(cruise_, 0.6f + 2.0f * std::max(0.0f, room - kShipRoom));
    speed = std::min(speed, std::sqrt(endSpeed * endSpeed + 2 * brake * remaining));
    float toCorner = (b - p).Length();
    for (size_t i = leg_ + 1; i + 1 < path_.size() && toCorner < 8; i++) {
        float turn = std::acos(std::clamp(
            b2Dot(unit(path_[i] - path_[i - 1]), unit(path_[i + 1] - path_[i])), -1.0f, 1.0f));
        float cornerSpeed = std::max(0.6f, cruise_ * std::cos(std::min(turn, kPi / 2)));
        speed = std::min(speed, std::sqrt(cornerSpeed * cornerSpeed + 2 * brake * toCorner));
        toCorner += (path_[i + 1] - path_[i]).Length();
    }
    // Near the end, close in on it gently.
    b2Vec2 velocity = speed * unit(carrot - p);
    if (remaining < kClosingIn) {
        velocity = kHoldGain * (path_.back() - p);
        if (velocity.Length() > speed) {
            velocity = speed * unit(velocity);
        }
    }
    fly(velocity, kCruiseTilt);
}

// Asks for a velocity: the acceleration toward it, less what gravity, lift and drag already
// give, is the thrust wanted; the nose turns toward it and UP is held for its share.
void Autopilot::fly(b2Vec2 velocity, float maxTilt) {
    b2Body* body = world_->rocket->body;
    float mass = body->GetMass();
    b2Vec2 accel = kVelocityGain * (velocity + avoidance() - body->GetLinearVelocity());
    if (accel.Length() > kMaxAccel) {
        accel = kMaxAccel * unit(accel);
    }
    b2Vec2 thrust = intoCone(mass * accel - environmentForce(), maxTilt);
    float aim = thrust.Length() > 0.5f ? std::atan2(-thrust.x, thrust.y) : 0.0f;
    steer(aim);
    b2Vec2 up = body->GetWorldVector(b2Vec2(0, 1));
    bool aimed = std::fabs(wrapAngle(aim - body->GetAngle())) < kThrustWindow;
    throttle(aimed ? std::max(0.0f, b2Dot(thrust, up)) : 0.0f);
}

// A push away from students close by (a touch kills them) and out of the line of cannon balls
// coming this way.
b2Vec2 Autopilot::avoidance() const {
    b2Body* body = world_->rocket->body;
    b2Vec2 p = body->GetPosition(), v = body->GetLinearVelocity();
    b2Vec2 push(0, 0);
    for (Student* student : world_->students) {
        b2Vec2 away = p - student->body->GetPosition();
        float gap = std::max(std::fabs(away.x) - kStudentGap.x, std::fabs(away.y) - kStudentGap.y);
        if (gap < kStudentKeepOff) {
            push += (kStudentKeepOff - gap) * kAvoidGain * unit(away);
        }
    }
    for (Shot* shot : world_->shots) {
        if (shot->type != CollisionCategory::CannonBall) {
            continue;
        }
        b2Vec2 r = body->GetWorldCenter() - shot->body->GetPosition();
        b2Vec2 closing = shot->body->GetLinearVelocity() - v;
        float time = b2Dot(r, closing) / std::max(closing.LengthSquared(), 1e-4f);
        b2Vec2 miss = r - time * closing;
        if (time > 0 && time < kBallWarning && miss.Length() < kBallMiss) {
            // Away from the ball's line, unless rock lies that way and not the other.
            b2Vec2 side = miss.Length() > 0.05f ? unit(miss) : unit(b2Vec2(-closing.y, closing.x));
            if (grid_ && grid_->at(p + kDodgeLook * side) < kDodgeRoom &&
                grid_->at(p - kDodgeLook * side) > grid_->at(p + kDodgeLook * side)) {
                side = -1.0f * side;
            }
            push += kDodgeSpeed * side;
        }
    }
    return push;
}

// A cannon ball will pass within reach of the ship in the next `seconds`.
bool Autopilot::ballComing(float seconds) const {
    b2Body* body = world_->rocket->body;
    for (Shot* shot : world_->shots) {
        if (shot->type != CollisionCategory::CannonBall) {
            continue;
        }
        b2Vec2 r = body->GetWorldCenter() - shot->body->GetPosition();
        b2Vec2 closing = shot->body->GetLinearVelocity() - body->GetLinearVelocity();
        float time = b2Dot(r, closing) / std::max(closing.LengthSquared(), 1e-4f);
        if (time > 0 && time < seconds && (r - time * closing).Length() < kBallMiss) {
            return true;
        }
    }
    return false;
}

// The ship's own forces other than thrust, as it works them out each step.
b2Vec2 Autopilot::environmentForce() const {
    b2Body* body = world_->rocket->body;
    float mass = body->GetMass();
    float gravity = g_gravity[g_mission], density = g_airDensity[g_mission];
    b2Vec2 v = body->GetLinearVelocity();
    b2Vec2 drag(-v.x * std::fabs(std::trunc(v.x)), -v.y * std::fabs(std::trunc(v.y)));
    b2Vec2 force(0, mass * gravity);
    if (body->GetWorldCenter().y > g_waterLevel[g_mission]) {
        force += b2Vec2(0, -gravity * density) + (0.5f * density) * drag;
    } else {
        force += b2Vec2(0, -gravity * 20.0f) + 5.0f * drag;
    }
    return force;
}

// What the engine (a share of its mean thrust, within the tilt) and the net weight can do along
// `direction`, in m/s^2.
float Autopilot::reachableAcceleration(b2Vec2 direction, float maxTilt) const {
    b2Body* body = world_->rocket->body;
    float mass = body->GetMass();
    float meanThrust = 0.5f * kThrustPerLevel * g_thrustLevel * kUsableThrust;
    float off = std::max(0.0f, std::fabs(std::atan2(-direction.x, direction.y)) - maxTilt);
    float engine = off < kPi / 2 ? meanThrust * std::cos(off) : 0.0f;
    float gravity = g_gravity[g_mission];
    float lift = body->GetWorldCenter().y > g_waterLevel[g_mission]
                     ? -gravity * g_airDensity[g_mission]
                     : -gravity * 20.0f;
    return (engine + (mass * gravity + lift) * direction.y) / mass;
}

// Turns the nose toward `angle` (0 straight up, positive to the left): LEFT turns
// counter-clockwise, RIGHT clockwise, by a turn rate that eases off as the nose comes round.
void Autopilot::steer(float angle) {
    b2Body* body = world_->rocket->body;
    float error = wrapAngle(angle - body->GetAngle());
    float wanted = std::clamp(kTurnGain * error, -kMaxTurnRate, kMaxTurnRate);
    b2Vec2 centre = body->GetLocalCenter();
    float inertia = body->GetInertia() - body->GetMass() * centre.LengthSquared();
    float perStep = kTorquePerLevel * g_turnLevel / inertia * kStep;
    float change = wanted - body->GetAngularVelocity();
    keyLeft_ = change > 0.5f * perStep;
    keyRight_ = change < -0.5f * perStep;
}

// Thrust comes on a random half of the steps UP is held: hold it while the force wanted so
// far exceeds the force given, so that the two agree on average.
void Autopilot::throttle(float force) {
    float full = kThrustPerLevel * g_thrustLevel;
    thrustDebt_ = std::clamp(thrustDebt_ + force, -full, full);
    keyUp_ = force > 0 && thrustDebt_ > 0;
}

// The tank tells how often the engine fired since the last look.
void Autopilot::countThrust() {
    float fuel = world_->rocket->fuel;
    if (lastFuel_ >= 0 && fuel < lastFuel_) {
        float perShot = kFuelPerThrust * g_thrustLevel;
        long fired = std::lround((lastFuel_ - fuel) / perShot);
        thrustDebt_ -= fired * kThrustPerLevel * g_thrustLevel;
    }
    lastFuel_ = fuel;
}

bool Autopilot::touchesGround() const {
    for (b2ContactEdge* edge = world_->rocket->body->GetContactList(); edge; edge = edge->next) {
        b2Contact* contact = edge->contact;
        uint16_t a = contact->GetFixtureA()->GetFilterData().categoryBits;
        uint16_t b = contact->GetFixtureB()->GetFilterData().categoryBits;
        if (contact->IsTouching() && ((a | b) & CollisionCategory::Terrain)) {
            return true;
        }
    }
    return false;
}
