#include "core/Runnable.h"

#include <chrono>
#include <thread>

Runnable::~Runnable() {
    // Owners stop their workers before destroying them; this only keeps a forgotten one from
    // outliving its object.
    endWorker();
}

void Runnable::endWorker() {
    stopRequested = true;
    while (running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Runnable::startIfIdle() {
    bool idle = false;
    // The flags are set here rather than on the new thread, so that a stop requested right after
    // the start is neither lost nor answered before the worker exists.
    if (!running.compare_exchange_strong(idle, true)) {
        return false;
    }
    stopRequested = false;
    std::thread(runThread, this).detach();
    return true;
}

void Runnable::stopAndWait() {
    if (!running || stopRequested) {
        return;
    }
    stopRequested = true;
    while (running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int runThread(Runnable* runnable) {
    runnable->running = true;
    runnable->run();
    runnable->running = false;
    return 0;
}
