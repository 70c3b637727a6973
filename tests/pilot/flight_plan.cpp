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
