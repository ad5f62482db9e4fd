#include "app/ResearchData.h"

#include "game/State.h"
#include "learning/LearningMethods.h"

ResearchData::ResearchData(State& game, SettingsStore& store, const GameSettingsPages& pages, const Paddle& paddle,
                           LearningMethods& learning, Source framePeriodMs, Source averagingMs)
    : game(game), recorder(game, store), frameTiming(game, std::move(framePeriodMs), std::move(averagingMs)),
      dataFeed(data, game, pages, paddle) {
    game.addListener(recorder);
    data.setRecorder(&recorder);
    learning.setDecisionLog(&recorder.decisions());
    game.addListener(frameTiming);
    recorder.setFrameTiming(&frameTiming);
    game.addListener(dataFeed);
}

ResearchData::~ResearchData() {
    game.removeListener(dataFeed);
    game.removeListener(frameTiming);
    game.removeListener(recorder);
}
