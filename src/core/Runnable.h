#pragma once

#include <atomic>

// An object that runs on a worker thread of its own. The owner starts it only while it is idle and
// ends it by requesting a stop and waiting for `running` to clear.
class Runnable {
public:
    virtual ~Runnable();
    virtual void run() = 0;

    // Starts a worker thread unless one is running; returns whether it started one.
    bool startIfIdle();
    // Requests a stop and waits, in 1 ms sleeps, until the worker has left `run`. Returns at once
    // when the object is idle or a stop was already requested.
    void stopAndWait();

    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};

protected:
    // For destructors: requests a stop and waits however the stop came about, so that no worker
    // outlives the part of the object it runs in.
    void endWorker();
};

// The one thread entry of every worker: runs the object and marks it idle again.
int runThread(Runnable* runnable);
