#pragma once

#include "core/Clock.h"
#include "core/Runnable.h"

#include <atomic>
#include <vector>

class QObject;

// Measures the frame rate over the most recent 1.5 s and shows it in the window's caption once a
// second, from its own thread.
class FPSAverage : public Runnable {
public:
    FPSAverage(QObject* window, Clock& clock = Clock::program());
    ~FPSAverage() override;

    void reset();
    // Records f frames painted since the previous sample; returns frames per second averaged over
    // the newest samples that cover at least `window` milliseconds, 0 for the very first sample.
    double sample(int frames, double now);
    void run() override;

    // Incremented by the window thread after every painted frame.
    std::atomic<int> framesSinceSample{0};

private:
    QObject* targetWindow;
    Clock& clock;
    int capacity = 8;
    int index = -1;
    std::vector<double> durations;
    double window = 1500.0;
    std::vector<double> frameCounts;
    double lastTime = -1.0;
    bool wrapped = false;
};
