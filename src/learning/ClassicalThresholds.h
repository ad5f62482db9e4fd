#pragma once

class TabClassicalLearning;

// The classical method's thresholds as plain values, copied from the "Classical Learning" page.
// The defaults are those of an empty settings store.
struct ClassicalThresholds {
    double pm1Upper = 2.5;
    double pm1Lower = 0.0;
    double pm2Upper = 0.666;
    double pm2Lower = 0.333;
    // true: the second measure is the average distance hit targets travelled; false: their age.
    bool useDistance = true;
};

// Window thread: reads the page's edit fields (text that is not a number gives 0.0) and its
// measure choice.
ClassicalThresholds readClassicalThresholds(const TabClassicalLearning& page);
