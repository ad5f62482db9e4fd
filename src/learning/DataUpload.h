#pragma once

#include "learning/DataStreams.h"

#include <QDir>
#include <QStringList>

class Connection;
class LineList;

// Sends a game's statistics and info streams to the collection server. A game that cannot be sent
// waits in the queue folder as the very bytes it would have sent, and goes with the next upload
// that works; a queued game that went is kept, renamed as sent.
class DataUpload {
public:
    static constexpr const char* queueFolderName = "upload-queue";

    explicit DataUpload(QDir folder);

    // After the version check: the game's streams, every queued game, then the end. True when
    // the server echoed the end, which it does once everything before it is stored; the queued
    // games are then marked sent.
    bool send(Connection& connection, const LineList& stats, const LineList& info, bool coordinates,
              SaveProgress& progress);
    // Queues the game under the name "upload<time>.wire"; false when the file cannot be written.
    bool enqueue(qint64 time, const LineList& stats, const LineList& info, bool coordinates);
    // The queued games, oldest first.
    QStringList queued() const;

private:
    QDir queueFolder() const;

    QDir folder;
};
