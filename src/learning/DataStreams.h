#pragma once

#include "net/ProgressLines.h"

#include <QByteArray>
#include <QString>

class LineList;

using SaveProgress = ProgressLines;

// Where the lines of a stream go: a file, the connection to the collection server, or the queue
// of uploads that wait for the server.
class LineSink {
public:
    virtual ~LineSink() = default;
    // False once the line, or one before it, could not be written.
    virtual bool line(const QByteArray& text) = 0;
};

// The two streams a game is saved or sent as, with the progress lines both ways share.
namespace DataStreams {
// Every statistics line, after "data 0%" and counting up to the last percentage below 100.
bool writeStats(const LineList& stats, LineSink& sink, const QString& verb, SaveProgress& progress);
// The column descriptions, then with coordinates every info line (with progress), without them the
// game's description lines up to the first empty line.
bool writeInfo(const LineList& info, bool coordinates, LineSink& sink, const QString& verb,
               SaveProgress& progress);
} // namespace DataStreams
