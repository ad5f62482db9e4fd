#pragma once

#include "settings/LevelSelection.h"

#include <QString>

// What happens in play, reported by the game to whoever follows it: effects, sounds, data
// collection and the questionnaires subscribe instead of being called from the game's logic.
namespace GameEvents {
struct Hit {
    QString name;
    double x = 0.0;
    double y = 0.0;
    int kind = 0;
};

// A game that ran out of time, with what its after-game step needs. The table is the one of the
// level and difficulty the game was started with.
struct Ending {
    int gameNumber = 0;
    int level = 0;
    // 0..11: the difficulty, plus 6 with one shot at a time; -1 when none was selected.
    int difficultyIndex = -1;
    int score = 0;
    bool afterGameFollows = false;
};
} // namespace GameEvents

class GameListener {
public:
    virtual ~GameListener() = default;

    virtual void gameStarted(int /*gameNumber*/, const LevelSelection& /*selection*/) {}
    // One step of play at time now is done: objects moved, finished ones retired, new ones spawned.
    virtual void ticked(double /*now*/) {}
    virtual void shotFired(double /*x*/, double /*y*/) {}
    virtual void targetHit(const GameEvents::Hit& /*hit*/) {}
    virtual void targetEscaped(const GameEvents::Hit& /*target*/) {}
    // A distractor hit the vulnerable paddle; x and y are the paddle's corner in field units.
    virtual void paddleDestroyed(double /*x*/, double /*y*/) {}
    virtual void gameEnded(const GameEvents::Ending& /*ending*/) {}
    // The ended game's after-game step runs now, once; listeners run before its best-score offer.
    virtual void afterGame(const GameEvents::Ending& /*ending*/) {}
    // The after-game questionnaire of the ended game was answered (its text), before the save.
    virtual void afterGameAnswered(const QString& /*answers*/) {}
};
