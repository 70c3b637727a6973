#pragma once

#include <box2d/box2d.h>

#include <memory>
#include <string>
#include <vector>

class World;
class Student;
class Cannon;

// How much room the ship has at each point of a half-metre grid over the map: the distance, in
// the max norm, to the nearest rock tile, student or cannon (so a value c means the 2c by 2c box
// centred there is free). Capped at a few metres; outside the map counts as rock.
class ClearanceGrid {
public:
    // breakableIsRock false: the laser can open Breakable tiles, so they do not block.
    ClearanceGrid(const World& world, bool breakableIsRock);

    float at(int column, int row) const;
    float at(b2Vec2 point) const;  // at the nearest grid point
    // How exposed the point is to cannons close by: 0 out of their sight or reach.
    float danger(int column, int row) const;
    b2Vec2 point(int column, int row) const { return b2Vec2(column * 0.5f, row * 0.5f); }
    int columns() const { return columns_; }
    int rows() const { return rows_; }

private:
    void keepNearest(float left, float bottom, float right, float top);
    void markDanger(const World& world, b2Vec2 cannon);

    int columns_, rows_;
    std::vector<float> room_;
    std::vector<float> danger_;
};

// Cheapest ways from one place to every grid point the ship fits through, favouring open
// space and dry air; the ship's own start square may be tight (it may stand on the ground).
class FlightPlan {
public:
    FlightPlan(const ClearanceGrid& grid, b2Vec2 from, float waterLevel);
    // The other way round: from the open sky above `skyHeight` down to every point.
    FlightPlan(const ClearanceGrid& grid, float skyHeight, float waterLevel);

    // Cost of the way to the grid point nearest `goal`; negative when there is none.
    float costTo(b2Vec2 goal) const;
    // Its length in metres; negative when there is none.
    float lengthTo(b2Vec2 goal) const;
    // The way there as straight legs through open space, starting at `from`.
    std::vector<b2Vec2> pathTo(b2Vec2 goal) const;
    // The cheapest reachable point at or above `height`; false when none.
    bool cheapestAbove(float height, b2Vec2* goal) const;

private:
    void search(const std::vector<std::pair<int, float>>& seeds, float waterLevel);
    int nodeOf(b2Vec2 point) const;

    const ClearanceGrid& grid_;
    b2Vec2 from_;
    std::vector<float> cost_;
    std::vector<float> length_;
    std::vector<int> previous_;
};

// Flies the World's ship through the keyboard alone: it reads the World to decide and then holds
// or releases UP, LEFT, RIGHT and Z on the scripted input. It lands beside each student in turn,
// waits for the boarding, and climbs to orbit. Call step() once before each World::update.
class Autopilot {
public:
    explicit Autopilot(World* world);

    void step();

    bool headingForOrbit() const { return phase_ == Orbit; }
    // What happened, one line per event (targets, landings, hits, boardings, students given up).
    std::string logText() const;

private:
    enum Phase { Choose, Travel, Breach, Attack, Collect, Descend, Settle, Orbit };
    enum AttackStage { Hold, Rise, Aim };
    enum BallAhead { NoBall, FlyingBall, StoppedBall };

    struct Tile {
        int x, y;
        bool operator==(const Tile& other) const { return x == other.x && y == other.y; }
    };

    struct Target {
        Student* student;
        b2Vec2 spot;  // where the ship's origin rests, beside the student
        float hover;  // metres above the rest height where the descent starts
    };

    // Phases.
    void choose();
    bool pickStudent(const FlightPlan& plan, const FlightPlan& laserPlan,
                     const FlightPlan& laserSky, bool* throughRock);
    void headForStudent(const FlightPlan& way, bool throughRock, const FlightPlan& plan);
    void leaveForOrbit(const FlightPlan& plan, bool retreat);
    void travel();
    void breach();
    void attack();
    void collect();
    void descend();
    void settle();
    void orbit();

    // Breakable rock in the way.
    void planBreach();
    bool blockerInSight(b2Vec2 from, Tile* aim) const;

    // Cannons in the way.
    void planAttack(const FlightPlan& plan);
    float aimAngle() const;
    bool firingPlace(const FlightPlan& plan, const Cannon* cannon, b2Vec2* place,
                     float* score) const;
    bool lineClear(b2Vec2 from, b2Vec2 to, float skipStart, float skipEnd) const;
    bool studentNearLine(b2Vec2 from, b2Vec2 to) const;
    bool studentUnderDrift(b2Vec2 from, b2Vec2 cannon) const;
    bool cannonNearLine(b2Vec2 from, b2Vec2 to, const Cannon* target) const;
    float exposure(b2Vec2 point, const Cannon* except) const;
    bool nearStudent(b2Vec2 point, float distance) const;

    // Landing places.
    bool findSpot(const ClearanceGrid& grid, Student* student, Target* target) const;
    bool studentCanWalk(b2Vec2 student, float shipX) const;
    bool isGone(const Student* student) const;
    void giveUp(Student* student, const char* why);
    bool coveredByStandingCannon(const Target& target) const;

    // Fuel and hull.
    float fuelPerMetre() const;
    bool affordable(float there, float toOrbit) const;
    bool fuelForOrbit() const;
    bool shouldRetreat() const;

    // Flying.
    void followPath(float endSpeed);
    BallAhead ballAhead() const;
    void fly(b2Vec2 velocity, float maxTilt);
    b2Vec2 avoidance() const;
    bool ballComing(float seconds) const;
    b2Vec2 environmentForce() const;
    float reachableAcceleration(b2Vec2 direction, float maxTilt) const;
    void steer(float angle);
    void throttle(float force);
    void countThrust();
    bool touchesGround() const;

    void restart(const char* why);
    void watch();
    void note(const std::string& line);

    World* world_;
    float cruise_;                         // m/s in open air
    std::unique_ptr<ClearanceGrid> grid_;  // as of the last plan
    std::unique_ptr<FlightPlan> sky_;      // the ways up to orbit, as of the last plan
    Phase phase_ = Choose;
    int steps_ = 0;
    float lastHull_ = 0;
    int rescued_ = 0, killed_ = 0;
    Target target_{};
    std::vector<Student*> givenUp_;
    std::vector<b2Vec2> badSpots_;
    std::vector<b2Vec2> path_;
    size_t leg_ = 0;           // path_[leg_] to path_[leg_ + 1] is being flown
    int phaseSteps_ = 0;       // steps since the phase began
    float bestRemaining_ = 0;  // metres of path left, at best so far
    int sinceProgress_ = 0;    // steps since the path left last shrank
    int replans_ = 0;          // for the current target
    int landingHits_ = 0;      // for the current target
    int attackStalls_ = 0;     // for the current cannon
    float studentX_ = 0;       // the target's x when last seen moving
    int studentStill_ = 0;     // steps since the target last moved
    float thrustDebt_ = 0;     // newtons wanted but not yet given, summed over steps
    float lastFuel_ = -1;
    std::vector<Tile> blockers_;  // Breakable tiles to shoot before going on
    b2Vec2 goal_{0, 0};           // where the path ends
    Phase arrival_ = Descend;     // what follows there
    Cannon* cannon_ = nullptr;    // being shot at
    b2Vec2 cannonAt_{0, 0};
    AttackStage attackStage_ = Hold;
    std::vector<Cannon*> ignored_;  // cannons left standing
    bool aiming_ = false;
    int aimSteps_ = 0;
    bool shotPending_ = false;  // Z pressed on the last step
    bool keyLeft_ = false, keyRight_ = false, keyUp_ = false, keyFire_ = false;
    std::vector<std::string> log_;
};
