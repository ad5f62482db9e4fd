#pragma once

#include "game/GameEvents.h"
#include "records/FrameTiming.h"

#include <functional>

class State;

// Measures every frame the window puts on screen while a game is in play, on the window thread,
// and says in the log when a game had more than 1 % late frames.
class FrameTimingMeter : public GameListener {
public:
    // Milliseconds on a steady clock.
    using Clock = std::function<double()>;
    using Source = std::function<int()>;

    // targetPeriod: the pacer's period in ms (0 "Unlimited"); statisticsPeriod: the averaging
    // interval the game's statistics are cut by.
    FrameTimingMeter(const State& game, Source targetPeriod, Source statisticsPeriod, Clock clock = {});

    // Window thread, once per frame on screen.
    void frameShown();

    void gameStarted(int gameNumber, const LevelSelection& selection) override;
    void gameEnded(const GameEvents::Ending& ending) override;

    // Of the current game; final once it ended.
    FrameTiming::Summary summary() const;

    static double steadyMs();

private:
    const State& game;
    Source targetPeriod;
    Source statisticsPeriod;
    Clock clock;
    FrameTiming timing;
    double startMs = 0.0;
    // The previous frame in play; negative when there was none (start, or after a pause).
    double lastMs = -1.0;
};
