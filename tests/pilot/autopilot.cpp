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

// ---- The autopilot ----

// Cruising speed: as fast as air drag (whole m/s steps) leaves most of the engine free.
Autopilot::Autopilot(World* world) : world_(world) {
    float density = g_airDensity[g_mission];
    float meanThrust = 0.5f * kThrustPerLevel * g_thrustLevel;
    cruise_ = kSlowestCruise;
    while (cruise_ < kFastestCruise) {
        float faster = cruise_ + 0.25f;
        if (faster * std::trunc(faster) * 0.5f * density > kDragShare * meanThrust) {
            break;
        }
        cruise_ = faster;
    }
}

std::string Autopilot::logText() const {
    std::string text;
    for (const std::string& line : log_) {
        text += line + "\n";
    }
    return text;
}

void Autopilot::restart(const char* why) {
    note(why);
    phase_ = Choose;
}

// Still enough fuel to climb to orbit from here, with the reserve.
bool Autopilot::fuelForOrbit() const {
    if (!sky_) {
        return true;
    }
    float climb = sky_->lengthTo(world_->rocket->body->GetPosition());
    return climb < 0 || world_->rocket->fuel > fuelPerMetre() * climb + kFuelReserve;
}

// A cannon the ship could not shoot covers the landing spot: landing there costs hull.
bool Autopilot::coveredByStandingCannon(const Target& target) const {
    b2Vec2 hover = target.spot + b2Vec2(0, target.hover);
    for (Cannon* cannon : ignored_) {
        const auto& cannons = world_->cannons;
        if (std::find(cannons.begin(), cannons.end(), cannon) == cannons.end()) {
            continue;
        }
        b2Vec2 c = cannon->body->GetPosition();
        if ((c - target.spot).Length() < kCannonReach &&
            (lineClear(c, target.spot, kCannonHalf, kShipRoom) ||
             lineClear(c, hover, kCannonHalf, kShipRoom))) {
            return true;
        }
    }
    return false;
}

// A ship that one more hit might destroy takes no more risks; nor does one that has lost much
// of its hull once it carries half the students.
bool Autopilot::shouldRetreat() const {
    float hull = world_->rocket->hull;
    bool half = 2 * world_->studentsRescued >= world_->studentsTotal;
    return hull < kRetreatHull || (hull < kCarefulHull && half);
}

// Hits and losses, as they happen.
void Autopilot::watch() {
    if (world_->rocket && world_->rocket->hull < lastHull_ - 0.01f) {
        static const char* const kPhases[] = {"choosing",   "travelling", "breaching", "attacking",
                                              "collecting", "descending", "landed",    "leaving"};
        b2Vec2 p = world_->rocket->body->GetPosition();
        char line[96];
        std::snprintf(line, sizeof line, "hit while %s at (%.1f, %.1f): hull %.2f", kPhases[phase_],
                      p.x, p.y, world_->rocket->hull);
        note(line);
        if ((phase_ == Descend || phase_ == Settle) && ++landingHits_ >= kLandingHits) {
            giveUp(target_.student, "cannons cover its landing spot");
            restart("leaving under fire");
        } else if (shouldRetreat() && phase_ != Orbit) {
            restart("retreating");
        }
    }
    // Short of fuel, leave; but a landing under way finishes, for the student brings fuel.
    bool landing = phase_ == Descend || phase_ == Settle ||
                   (phase_ == Travel && arrival_ == Descend && bestRemaining_ < kNearlyThere);
    if (world_->rocket && phase_ != Orbit && phase_ != Choose && !landing &&
        steps_ % kFuelCheckSteps == 0 && !fuelForOrbit()) {
        restart("fuel is running short");
    }
    lastHull_ = world_->rocket ? world_->rocket->hull : -1;
    for (; rescued_ < world_->studentsRescued; rescued_++) {
        note("a student boarded");
    }
    for (; killed_ < world_->studentsKilled; killed_++) {
        note("a student was killed");
    }
}

void Autopilot::note(const std::string& line) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%d fuel %.2f] ", steps_,
                  world_->rocket ? world_->rocket->fuel : 0.0f);
    log_.push_back(stamp + line);
}

void Autopilot::step() {
    ScriptedInput& input = scriptedInput();
    keyUp_ = keyLeft_ = keyRight_ = keyFire_ = false;
    steps_++;
    watch();
    if (world_->rocket != nullptr) {
        countThrust();
        phaseSteps_++;
        switch (phase_) {
            case Choose:
                choose();
                break;
            case Travel:
                travel();
                break;
            case Descend:
                descend();
                break;
            case Settle:
                settle();
                break;
            case Breach:
                breach();
                break;
            case Attack:
                attack();
                break;
            case Collect:
                collect();
                break;
            case Orbit:
                orbit();
                break;
        }
    }
    const int keys[4] = {GLFW_KEY_UP, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, GLFW_KEY_Z};
    const bool held[4] = {keyUp_, keyLeft_, keyRight_, keyFire_};
    for (int i = 0; i < 4; i++) {
        if (held[i]) {
            input.hold(keys[i]);
        } else {
            input.release(keys[i]);
        }
    }
}

// ---- Phases ----

