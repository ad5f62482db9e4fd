#pragma once

#include "learning/DataCollection.h"
#include "learning/DataCollectionFeed.h"
#include "records/FrameTimingMeter.h"
#include "records/SessionRecorder.h"

#include <functional>

class GameSettingsPages;
class LearningMethods;
class Paddle;
class SettingsStore;
class State;

// What records each game for research, hung off the game's event outlet in the order it needs:
// the session record hears of a game before data collection saves it, and frame timing and the
// learning method's decisions go into the record.
class ResearchData {
public:
    using Source = std::function<int()>;

    // framePeriodMs: the pacer's period (0 "Unlimited"); averagingMs: the statistics period.
    ResearchData(State& game, SettingsStore& store, const GameSettingsPages& pages, const Paddle& paddle,
                 LearningMethods& learning, Source framePeriodMs, Source averagingMs);
    ~ResearchData();
    ResearchData(const ResearchData&) = delete;
    ResearchData& operator=(const ResearchData&) = delete;

    // The machine, once the OpenGL view knows it.
    void setEnvironment(const SessionRecorder::Environment& environment) { recorder.setEnvironment(environment); }
    // Window thread, once per frame on screen.
    void frameShown() { frameTiming.frameShown(); }

    DataCollection& collection() { return data; }
    DataCollectionFeed& feed() { return dataFeed; }

private:
    State& game;
    DataCollection data;
    SessionRecorder recorder;
    FrameTimingMeter frameTiming;
    DataCollectionFeed dataFeed;
};
