#pragma once

#include "learning/DataStreams.h"
#include "protocol/Protocol.h"

#include <QByteArray>
#include <QDir>
#include <QIODevice>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Connection;
class LineList;

// One game as it goes to the collection server: its streams framed as on the wire.
struct GameUpload {
    // Empty for a game queued by a version that knew no game ids; it goes without a receipt.
    QString gameId;
    // T of the game's session record in the working folder; 0 when it has none.
    qint64 time = 0;
    // The statistics and info streams (command 5, name, lines, end), as the original exchange sends them.
    QByteArray streams;
    // The session record as a third stream, for servers that take it.
    QByteArray session;
    // The file it waits in, for a queued game.
    QString queueName;

    // The game's digest as the server will see it, with or without the session stream.
    QByteArray digest(bool withSession) const;
};

// Sends games to the collection server. A server that offers receipts gets each game under its id
// and answers with the checksum of what it stored, which must match; a server of the original
// exchange gets the streams and counts as having them once they are sent. A game that cannot be
// sent waits in the queue folder and goes with the next upload that works; a queued game that went
// is kept, renamed as sent. A queued file that cannot be read is left where it is, a damaged one
// moved aside into the damaged folder; neither holds up the others.
class DataUpload {
public:
    static constexpr const char* queueFolderName = "upload-queue";
    static constexpr const char* damagedFolderName = "damaged";

    enum class Outcome { confirmed, sentWithoutReceipt, failed };
    struct Sent {
        QString gameId;
        qint64 time = 0;
        QString queueName;
        Outcome outcome = Outcome::failed;
        QByteArray digest;
        int receiptStatus = 0;
        QByteArray receiptDigest;
    };

    // Opens a queued file for reading; null when it cannot. Tests put failing devices here.
    using Reader = std::function<std::unique_ptr<QIODevice>(const QString& path)>;

    explicit DataUpload(QDir folder, Reader reader = {});

    // The streams of a game, with the progress lines of sending them.
    static GameUpload frame(const QString& gameId, qint64 time, const LineList& stats, const LineList& info,
                            bool coordinates, const QByteArray& sessionJson, SaveProgress& progress);

    // After the version check: this game, every queued game, then the end. The results come in
    // that order, this game first; games after a lost connection are failed. Queued games that
    // went are renamed as sent.
    QList<Sent> send(Connection& connection, const Protocol::Capabilities& capabilities, const GameUpload& game,
                     SaveProgress& progress);
    // Queues the game; false when the file cannot be written.
    bool enqueue(const GameUpload& game);
    // The queued games, oldest first.
    QStringList queued() const;
    // A queued game; nothing, after a log line, when it cannot be read (left in place) or is
    // damaged (moved to the damaged folder).
    std::optional<GameUpload> load(const QString& name) const;

private:
    QDir queueFolder() const;
    void markSent(const QString& name) const;

    QDir folder;
    Reader reader;
};
