#include "app/FramePacer.h"

#include "core/WindowMessages.h"

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
        const auto posted = std::chrono::steady_clock::now();
        postWindowMessage(window, WindowMessages::WM_TICK);
        // The period counts from the post, so a cycle is the period or the tick and its paint,
        // whichever is longer, never their sum.
        std::this_thread::sleep_until(posted + milliseconds(period));
    }
}

void FramePacer::beginPaint() {
    paintInProgress = true;
}

void FramePacer::frameDone() {
    {
        std::lock_guard guard(frameLock);
        frameDoneAt = std::chrono::steady_clock::now();
        paintInProgress = false;
        frameRequested = false;
    }
    frameChanged.notify_all();
}

std::chrono::steady_clock::time_point FramePacer::waitForFrame() {
    // Woken by frameDone rather than by polling, so the next period starts as soon as the frame is
    // shown; the short timeout keeps a stop request answered within a millisecond.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(frameWaitLimitMs);
    std::unique_lock guard(frameLock);
    while ((paintInProgress || frameRequested) && !stopRequested) {
        if (std::chrono::steady_clock::now() >= limit) {
            frameRequested = false;
            paintInProgress = false;
            return std::chrono::steady_clock::now();
        }
        frameChanged.wait_for(guard, std::chrono::milliseconds(1));
    }
    return std::max(frameDoneAt, limit - std::chrono::milliseconds(frameWaitLimitMs));
}
