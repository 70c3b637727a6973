#include "tests/autopilot.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <queue>

#include "flight/cannon.h"
#include "flight/coin.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/shot.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/campaign.h"
#include "platform/scripted_input.h"

namespace {

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

b2Vec2 unit(b2Vec2 v) {
    float length = v.Length();
    return length > 1e-6f ? (1.0f / length) * v : b2Vec2(0, 0);
}

float wrapAngle(float angle) {
    return std::remainder(angle, 2 * kPi);
}

// The thrust nearest `wanted` that the nose can give within `maxTilt` of straight up.
b2Vec2 intoCone(b2Vec2 wanted, float maxTilt) {
    float angle = std::atan2(-wanted.x, wanted.y);
    if (std::fabs(angle) <= maxTilt) {
        return wanted;
    }
    float edgeAngle = angle > 0 ? maxTilt : -maxTilt;
    b2Vec2 edge(-std::sin(edgeAngle), std::cos(edgeAngle));
    float along = b2Dot(wanted, edge);
    return along > 0 ? along * edge : b2Vec2(0, 0);
}

bool isRock(const World& world, int x, int y, bool breakableIsRock) {
    if (x < 1 || y < 1 || x >= world.width || y >= world.height) {
        return true;
    }
    int kind = world.getTile(x, y);
    return kind == Solid || (breakableIsRock && kind == Breakable);
}

// No rock on the straight line, apart from its first and last stretches.
bool seesAcross(const World& world, b2Vec2 from, b2Vec2 to, float skipStart, float skipEnd) {
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

float distanceToSegment(b2Vec2 point, b2Vec2 from, b2Vec2 to) {
    b2Vec2 d = to - from, p = point - from;
    float along = std::clamp(b2Dot(p, d) / std::max(d.LengthSquared(), 1e-6f), 0.0f, 1.0f);
    return (p - along * d).Length();
}

bool isMine(const Shot* shot) {
    const float kStill = 0.3f;  // m/s
    return shot->type == CollisionCategory::CannonBall &&
           shot->body->GetLinearVelocity().Length() < kStill;
}

}  // namespace

// ---- Clearance ----

ClearanceGrid::ClearanceGrid(const World& world, bool breakableIsRock)
    : columns_(2 * world.width + 1), rows_(2 * world.height + 1) {
    room_.assign(static_cast<size_t>(columns_) * rows_, kRoomCap);
    // Only rock along a free tile can be the nearest rock of a free point.
    for (int y = 0; y <= world.height; y++) {
        for (int x = 0; x <= world.width; x++) {
            if (!isRock(world, x, y, breakableIsRock)) {
                continue;
            }
            bool edge = !isRock(world, x - 1, y, breakableIsRock) ||
                        !isRock(world, x + 1, y, breakableIsRock) ||
                        !isRock(world, x, y - 1, breakableIsRock) ||
                        !isRock(world, x, y + 1, breakableIsRock);
            if (edge || x == 0 || y == 0) {
                keepNearest(x, y, x + 1.0f, y + 1.0f);
            }
        }
    }
    for (Student* student : world.students) {
        b2Vec2 p = student->body->GetPosition();
        keepNearest(p.x - kStudentBox.x, p.y - kStudentBox.y, p.x + kStudentBox.x,
                    p.y + kStudentBox.y);
    }
    // Cannon balls stopped in the air (a ball far from the ship sleeps, and wakes without its
    // speed) stay where they are until their time runs out.
    for (Shot* shot : world.shots) {
        if (isMine(shot)) {
            b2Vec2 p = shot->body->GetPosition();
            keepNearest(p.x - kMineHalf, p.y - kMineHalf, p.x + kMineHalf, p.y + kMineHalf);
        }
    }
    danger_.assign(room_.size(), 0.0f);
    for (Cannon* cannon : world.cannons) {
        b2Vec2 p = cannon->body->GetPosition();
        keepNearest(p.x - kCannonHalf, p.y - kCannonHalf, p.x + kCannonHalf, p.y + kCannonHalf);
        markDanger(world, p);
    }
}

// Near a cannon that sees it, a point is dangerous, the more so the nearer.
void ClearanceGrid::markDanger(const World& world, b2Vec2 cannon) {
    int c0 = std::max(0, static_cast<int>((cannon.x - kDangerRange) / kCell));
    int c1 = std::min(columns_ - 1, static_cast<int>((cannon.x + kDangerRange) / kCell) + 1);
    int r0 = std::max(0, static_cast<int>((cannon.y - kDangerRange) / kCell));
    int r1 = std::min(rows_ - 1, static_cast<int>((cannon.y + kDangerRange) / kCell) + 1);
    for (int r = r0; r <= r1; r++) {
        for (int c = c0; c <= c1; c++) {
            float distance = (point(c, r) - cannon).Length();
            if (distance < kDangerRange && seesAcross(world, cannon, point(c, r), kCannonHalf, 0)) {
                danger_[static_cast<size_t>(r) * columns_ + c] += 1 - distance / kDangerRange;
            }
        }
    }
}

float ClearanceGrid::danger(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_) {
        return 0;
    }
    return danger_[static_cast<size_t>(row) * columns_ + column];
}

