#include "core/Delay.h"

#include "core/WindowMessages.h"

#include <chrono>
#include <thread>

Delay::~Delay() {
    stopAndWait();
}

void Delay::set(QObject* targetWindow, int message, int pauseMs, std::intptr_t wParam) {
    targetWindow_ = targetWindow;
    message_ = message;
    pauseMs_ = pauseMs;
    wParam_ = wParam;
}

void Delay::run() {
    using namespace std::chrono;
    // Sleeps in short steps so that closing the window need not wait out the whole pause; a
    // stopped delay posts nothing, since its window may be going away.
    const auto deadline = steady_clock::now() + milliseconds(pauseMs_.load());
    while (!stopRequested) {
        const auto left = deadline - steady_clock::now();
        if (left <= nanoseconds::zero()) {
            postWindowMessage(targetWindow_, message_, wParam_);
            return;
        }
        std::this_thread::sleep_for(std::min<nanoseconds>(left, milliseconds(10)));
    }
}
