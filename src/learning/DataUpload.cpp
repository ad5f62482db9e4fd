#include "learning/DataUpload.h"

#include "core/DiskSync.h"
#include "core/Log.h"
#include "learning/LineList.h"
#include "net/Connection.h"
#include "net/Wire.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
constexpr const char* queuedSuffix = ".wire";
constexpr const char* sentSuffix = ".sent";
const QByteArray queueHeader = "VAZAZO-UPLOAD 2";
// A queued game is read whole; anything larger is no game of this program.
constexpr qint64 maxQueuedBytes = qint64(1) << 31;

// Lines framed as on the wire. An empty string ends a stream there, so empty lines inside one
// are left out.
class FramedSink : public LineSink {
public:
    explicit FramedSink(QByteArray& out) : out(out) {}
    bool line(const QByteArray& text) override {
        if (!text.isEmpty()) {
            Protocol::appendString(out, text);
        }
        return true;
    }

private:
    QByteArray& out;
};

qint64 queuedTime(const QString& name) {
    return name.mid(6, name.size() - 6 - static_cast<int>(qstrlen(queuedSuffix))).toLongLong();
}

// Whether bytes are whole streams as the original exchange frames them: command 5, a known name,
// lines, the empty string.
bool wellFramed(const QByteArray& bytes) {
    qsizetype at = 0;
    const auto integer = [&](qint32* value) {
        if (bytes.size() - at < 4) {
            return false;
        }
        *value = Protocol::integerAt(bytes.constData() + at);
        at += 4;
        return true;
    };
    qint32 value = 0;
    while (at < bytes.size()) {
        if (!integer(&value) || value != Protocol::uploadStream || !integer(&value) || value < 1 || value > 16) {
            return false;
        }
        const QByteArray name = bytes.mid(at, value);
        at += value;
        if (name != Protocol::statsStream && name != Protocol::infoStream && name != Protocol::sessionStream) {
            return false;
        }
        for (;;) {
            if (!integer(&value) || value < 0 || value > bytes.size() - at) {
                return false;
            }
            if (value == 0) {
                break;
            }
            at += value;
        }
    }
    return true;
}
} // namespace

QByteArray GameUpload::digest(bool withSession) const {
    return Protocol::gameDigest(withSession ? streams + session : streams);
}

DataUpload::DataUpload(QDir folder, Reader reader) : folder(std::move(folder)), reader(std::move(reader)) {
    if (!this->reader) {
        this->reader = [](const QString& path) -> std::unique_ptr<QIODevice> {
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::ReadOnly) ? std::move(file) : nullptr;
        };
    }
}

QDir DataUpload::queueFolder() const {
    return QDir(folder.filePath(queueFolderName));
}

QStringList DataUpload::queued() const {
    QStringList names = queueFolder().entryList({QString("upload*") + queuedSuffix}, QDir::Files);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return queuedTime(a) < queuedTime(b); });
    return names;
}

GameUpload DataUpload::frame(const QString& gameId, qint64 time, const LineList& stats, const LineList& info,
                             bool coordinates, const QByteArray& sessionJson, SaveProgress& progress) {
    GameUpload game;
    game.gameId = gameId;
    game.time = time;
    FramedSink sink(game.streams);
    progress.addLine("Requesting data upload..");
    Protocol::appendInteger(game.streams, Protocol::uploadStream);
    Protocol::appendString(game.streams, Protocol::statsStream);
    DataStreams::writeStats(stats, sink, "Sending ", progress);
    progress.addLine("Sending data 100%");
    Protocol::appendString(game.streams, {});
    progress.addLine("Requesting extra data upload..");
    Protocol::appendInteger(game.streams, Protocol::uploadStream);
    Protocol::appendString(game.streams, Protocol::infoStream);
    DataStreams::writeInfo(info, coordinates, sink, "Sending ", progress);
    Protocol::appendString(game.streams, {});
    if (!sessionJson.isEmpty()) {
        Protocol::appendInteger(game.session, Protocol::uploadStream);
        Protocol::appendString(game.session, Protocol::sessionStream);
        for (const QByteArray& line : sessionJson.split('\n')) {
            if (!line.isEmpty()) {
                Protocol::appendString(game.session, line);
            }
        }
        Protocol::appendString(game.session, {});
    }
    return game;
}