void ClearanceGrid::keepNearest(float left, float bottom, float right, float top) {
    int c0 = std::max(0, static_cast<int>(std::ceil((left - kRoomCap) / kCell)));
    int c1 = std::min(columns_ - 1, static_cast<int>(std::floor((right + kRoomCap) / kCell)));
    int r0 = std::max(0, static_cast<int>(std::ceil((bottom - kRoomCap) / kCell)));
    int r1 = std::min(rows_ - 1, static_cast<int>(std::floor((top + kRoomCap) / kCell)));
    for (int r = r0; r <= r1; r++) {
        float py = r * kCell;
        float dy = std::max({0.0f, bottom - py, py - top});
        for (int c = c0; c <= c1; c++) {
            float px = c * kCell;
            float dx = std::max({0.0f, left - px, px - right});
            float& room = room_[static_cast<size_t>(r) * columns_ + c];
            room = std::min(room, std::max(dx, dy));
        }
    }
}

float ClearanceGrid::at(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_) {
        return 0;
    }
    return room_[static_cast<size_t>(row) * columns_ + column];
}

float ClearanceGrid::at(b2Vec2 point) const {
    return at(static_cast<int>(std::lround(point.x / kCell)),
              static_cast<int>(std::lround(point.y / kCell)));
}

// ---- Plans ----

FlightPlan::FlightPlan(const ClearanceGrid& grid, b2Vec2 from, float waterLevel)
    : grid_(grid), from_(from) {
    // Seeds: the points around the ship where it fits, at least loosely.
    std::vector<std::pair<int, float>> seeds;
    int start = nodeOf(from);
    int sc = start % grid.columns(), sr = start / grid.columns();
    for (int r = sr - 2; r <= sr + 2; r++) {
        for (int c = sc - 2; c <= sc + 2; c++) {
            float distance = (grid.point(c, r) - from).Length();
            if ((grid.at(c, r) >= kStartRoom && distance <= 1.0f) || (c == sc && r == sr)) {
                seeds.push_back({r * grid.columns() + c, distance});
            }
        }
    }
    search(seeds, waterLevel);
}

FlightPlan::FlightPlan(const ClearanceGrid& grid, float skyHeight, float waterLevel)
    : grid_(grid), from_(0, 0) {
    std::vector<std::pair<int, float>> seeds;
    int firstRow = std::max(0, static_cast<int>(std::ceil(skyHeight / kCell)));
    for (int r = firstRow; r < grid.rows(); r++) {
        for (int c = 0; c < grid.columns(); c++) {
            if (grid.at(c, r) >= kShipRoom) {
                seeds.push_back({r * grid.columns() + c, 0.0f});
            }
        }
    }
    search(seeds, waterLevel);
}