// Plans from where the ship is: the next student to fetch (the cheapest way there that the fuel
// allows and no standing cannon covers), or else the way up to orbit.
void Autopilot::choose() {
    b2Vec2 ship = world_->rocket->body->GetPosition();
    float water = g_waterLevel[g_mission];
    float skyHeight = static_cast<float>(world_->height - kOrbitBelowTop);
    sky_.reset();  // it refers to the grid
    grid_ = std::make_unique<ClearanceGrid>(*world_, true);
    sky_ = std::make_unique<FlightPlan>(*grid_, skyHeight, water);
    FlightPlan plan(*grid_, ship, water);
    // The same with Breakable rock opened by the laser.
    ClearanceGrid laserGrid(*world_, false);
    FlightPlan laserPlan(laserGrid, ship, water);
    FlightPlan laserSky(laserGrid, skyHeight, water);

    Student* previous = target_.student;
    bool retreat = shouldRetreat() || !fuelForOrbit();
    bool throughRock = false;
    bool found = !retreat && pickStudent(plan, laserPlan, laserSky, &throughRock);
    if (target_.student != previous) {
        replans_ = 0;
        landingHits_ = 0;
    }
    phaseSteps_ = 0;
    sinceProgress_ = 0;
    bestRemaining_ = 1e30f;
    leg_ = 0;
    blockers_.clear();
    if (found) {
        headForStudent(throughRock ? laserPlan : plan, throughRock, plan);
    } else {
        leaveForOrbit(plan, retreat);
    }
}

bool Autopilot::pickStudent(const FlightPlan& plan, const FlightPlan& laserPlan,
                            const FlightPlan& laserSky, bool* throughRock) {
    bool found = false;
    float cheapest = 0;
    for (Student* student : world_->students) {
        if (std::find(givenUp_.begin(), givenUp_.end(), student) != givenUp_.end()) {
            continue;
        }
        Target candidate;
        if (!findSpot(*grid_, student, &candidate)) {
            giveUp(student, "no landing spot beside it");
            continue;
        }
        b2Vec2 hover = candidate.spot + b2Vec2(0, candidate.hover);
        float cost = plan.costTo(hover);
        float length = plan.lengthTo(hover);
        float climb = sky_->lengthTo(hover);
        bool rock = false;
        // Shooting through Breakable rock may be the only way, or a much shorter one.
        float laserCost = laserPlan.costTo(hover);
        if (laserCost >= 0 && (cost < 0 || laserCost + kBreachCost < cost)) {
            cost = laserCost + kBreachCost;
            length = laserPlan.lengthTo(hover);
            climb = laserSky.lengthTo(hover);
            rock = true;
        }
        if (cost < 0 || !affordable(length, climb) || coveredByStandingCannon(candidate)) {
            continue;
        }
        if (!found || cost < cheapest) {
            found = true;
            cheapest = cost;
            *throughRock = rock;
            target_ = candidate;
        }
    }
    return found;
}

// The way to the target's hover point; Breakable rock or cannons on it are dealt with first.
void Autopilot::headForStudent(const FlightPlan& way, bool throughRock, const FlightPlan& plan) {
    b2Vec2 hover = target_.spot + b2Vec2(0, target_.hover);
    path_ = way.pathTo(hover);
    phase_ = Travel;
    goal_ = hover;
    arrival_ = Descend;
    char line[160];
    b2Vec2 s = target_.student->body->GetPosition();
    std::snprintf(line, sizeof line, "student at (%.1f, %.1f): landing at (%.1f, %.2f)%s", s.x, s.y,
                  target_.spot.x, target_.spot.y, throughRock ? ", through Breakable rock" : "");
    note(line);
    if (throughRock) {
        planBreach();
    } else {
        planAttack(plan);
    }
}

void Autopilot::leaveForOrbit(const FlightPlan& plan, bool retreat) {
    b2Vec2 goal;
    float orbitLine = static_cast<float>(world_->height - kOrbitBelowTop);
    path_.clear();
    if (plan.cheapestAbove(orbitLine + 2.0f, &goal)) {
        path_ = plan.pathTo(goal);
    }
    if (retreat) {
        note("the hull or the fuel is running low");
    }
    phase_ = Orbit;
    note(path_.empty() ? "to orbit, no way found: straight up" : "to orbit");
}

// Fuel by rule of thumb: holding the ship up and pushing through the air at about cruising
// speed, with a margin for manoeuvres. Each newton-second of thrust takes the same fuel whatever
// the engine's level.
float Autopilot::fuelPerMetre() const {
    b2Body* body = world_->rocket->body;
    float gravity = -g_gravity[g_mission], density = g_airDensity[g_mission];
    float weight = std::max(0.0f, body->GetMass() * gravity - gravity * density);
    float speed = kTypicalShare * cruise_;
    float drag = speed * std::trunc(speed) * 0.5f * density;
    return kFuelPerImpulse * (weight + drag) / speed * kFuelMargin;
}

// Enough fuel to get to the student, land, and still climb to orbit from there afterwards,
// counting the fuel the student brings.
bool Autopilot::affordable(float there, float toOrbit) const {
    Rocket* ship = world_->rocket;
    float gravity = -g_gravity[g_mission], density = g_airDensity[g_mission];
    float weight = std::max(0.0f, ship->body->GetMass() * gravity - gravity * density);
    float trip = fuelPerMetre() * there + kFuelPerImpulse * weight * kLandingSeconds;
    float tank = g_fuelLevel * kTankPerLevel;
    float after = std::min(tank, ship->fuel - trip + kStudentFuel);
    float climb = fuelPerMetre() * (toOrbit < 0 ? 1e6f : toOrbit);
    return ship->fuel - trip > kFuelReserve && after > climb + kFuelReserve;
}

// The way runs through Breakable rock: stop short of the first place where the ship does not
// fit, and note the Breakable tiles in the ship's way there.
