#include "learning/Stats.h"

#include <chrono>
#include <thread>

void Stats::lockRecord() {
    std::lock_guard guard(lock);
    while (busy) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    busy = true;
}

void Stats::unlockRecord() {
    busy = false;
}

void Stats::put(double time, int shots, int hits, int missed, int weaponsSpeedNow, int shapesSpeedNow,
                double shapesFrequencyNow, double distanceSum, double hitTimeSum) {
    lockRecord();
    if (baseTime < 0) {
        baseTime = time;
        baseShots = shots;
        baseHits = hits;
        baseMissed = missed;
        baseDistanceSum = distanceSum;
        baseHitTimeSum = hitTimeSum;
    } else {
        curTime = time;
        curShots = shots;
        curHits = hits;
        curMissed = missed;
        curDistanceSum = distanceSum;
        curHitTimeSum = hitTimeSum;
        noFreshData = false;
    }
    shapesFrequency = shapesFrequencyNow;
    weaponsSpeed = weaponsSpeedNow;
    shapesSpeed = shapesSpeedNow;
    unlockRecord();
}

bool Stats::take(PeriodStats& out) {
    lockRecord();
    if (noFreshData) {
        unlockRecord();
        return false;
    }
    out.periodStart = baseTime;
    out.periodLength = curTime - baseTime;
    out.shots = curShots - baseShots;
    out.hits = curHits - baseHits;
    out.missed = curMissed - baseMissed;
    out.weaponsSpeed = weaponsSpeed;
    out.shapesSpeed = shapesSpeed;
    out.shapesFrequency = shapesFrequency;
    out.avgHitDistance = out.hits != 0 ? (curDistanceSum - baseDistanceSum) / out.hits : 0.0;
    out.avgHitTime = out.hits != 0 ? (curHitTimeSum - baseHitTimeSum) / out.hits : 0.0;
    baseTime = curTime;
    baseShots = curShots;
    baseHits = curHits;
    baseMissed = curMissed;
    baseDistanceSum = curDistanceSum;
    baseHitTimeSum = curHitTimeSum;
    noFreshData = true;
    unlockRecord();
    return true;
}

void Stats::resetBase() {
    lockRecord();
    baseTime = initialBaseTime;
    noFreshData = true;
    unlockRecord();
}
