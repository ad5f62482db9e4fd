#pragma once

// One statistics period as a module sees it: counts within the period, settings at its end.
struct PeriodStats {
    double periodStart = 0.0;
    double periodLength = 0.0;
    double shapesFrequency = 0.0;
    int shots = 0;
    int hits = 0;
    int missed = 0;
    int weaponsSpeed = 0;
    int shapesSpeed = 0;
    double avgHitDistance = 0.0;
    double avgHitTime = 0.0;
};
