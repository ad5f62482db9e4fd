#include "render/FPSAverage.h"

#include "core/WindowMessages.h"

#include <chrono>
#include <thread>

namespace {
constexpr int captionWaits = 20;
constexpr int captionWaitMs = 50;
} // namespace

FPSAverage::FPSAverage(QObject* window, Clock& clock) : targetWindow(window), clock(clock) {
    reset();
}

FPSAverage::~FPSAverage() {
    stopAndWait();
}

void FPSAverage::reset() {
    window = 1500.0;
    capacity = 8;
    durations.assign(capacity, 0.0);
    frameCounts.assign(capacity, 0.0);
    lastTime = -1.0;
    index = -1;
    wrapped = false;
}

double FPSAverage::sample(int frames, double now) {
    if (lastTime < 0) {
        lastTime = now;
        return 0.0;
    }
    if (++index == capacity) {
        wrapped = true;
        index = 0;
    }
    frameCounts[index] = frames;
    durations[index] = now - lastTime;
    lastTime = now;

    double totalTime = 0.0;
    double totalFrames = 0.0;
    auto add = [&](int slot) {
        totalTime += durations[slot];
        totalFrames += frameCounts[slot];
        return totalTime >= window;
    };
    bool covered = false;
    for (int slot = index; slot >= 0 && !covered; --slot) {
        covered = add(slot);
    }
    for (int slot = capacity - 1; wrapped && slot > index && !covered; --slot) {
        covered = add(slot);
    }
    // Two samples at the same instant would otherwise divide by zero.
    return totalTime > 0.0 ? totalFrames * 1000.0 / totalTime : 0.0;
}

void FPSAverage::run() {
    while (!stopRequested) {
        const double fps = sample(framesSinceSample.exchange(0), clock.now());
        postWindowMessage(targetWindow, WindowMessages::WM_SET_CAPTION, 0, 0,
                          QString::asprintf("%.1f fps", fps));
        for (int i = 0; i < captionWaits && !stopRequested; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(captionWaitMs));
        }
    }
}