QList<DataUpload::Sent> DataUpload::send(Connection& connection, const Protocol::Capabilities& capabilities,
                                         const GameUpload& game, SaveProgress& progress) {
    QList<GameUpload> games{game};
    for (const QString& name : queued()) {
        if (std::optional<GameUpload> waiting = load(name)) {
            games.append(std::move(*waiting));
        }
    }
    QList<Sent> results;
    QList<qsizetype> awaitingEnd;
    for (const GameUpload& each : games) {
        Sent sent;
        sent.gameId = each.gameId;
        sent.time = each.time;
        sent.queueName = each.queueName;
        if (!each.queueName.isEmpty()) {
            progress.addLine("Sending " + each.queueName);
        }
        if (connection.isLost()) {
            results.append(sent);
            continue;
        }
        if (!capabilities.receipts || each.gameId.isEmpty()) {
            connection.sendBytes(each.streams);
            sent.digest = each.digest(false);
            awaitingEnd.append(results.size());
            results.append(sent);
            continue;
        }
        connection.sendInteger(Protocol::gameBegin);
        connection.sendString(each.gameId.toLatin1());
        connection.sendBytes(each.streams);
        if (capabilities.sessions) {
            connection.sendBytes(each.session);
        }
        connection.sendInteger(Protocol::gameEnd);
        sent.digest = each.digest(capabilities.sessions);
        sent.receiptStatus = connection.receiveInteger();
        sent.receiptDigest = connection.receiveString();
        if (connection.isLost()) {
            appendLog(QString("No receipt came for the game %1: the connection broke off.").arg(each.gameId));
        } else if (sent.receiptStatus < Protocol::receiptStored || sent.receiptDigest != sent.digest) {
            appendLog(QString("The collection server's receipt for the game %1 does not match what was sent (status "
                              "%2, checksum %3 instead of %4); the game stays queued.")
                          .arg(each.gameId)
                          .arg(sent.receiptStatus)
                          .arg(QString::fromLatin1(sent.receiptDigest.left(64)), QString::fromLatin1(sent.digest)));
        } else {
            sent.outcome = Outcome::confirmed;
            if (sent.receiptStatus == Protocol::receiptRevision) {
                appendLog(QString("The collection server kept the game %1 as a new revision of an earlier upload.")
                              .arg(each.gameId));
            }
        }
        results.append(sent);
    }
    connection.sendInteger(Protocol::end);
    // A server of the original exchange says nothing more; ours echoes the end once it has stored
    // everything before it.
    const bool stored = capabilities.receipts ? connection.receiveInteger() == Protocol::end && !connection.isLost()
                                              : connection.flush() && !connection.isLost();
    connection.close();
    for (const qsizetype index : awaitingEnd) {
        results[index].outcome = stored ? Outcome::sentWithoutReceipt : Outcome::failed;
    }
    for (const Sent& sent : results) {
        if (!sent.queueName.isEmpty() && sent.outcome != Outcome::failed) {
            markSent(sent.queueName);
        }
    }
    return results;
}

void DataUpload::markSent(const QString& name) const {
    const QString sent = name.left(name.size() - static_cast<int>(qstrlen(queuedSuffix))) + sentSuffix;
    queueFolder().remove(sent);
    queueFolder().rename(name, sent);
    appendLog(QString("Sent the data of an earlier game (%1) to the collection server.").arg(name));
}

bool DataUpload::enqueue(const GameUpload& game) {
    if (!folder.mkpath(queueFolderName)) {
        return false;
    }
    QSaveFile file(queueFolder().filePath(QString("upload%1%2").arg(game.time).arg(queuedSuffix)));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray header = queueHeader + ' ' + game.gameId.toLatin1() + ' ' + QByteArray::number(game.time) + ' ' +
                              QByteArray::number(game.streams.size()) + ' ' + QByteArray::number(game.session.size()) +
                              ' ' + game.digest(true) + '\n';
    const bool written = file.write(header) == header.size() && file.write(game.streams) == game.streams.size() &&
                         file.write(game.session) == game.session.size() && syncToDisk(file);
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<GameUpload> DataUpload::load(const QString& name) const {
    const std::unique_ptr<QIODevice> file = reader(queueFolder().filePath(name));
    if (!file) {
        appendLog(QString("The queued upload %1 cannot be opened; it stays in the queue.").arg(name));
        return std::nullopt;
    }
    // Read in pieces: a read error ends the loop at once, and so does a device that gives nothing.
    QByteArray bytes;
    bool readable = true;
    while (readable && !file->atEnd()) {
        const QByteArray piece = file->read(1 << 20);
        readable = !piece.isEmpty() && bytes.size() + piece.size() <= maxQueuedBytes;
        bytes += piece;
    }
    if (auto* plain = qobject_cast<QFileDevice*>(file.get())) {
        readable = readable && plain->error() == QFileDevice::NoError && bytes.size() == plain->size();
    }
    if (!readable) {
        appendLog(QString("The queued upload %1 cannot be read (%2); it stays in the queue.").arg(name, file->errorString()));
        return std::nullopt;
    }
    file->close();
    GameUpload game;
    game.queueName = name;
    game.time = queuedTime(name);
    bool valid = false;
    if (bytes.startsWith(queueHeader + ' ')) {
        const qsizetype headerEnd = bytes.indexOf('\n');
        const QList<QByteArray> fields = bytes.left(headerEnd).split(' ');
        bool sizesOk = false;
        bool sessionOk = false;
        bool timeOk = false;
        if (headerEnd > 0 && fields.size() == 7) {
            game.gameId = QString::fromLatin1(fields[2]);
            game.time = fields[3].toLongLong(&timeOk);
            const qint64 streamsBytes = fields[4].toLongLong(&sizesOk);
            const qint64 sessionBytes = fields[5].toLongLong(&sessionOk);
            const QByteArray body = bytes.mid(headerEnd + 1);
            if (timeOk && sizesOk && sessionOk && streamsBytes >= 0 && sessionBytes >= 0 &&
                streamsBytes + sessionBytes == body.size() && Protocol::gameDigest(body) == fields[6]) {
                game.streams = body.left(streamsBytes);
                game.session = body.mid(streamsBytes);
                valid = !game.gameId.isEmpty() && game.gameId.size() <= Protocol::maxGameIdBytes;
            }
        }
    } else {
        // Queued by a version before game ids: the bare streams.
        game.streams = bytes;
        valid = !bytes.isEmpty() && wellFramed(bytes);
    }
    if (!valid) {
        QDir queue = queueFolder();
        queue.mkpath(damagedFolderName);
        QFile::remove(queue.filePath(QString(damagedFolderName) + '/' + name));
        const bool moved = queue.rename(name, QString(damagedFolderName) + '/' + name);
        appendLog(QString("The queued upload %1 is damaged and is not sent; %2.")
                      .arg(name, moved ? QString("it was moved to %1/%2").arg(queueFolderName, damagedFolderName)
                                       : QString("it could not be moved aside")));
        return std::nullopt;
    }
    return game;
}
