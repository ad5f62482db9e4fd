#pragma once

#include "core/Runnable.h"

#include <cstdint>

class QObject;

// Posts one message to a window after a pause, from its own thread.
class Delay : public Runnable {
public:
    ~Delay() override;

    // Sets what to post; takes effect at the next start.
    void set(QObject* targetWindow, int message, int pauseMs, std::intptr_t wParam = 0);
    void run() override;

private:
    std::atomic<QObject*> targetWindow_{nullptr};
    std::atomic<int> message_{0};
    std::atomic<int> pauseMs_{0};
    std::atomic<std::intptr_t> wParam_{0};
};
