#pragma once

class BestScoreTableSet;
class Connection;
class ProgressLines;

// The best-score exchange on a connection whose version check passed: the server flags tables,
// this end uploads its version of each, the server sends back the version to keep, which is
// stored. A table whose download breaks off keeps the version it had.
namespace ScoreSync {
// True when the exchange ran to its end without losing the connection; the connection is closed.
bool run(BestScoreTableSet& tables, Connection& connection, ProgressLines& progress);
} // namespace ScoreSync
