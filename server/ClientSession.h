#pragma once

#include "protocol/Protocol.h"
#include "server/ScoreMerge.h"
#include "protocol/Sha256.h"
#include "server/Wire.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <utility>

class QTcpSocket;
class ServerDatabase;
class SessionRegistry;
class SyncQueue;

// One client connection: the version check, then data uploads (loose streams, or games with
// receipts) and score synchronizations. Anything off the protocol cuts the client off; the
// session deletes itself when the socket goes. While the database cannot be reached the session
// stops reading and tries the pending step again, for at most the outage limit.
class ClientSession : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 maxStringBytes = Protocol::maxServerStringBytes;
    static constexpr qint32 programVersion = Protocol::programVersion;

    // address: the peer as seen when the connection was accepted.
    ClientSession(QTcpSocket* socket, const QString& address, ServerDatabase& database, SyncQueue& syncQueue,
                  int idleTimeoutMs, SessionRegistry& registry, QObject* parent);
    ~ClientSession() override;

    const QString& address() const { return peer; }
    qint64 lastProgressMs() const { return lastProgress; }
    // Sessions waiting for the database are not to blame for their stillness.
    bool evictable() const { return !waiting; }
    void evict();

private:
    enum class State {
        Hello,
        Version,
        Command,
        ClaimParticipant,
        GameId,
        GameCommand,
        StreamKind,
        StreamLines,
        SyncCommand,
        SyncTable,
        SyncPlace,
        Closing,
        Closed
    };
    enum class Phase { Handshake, Upload, Synchronization };

    void readInput();
    bool step();
    bool stepCommand(qint32 value);
    bool stepStreamLines(qsizetype mark);
    bool finishGame(qsizetype mark);
    void cutOff(const char* reason);
    void timedOut(const char* reason);
    void endGracefully();
    void finish();
    void send(const QByteArray& bytes);
    bool flushChunk();
    bool waitForDatabase(qsizetype mark);
    void databaseFailed();
    bool answerSynchronization(qsizetype mark);
    void synchronized(bool ok, const QList<ServerTable>& tables);
    void startPhase(Phase phase);
    void armDeadline();
    void progressed();
    void account();
    bool inGame() const { return !gameId.isEmpty(); }

    QTcpSocket* socket;
    ServerDatabase& database;
    SyncQueue& syncQueue;
    SessionRegistry& registry;
    QTimer idleTimer;
    QTimer deadline;
    QTimer retry;
    QString peer;
    State state = State::Hello;
    wire::Input input;

    Phase phase = Phase::Handshake;
    qint64 phaseStart = 0;
    qint64 phaseBytes = 0;
    qint64 lastProgress = 0;
    qint64 heldBytes = 0;
    bool waiting = false;
    qint64 waitingSince = -1;

    QByteArray streamKey;
    QString streamKind;
    qint64 stream = -1;
    qint64 streamBytes = 0;
    QByteArray chunk;
    int chunkLines = 0;
    int chunkSequence = 0;

    QString gameId;
    QByteArray gameKey;
    Sha256 gameHash;
    QList<qint64> gameStreams;

    QString participant;
    QByteArray syncKey;
    qsizetype syncMark = 0;
    bool syncRefused = false;
    QList<std::pair<int, ServerTable>> uploads;
    int lastUploaded = -1;
    int place = 0;
};
