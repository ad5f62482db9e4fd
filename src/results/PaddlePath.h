#pragma once

#include "records/GameReading.h"

#include <QList>
#include <QPointF>

// The paddle's path in one statistics period, with where targets were hit and where they left the
// field unhit, from the coordinates of an info file; field units, y down.
struct PaddlePath {
    QList<QPointF> paddle;
    QList<QPointF> hits;
    QList<QPointF> misses;

    // Sample times count from the game's first sample; the period is [startMs, startMs + lengthMs).
    static PaddlePath of(const GameReading::Sources& sources, qint64 startMs, qint64 lengthMs);
};
