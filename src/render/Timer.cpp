#include "render/Timer.h"

#include "core/WindowMessages.h"

#include <cmath>

namespace {
constexpr double textOffsetX = 40.0;
}

void Timer::start(double now, double durationMs) {
    lastTime = now;
    remaining = durationMs;
    total = durationMs;
    running = true;
}

bool Timer::advance(double now) {
    if (!running) {
        return false;
    }
    remaining -= now - lastTime;
    lastTime = now;
    if (remaining >= 0) {
        return false;
    }
    remaining = 0;
    running = false;
    postWindowMessage(window, WindowMessages::WM_TIME_UP);
    return true;
}

QString Timer::text(double remainingMs) {
    const long long ms = static_cast<long long>(std::trunc(remainingMs));
    const long long minutes = ms / 60000;
    const long long seconds = static_cast<long long>(std::trunc(remainingMs - minutes * 60000.0)) / 1000;
    return QString::asprintf(seconds < 10 ? "%lld:0%lld" : "%lld:%lld", minutes, seconds);
}

void Timer::draw(double now) {
    if (!running) {
        return;
    }
    advance(now);
    glPushAttrib(GL_CURRENT_BIT);
    glColor4d(0.0, 0.0, 1.0, 1.0);
    glRasterPos2d(timerX - textOffsetX, timerY);
    print(text(remaining));
    glPopAttrib();
}
