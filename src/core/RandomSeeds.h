#pragma once

#include <QMap>
#include <QString>

// The seeds the random generators of the current game started from, so that a game can be
// replayed from its record. Any thread may note one.
namespace RandomSeeds {
void note(const QString& generator, quint32 seed);
// Forgets the last game's seeds.
void clear();
QMap<QString, quint32> snapshot();
} // namespace RandomSeeds
