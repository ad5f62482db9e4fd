#pragma once

#include "learning/PeriodStats.h"

#include <atomic>
#include <mutex>

// Hands the game's running totals from the window thread to a module thread, cut into periods.
// The game offers a new hand-off only after the module took the previous one, so periods never
// overlap and none is lost.
class Stats {
public:
    static constexpr double initialBaseTime = -604'800'000.0; // minus seven days

    // A hand-off of running totals (never reset by the game, so only differences count).
    void put(double time, int shots, int hits, int missed, int weaponsSpeed, int shapesSpeed,
             double shapesFrequency, double distanceSum, double hitTimeSum);
    // Closes the period ending at the latest hand-off; false, changing nothing, when there is none.
    bool take(PeriodStats& out);
    // Forgets the base so that the next hand-off starts a fresh first period.
    void resetBase();

    // Read by the window thread without the busy flag; a stale value only delays a hand-off.
    std::atomic<bool> noFreshData{true};
    std::atomic<int> periodMs{2000};
    std::atomic<double> baseTime{initialBaseTime};

private:
    void lockRecord();
    void unlockRecord();

    std::atomic<bool> busy{false};
    std::mutex lock;

    int baseShots = 0;
    int baseHits = 0;
    int baseMissed = 0;
    double curTime = 0.0;
    int curShots = 0;
    int curHits = 0;
    int curMissed = 0;
    int weaponsSpeed = 0;
    int shapesSpeed = 0;
    double shapesFrequency = 0.0;
    double baseDistanceSum = 0.0;
    double curDistanceSum = 0.0;
    double baseHitTimeSum = 0.0;
    double curHitTimeSum = 0.0;
};
