#pragma once

#include "render/OGLFont.h"

class QObject;

// The countdown of a timed game. Only a negative remainder ends it: then it tells the window once
// that time is up and stops.
class Timer : public OGLFont {
public:
    explicit Timer(QObject* window = nullptr) : window(window) {}

    void start(double now, double durationMs);
    void stop() { running = false; }
    // Counts down to now; true when the time ran out at this call.
    bool advance(double now);
    // "1:05", "0:42", "10:00".
    static QString text(double remainingMs);
    // Counts down and shows the remaining time at (timerX - 40, timerY).
    void draw(double now);

    bool running = false;
    double lastTime = 0.0;
    double remaining = 0.0;
    double total = 0.0;
    double timerX = 0.0;
    double timerY = 40.0;

private:
    QObject* window;
};
