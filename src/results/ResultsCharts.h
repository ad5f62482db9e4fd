#pragma once

#include "records/GameReading.h"
#include "results/PaddlePath.h"

#include <QList>

class QChart;

// The charts of the Results window, each built from games as read back.
namespace ResultsCharts {
// Hits, missed targets and shots per statistics period.
QChart* periods(const GameReading::Game& game);
// Weapons speed, shapes speed, size and the rate over the game's time, the method's decisions marked.
QChart* learning(const GameReading::Game& game);
// Frames on time and late frames per period, and the 99th percentile of the interval.
QChart* frameTiming(const GameReading::Game& game);
// The paddle's path in one period with the hit and missed targets.
QChart* paddlePath(const PaddlePath& path, int period);
// Game by game, oldest first: score and hit rate.
QChart* participantScores(const QList<GameReading::Game>& games, const QString& participant);
// Game by game, oldest first: pain and stiffness before and after.
QChart* participantAnswers(const QList<GameReading::Game>& games, const QString& participant);

// Whom a game belongs to: the participant id of its record, or the group name of older files.
QString participantOf(const GameReading::Game& game);
} // namespace ResultsCharts
