#include "tests/autopilot.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <queue>

#include "flight/cannon.h"
#include "flight/collision_category.h"
#include "flight/rocket.h"
#include "flight/student.h"
#include "flight/tile_kind.h"
#include "flight/world.h"
#include "frontend/campaign.h"
#include "platform/scripted_input.h"

namespace {

const float kPi = 3.14159265f;
const float kStep = 1.0f / 60.0f;  // s

// The grid.
const float kCell = 0.5f;       // m between grid points
const float kRoomCap = 3.0f;    // m: rock farther off does not matter
const float kShipRoom = 0.8f;   // m: half the side of the box the ship (1.17 x 1.49 m) needs
const float kStartRoom = 0.5f;  // m: where it stands to take off
const float kOpenRoom = 2.0f;   // m: beyond this a point is open sky
const float kTightCost = 3.0f;  // extra cost per metre of room short of open
const float kWaterCost = 8.0f;  // extra cost under water, where the ship floats up hard
const b2Vec2 kStudentBox(0.3f, 0.45f);  // m: half sizes around a student's body
const float kCannonHalf = 0.6f;         // m: half the side of a cannon's box

// The ship.
const float kThrustPerLevel = 40.0f;  // N on the steps that thrust
const float kFuelPerThrust = 0.0004f;  // per thrust level
const float kTorquePerLevel = 135.0f * 0.25f;  // N m
const float kUsableThrust = 0.7f;     // of the mean thrust, for planning speeds
const float kRestHeight = 0.7525f;    // m from the surface to the landed ship's origin

// Flying.
const float kVelocityGain = 2.5f;     // 1/s
const float kMaxAccel = 6.0f;         // m/s^2 asked of the engine
const float kTurnGain = 5.0f;         // 1/s
const float kMaxTurnRate = 3.0f;      // rad/s
const float kThrustWindow = 0.5f;     // rad: thrust only with the nose this near its aim
const float kCruiseTilt = 0.9f;       // rad
const float kLandingTilt = 0.3f;      // rad
const float kCruiseSpeed = 3.0f;      // m/s
const float kLookAhead = 1.0f;        // m along the path
const float kStallSteps = 300;        // steps without progress before a new plan
const int kReplansPerTarget = 6;

// Landing.
const float kNearestSpot = 2.0f;      // m from the student: nearer, the ship could touch it
const float kFarthestSpot = 6.0f;     // m: a student walks to a ship within 10 m
const float kBestSpot = 2.5f;         // m
const float kHoverHeights[] = {1.5f, 1.0f, 0.5f, 0.25f};  // m above the rest height
const float kBoardingReach = 1.0f;    // m: the student boards from this near
const float kWalkStep = 0.01f;        // m per step
const int kFlatFloor = 12;            // the walking student's tile mask on flat Solid ground
const int kPatienceSteps = 180;       // steps a landed ship waits for a student that stands still

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
    for (Cannon* cannon : world.cannons) {
        b2Vec2 p = cannon->body->GetPosition();
        keepNearest(p.x - kCannonHalf, p.y - kCannonHalf, p.x + kCannonHalf, p.y + kCannonHalf);
    }
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
    size_t nodes = static_cast<size_t>(grid.columns()) * grid.rows();
    cost_.assign(nodes, -1.0f);
    previous_.assign(nodes, -1);
    using Entry = std::pair<float, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    std::vector<float> best(nodes, 1e30f);

    // Seeds: the points around the ship where it fits, at least loosely.
    int start = nodeOf(from);
    int sc = start % grid.columns(), sr = start / grid.columns();
    for (int r = sr - 2; r <= sr + 2; r++) {
        for (int c = sc - 2; c <= sc + 2; c++) {
            float room = grid.at(c, r);
            float distance = (grid.point(c, r) - from).Length();
            if ((room >= kStartRoom && distance <= 1.0f) || (c == sc && r == sr)) {
                int node = r * grid.columns() + c;
                best[node] = distance;
                open.push({distance, node});
            }
        }
    }
    const int steps[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    while (!open.empty()) {
        auto [cost, node] = open.top();
        open.pop();
        if (cost_[node] >= 0) {
            continue;
        }
        cost_[node] = cost;
        int c = node % grid.columns(), r = node / grid.columns();
        for (const auto& step : steps) {
            int nc = c + step[0], nr = r + step[1];
            float room = grid.at(nc, nr);
            if (room < kShipRoom) {
                continue;
            }
            int next = nr * grid.columns() + nc;
            float length = kCell * std::sqrt(static_cast<float>(step[0] * step[0] + step[1] * step[1]));
            float factor = 1 + kTightCost * std::max(0.0f, kOpenRoom - room);
            if (grid.point(nc, nr).y <= waterLevel + 1.0f) {
                factor += kWaterCost;
            }
            float total = cost + length * factor;
            if (cost_[next] < 0 && total < best[next]) {
                best[next] = total;
                previous_[next] = node;
                open.push({total, next});
            }
        }
    }
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
    auto clear = [&](size_t i, size_t j) {
        float need = *std::min_element(rooms.begin() + i, rooms.begin() + j + 1) - kMargin;
        b2Vec2 d = raw[j] - raw[i];
        int samples = static_cast<int>(d.Length() / kSample) + 1;
        for (int s = 1; s < samples; s++) {
            if (grid_.at(raw[i] + (static_cast<float>(s) / samples) * d) < need) {
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
