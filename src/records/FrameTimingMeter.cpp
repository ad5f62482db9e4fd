#include "records/FrameTimingMeter.h"

#include "core/Log.h"
#include "game/State.h"

#include <chrono>

FrameTimingMeter::FrameTimingMeter(const State& game, Source targetPeriod, Source statisticsPeriod, Clock clock)
    : game(game), targetPeriod(std::move(targetPeriod)), statisticsPeriod(std::move(statisticsPeriod)),
      clock(clock ? std::move(clock) : Clock(&FrameTimingMeter::steadyMs)) {}

double FrameTimingMeter::steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void FrameTimingMeter::frameShown() {
    // A paused game paints no play; the gap across a pause is no late frame.
    if (game.paused || game.gameOver) {
        lastMs = -1.0;
        return;
    }
    const double now = clock();
    if (lastMs >= 0.0) {
        timing.add({now - startMs, now - lastMs, static_cast<float>(targetPeriod ? targetPeriod() : 0),
                    game.usesGpuHitTest()});
    }
    lastMs = now;
}

void FrameTimingMeter::gameStarted(int, const LevelSelection&) {
    timing.reset(statisticsPeriod ? statisticsPeriod() : 0);
    startMs = clock();
    lastMs = -1.0;
}

void FrameTimingMeter::gameEnded(const GameEvents::Ending&) {
    lastMs = -1.0;
    const QString line = FrameTiming::lateLine(timing.summary());
    if (!line.isEmpty()) {
        appendLog(line);
    }
}

FrameTiming::Summary FrameTimingMeter::summary() const {
    return timing.summary();
}
