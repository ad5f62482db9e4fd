#include "app/FramePacer.h"

#include "app/WindowMessages.h"

#include <chrono>
#include <thread>

FramePacer::FramePacer(QObject* window) : window(window) {}

FramePacer::~FramePacer() {
    stopAndWait();
}

void FramePacer::run() {
    using std::chrono::milliseconds;
    while (!stopRequested) {
        const int period = framePeriodMs;
        if (period == 0) {
            std::this_thread::sleep_for(milliseconds(idleSleepMs));
            continue;
        }
        waitForFrame();
        if (stopRequested) {
            break;
        }
        frameRequested = true;
        postWindowMessage(window, WindowMessages::WM_TICK);
        waitForFrame();
        std::this_thread::sleep_for(milliseconds(period));
    }
}

void FramePacer::beginPaint() {
    paintInProgress = true;
}

void FramePacer::frameDone() {
    {
        std::lock_guard guard(frameLock);
        paintInProgress = false;
        frameRequested = false;
    }
    frameChanged.notify_all();
}

void FramePacer::waitForFrame() {
    // Woken by frameDone rather than by polling, so the next period starts as soon as the frame is
    // shown; the short timeout keeps a stop request answered within a millisecond.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(frameWaitLimitMs);
    std::unique_lock guard(frameLock);
    while ((paintInProgress || frameRequested) && !stopRequested) {
        if (std::chrono::steady_clock::now() >= limit) {
            frameRequested = false;
            paintInProgress = false;
            return;
        }
        frameChanged.wait_for(guard, std::chrono::milliseconds(1));
    }
}