// Dijkstra over the grid points with room for the ship; each step costs its length, more in
// tight places, near cannons and under water.
void FlightPlan::search(const std::vector<std::pair<int, float>>& seeds, float waterLevel) {
    size_t nodes = static_cast<size_t>(grid_.columns()) * grid_.rows();
    cost_.assign(nodes, -1.0f);
    length_.assign(nodes, 0.0f);
    previous_.assign(nodes, -1);
    using Entry = std::pair<float, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    std::vector<float> best(nodes, 1e30f);
    for (const auto& [node, distance] : seeds) {
        best[node] = distance;
        length_[node] = distance;
        open.push({distance, node});
    }
    const int steps[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    while (!open.empty()) {
        auto [cost, node] = open.top();
        open.pop();
        if (cost_[node] >= 0) {
            continue;
        }
        cost_[node] = cost;
        int c = node % grid_.columns(), r = node / grid_.columns();
        for (const auto& step : steps) {
            int nc = c + step[0], nr = r + step[1];
            float room = grid_.at(nc, nr);
            if (room < kShipRoom) {
                continue;
            }
            int next = nr * grid_.columns() + nc;
            float length =
                kCell * std::sqrt(static_cast<float>(step[0] * step[0] + step[1] * step[1]));
            float factor = 1 + kTightCost * std::max(0.0f, kOpenRoom - room) +
                           kDangerCost * grid_.danger(nc, nr);
            if (grid_.point(nc, nr).y <= waterLevel + 1.0f) {
                factor += kWaterCost;
            }
            float total = cost + length * factor;
            if (cost_[next] < 0 && total < best[next]) {
                best[next] = total;
                length_[next] = length_[node] + length;
                previous_[next] = node;
                open.push({total, next});
            }
        }
    }
}

float FlightPlan::lengthTo(b2Vec2 goal) const {
    int node = nodeOf(goal);
    return cost_[node] < 0 ? -1.0f : length_[node];
}

int FlightPlan::nodeOf(b2Vec2 point) const {
    int c = std::clamp(static_cast<int>(std::lround(point.x / kCell)), 0, grid_.columns() - 1);
    int r = std::clamp(static_cast<int>(std::lround(point.y / kCell)), 0, grid_.rows() - 1);
    return r * grid_.columns() + c;
}

float FlightPlan::costTo(b2Vec2 goal) const {
    return cost_[nodeOf(goal)];
}

bool FlightPlan::cheapestAbove(float height, b2Vec2* goal) const {
    float cheapest = -1;
    int firstRow = std::max(0, static_cast<int>(std::ceil(height / kCell)));
    for (int r = firstRow; r < grid_.rows(); r++) {
        for (int c = 0; c < grid_.columns(); c++) {
            float cost = cost_[static_cast<size_t>(r) * grid_.columns() + c];
            if (cost >= 0 && (cheapest < 0 || cost < cheapest)) {
                cheapest = cost;
                *goal = grid_.point(c, r);
            }
        }
    }
    return cheapest >= 0;
}

std::vector<b2Vec2> FlightPlan::pathTo(b2Vec2 goal) const {
    std::vector<b2Vec2> raw;
    std::vector<float> rooms;
    for (int node = nodeOf(goal); node >= 0 && cost_[node] >= 0; node = previous_[node]) {
        int c = node % grid_.columns(), r = node / grid_.columns();
        raw.push_back(grid_.point(c, r));
        rooms.push_back(std::min(grid_.at(c, r), kOpenRoom));
    }
    if (raw.empty()) {
        return {};
    }
    raw.push_back(from_);
    rooms.push_back(std::min(grid_.at(from_), kOpenRoom));
    std::reverse(raw.begin(), raw.end());
    std::reverse(rooms.begin(), rooms.end());

    // Straight legs that keep at least the room the raw way had.
    const float kSample = 0.2f, kMargin = 0.3f;
    // The ship's own place may be tight (it may stand on the ground): the first metre is free.
    const float kTakeOff = 1.0f;
    auto clear = [&](size_t i, size_t j) {
        size_t first = std::max<size_t>(i, 1);
        float tightest = *std::min_element(rooms.begin() + first, rooms.begin() + j + 1);
        float need = std::max(kShipRoom, tightest - kMargin);
        b2Vec2 d = raw[j] - raw[i];
        int samples = static_cast<int>(d.Length() / kSample) + 1;
        for (int s = 1; s < samples; s++) {
            b2Vec2 point = raw[i] + (static_cast<float>(s) / samples) * d;
            if (grid_.at(point) < need && (point - raw[0]).Length() > kTakeOff) {
                return false;
            }
        }
        return true;
    };
    std::vector<b2Vec2> legs = {raw[0]};
    size_t i = 0;
    while (i + 1 < raw.size()) {
        size_t j = i + 1;
        while (j + 1 < raw.size() && clear(i, j + 1)) {
            j++;
        }
        legs.push_back(raw[j]);
        i = j;
    }
    return legs;
}

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
