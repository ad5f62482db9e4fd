#pragma once

#include "protocol/Protocol.h"
#include "server/ScoreMerge.h"
#include "server/Wire.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <utility>

class QTcpSocket;
class ServerDatabase;

// One client connection: the version check, then data uploads and score synchronizations.
// Anything off the protocol cuts the client off; the session deletes itself when the socket goes.
class ClientSession : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 maxStringBytes = Protocol::maxServerStringBytes;
    static constexpr qint32 programVersion = Protocol::programVersion;

    ClientSession(QTcpSocket* socket, ServerDatabase& database, int idleTimeoutMs, QObject* parent);
    ~ClientSession() override;

private:
    enum class State {
        Hello,
        Version,
        Command,
        StreamKind,
        StreamLines,
        SyncCommand,
        SyncTable,
        SyncPlace,
        Closing,
        Closed
    };

    void readInput();
    bool step();
    void cutOff(const char* reason);
    void endGracefully();
    void finish();
    void send(const QByteArray& bytes);
    bool flushChunk();
    void databaseFailed();
    void answerSynchronization();

    QTcpSocket* socket;
    ServerDatabase& database;
    QTimer idleTimer;
    QString peer;
    State state = State::Hello;
    wire::Input input;

    qint64 stream = -1;
    QByteArray chunk;
    int chunkLines = 0;
    int chunkSequence = 0;

    QList<std::pair<int, ServerTable>> uploads;
    int lastUploaded = -1;
    int place = 0;
};
