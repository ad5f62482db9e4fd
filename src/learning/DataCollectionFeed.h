#pragma once

#include "game/GameEvents.h"
#include "learning/DataLines.h"

#include <QDir>

class DataCollection;
class GameSettingsPages;
class Paddle;
class State;
class TabDataCollection;

class LModule;

// The game's running totals for a module whose period is due (the feeding rule, once per tick).
void offerTotals(LModule& module, const State& game, const GameSettingsPages& pages, double now);

// Lets the game drive data collection: per tick it hands the running totals to the module when a
// period is due and, while coordinates are collected and the game is in play, adds one
// coordinates line; game over stops the module. The window calls the rest at its moments.
class DataCollectionFeed : public GameListener {
public:
    DataCollectionFeed(DataCollection& module, State& game, const GameSettingsPages& pages,
                       const Paddle& paddle);

    // Start of a game, once its description lines are final: reads the page, takes the lines.
    void beginGame(const TabDataCollection& page);

    void ticked(double now) override;
    void gameEnded(const GameEvents::Ending& ending) override;
    // The after-game step: the answers go into the info lines, then the save.
    void afterGameAnswered(const QString& answers) override;

    // The line for the frame at time now, from the objects on the field and the last frame's hits.
    QByteArray coordinatesLine(double now);

private:
    DataCollection& module;
    State& game;
    const GameSettingsPages& pages;
    const Paddle& paddle;
    CoordinatesLine line;
};
