#pragma once

#include <QString>
#include <QtGlobal>

class BestScoreTableSet;
class Connection;
class ProgressLines;

// The best-score exchange on a connection whose version check passed: the server flags tables,
// this end uploads its version of each, the server sends back the version to keep, which is
// stored. A table whose download breaks off, or that fails the checks of a table, keeps the
// version it had; a cancelled or timed-out exchange changes no table.
namespace ScoreSync {
// However slowly the server answers, a synchronization ends within this.
inline constexpr int deadlineMs = 60000;
// The flags, some surplus, and every table with the longest names the tables hold.
inline constexpr qint64 maxReceivedBytes = 4 + 4 * (132 + 1024) + 132 * 10 * (4 + 4 * 255 + 8);

// True when the exchange ran to its end without losing the connection; the connection is closed.
// With a participant id (for servers that take claims) the server learns who synchronizes and,
// once the tables are stored, that they arrived: entries it merged for a synchronization that broke
// off are then recognised, not added twice, on the next one.
// A server that refuses the synchronization for now says why in refusal; nothing changes then.
bool run(BestScoreTableSet& tables, Connection& connection, ProgressLines& progress,
         const QString& participantId = {}, QString* refusal = nullptr);
} // namespace ScoreSync
