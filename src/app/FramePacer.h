#pragma once

#include "core/Runnable.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class QObject;

// Posts WM_TICK to the window every framePeriodMs milliseconds counted from the previous post, and
// only once the frame of the previous tick is on screen, so ticks never pile up and never arrive
// while a frame is painted.
// With a period of 0 ("Unlimited") the window drives itself and the pacer only idles.
class FramePacer : public Runnable {
public:
    static constexpr int idleSleepMs = 10;
    // A frame that never arrives (a window that is not shown) must not stall the game.
    static constexpr int frameWaitLimitMs = 500;

    explicit FramePacer(QObject* window);
    ~FramePacer() override;

    void run() override;

    // Window thread: a frame started to paint / reached the screen, or a tick will paint nothing.
    void beginPaint();
    void frameDone();

    std::atomic<int> framePeriodMs{9};
    std::atomic<bool> paintInProgress{false};
    // Set from a tick's post until its frame is done.
    std::atomic<bool> frameRequested{false};

private:
    // Returns when the awaited frame was done, or the start of the wait if it was done before.
    std::chrono::steady_clock::time_point waitForFrame();

    QObject* window;
    std::mutex frameLock;
    std::condition_variable frameChanged;
    std::chrono::steady_clock::time_point frameDoneAt;
};
