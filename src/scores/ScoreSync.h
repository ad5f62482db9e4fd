#pragma once

#include <QString>

class BestScoreTableSet;
class Connection;
class ProgressLines;

// The best-score exchange on a connection whose version check passed: the server flags tables,
// this end uploads its version of each, the server sends back the version to keep, which is
// stored. A table whose download breaks off keeps the version it had.
namespace ScoreSync {
// True when the exchange ran to its end without losing the connection; the connection is closed.
// With a participant id (for servers that take claims) the server learns who synchronizes and,
// once the tables are stored, that they arrived: entries it merged for a synchronization that broke
// off are then recognised, not added twice, on the next one.
bool run(BestScoreTableSet& tables, Connection& connection, ProgressLines& progress,
         const QString& participantId = {});
} // namespace ScoreSync
