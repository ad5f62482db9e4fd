#include "server/ClientSession.h"

#include "server/ServerDatabase.h"
#include "server/ServerLog.h"

#include <QTcpSocket>

namespace {
constexpr qsizetype chunkBytes = 256 * 1024;
// A client that keeps asking without reading the answers is cut off rather than buffered for.
constexpr qint64 maxPendingOutput = 4 * 1024 * 1024;
// Room for the largest item (a string at its limit) plus a few integers.
constexpr qsizetype maxBufferedBytes = ClientSession::maxStringBytes + 64 * 1024;
constexpr qint32 cmdVersion = 1;
constexpr qint32 cmdTable = Protocol::uploadTable;
constexpr qint32 cmdEnd = Protocol::end;
constexpr qint32 cmdSynchronize = Protocol::synchronize;
constexpr qint32 cmdStream = Protocol::uploadStream;
} // namespace

ClientSession::ClientSession(QTcpSocket* socket, ServerDatabase& database, int idleTimeoutMs, QObject* parent)
    : QObject(parent), socket(socket), database(database), peer(socket->peerAddress().toString()) {
    socket->setParent(this);
    // Qt stops reading from the kernel when this fills, so a fast sender meets TCP back-pressure.
    socket->setReadBufferSize(64 * 1024);
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(idleTimeoutMs);
    connect(&idleTimer, &QTimer::timeout, this, [this] { cutOff("idle time-out"); });
    connect(socket, &QTcpSocket::readyRead, this, &ClientSession::readInput);
    connect(socket, &QTcpSocket::disconnected, this, &ClientSession::finish);
    connect(socket, &QTcpSocket::errorOccurred, this, [this] {
        if (this->socket->state() == QAbstractSocket::UnconnectedState) {
            finish();
        }
    });
    idleTimer.start();
}

ClientSession::~ClientSession() {
    if (state != State::Closed && stream >= 0 && chunkLines > 0) {
        flushChunk();
    }
}

void ClientSession::readInput() {
    if (state == State::Closed) {
        return;
    }
    idleTimer.start();
    while (state != State::Closed) {
        while (input.available() < maxBufferedBytes && socket->bytesAvailable() > 0) {
            input.append(socket->read(maxBufferedBytes - input.available()));
        }
        bool progressed = false;
        while (state != State::Closed && step()) {
            progressed = true;
            if (socket->bytesToWrite() > maxPendingOutput) {
                cutOff("does not read the answers");
                return;
            }
        }
        if (!progressed || socket->bytesAvailable() == 0) {
            return;
        }
    }
}

// Takes one item from the input; false when it needs more bytes or the session ended.
bool ClientSession::step() {
    using Result = wire::Input::Result;
    const qsizetype mark = input.mark();
    qint32 value = 0;
    QByteArray text;
    switch (state) {
    case State::Hello:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value != cmdVersion) {
            cutOff("did not start with the version check");
            return false;
        }
        state = State::Version;
        return true;
    case State::Version:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value == programVersion) {
            send(QByteArray(4, '\0'));
            state = State::Command;
            return true;
        }
        qCInfo(serverLog) << peer << "refused: version" << value;
        {
            QByteArray answer;
            wire::putString(answer, "This score server needs Vazazo 1.73. Please update your program.");
            send(answer);
        }
        endGracefully();
        return false;
    case State::Command:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value == cmdStream) {
            state = State::StreamKind;
        } else if (value == cmdSynchronize) {
            QByteArray flags;
            wire::putInt(flags, tableCount);
            for (int t = 0; t < tableCount; ++t) {
                wire::putInt(flags, 1);
            }
            send(flags);
            uploads.clear();
            lastUploaded = -1;
            state = State::SyncCommand;
        } else if (value == cmdEnd) {
            // Echoed only once every stream before it is stored, so the client knows it can
            // let go of its copy.
            QByteArray stored;
            wire::putInt(stored, cmdEnd);
            send(stored);
            endGracefully();
            return false;
        } else {
            cutOff("unknown command");
            return false;
        }
        return true;
    case State::StreamKind: {
        const Result result = input.takeString(&text, 16);
        if (result == Result::NeedMore) {
            return false;
        }
        if (result == Result::Invalid || (text != "stats" && text != "info")) {
            cutOff("unknown stream kind");
            return false;
        }
        stream = database.beginStream(QString::fromLatin1(text), peer);
        if (stream < 0) {
            databaseFailed();
            return false;
        }
        chunk.clear();
        chunkLines = 0;
        chunkSequence = 0;
        state = State::StreamLines;
        return true;
    }
    case State::StreamLines: {
        // Lines are copied into the chunk straight in their wire framing.
        const Result result = input.takeString(&text, maxStringBytes);
        if (result == Result::NeedMore) {
            return false;
        }
        if (result == Result::Invalid) {
            cutOff("line too long");
            return false;
        }
        if (text.isEmpty()) {
            const bool stored = database.completeStream(stream, chunkSequence, chunk, chunkLines);
            stream = -1;
            chunk.clear();
            chunkLines = 0;
            if (!stored) {
                databaseFailed();
                return false;
            }
            state = State::Command;
            return true;
        }
        wire::putString(chunk, text);
        ++chunkLines;
        if (chunk.size() >= chunkBytes && !flushChunk()) {
            databaseFailed();
            return false;
        }
        return true;
    }
    case State::SyncCommand:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value == cmdTable) {
            state = State::SyncTable;
            return true;
        }
        if (value == cmdEnd) {
            answerSynchronization();
            return state != State::Closed;
        }
        cutOff("unknown command in a synchronization");
        return false;
    case State::SyncTable:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value < 0 || value >= tableCount || value <= lastUploaded) {
            cutOff("bad table number");
            return false;
        }
        lastUploaded = value;
        uploads.append({value, ServerTable()});
        place = 0;
        state = State::SyncPlace;
        return true;
    case State::SyncPlace: {
        const Result result = input.takeString(&text, maxStringBytes);
        if (result == Result::Invalid) {
            cutOff("name too long");
            return false;
        }
        qint32 score = 0;
        qint32 unique = 0;
        if (result == Result::NeedMore || input.takeInt(&score) != Result::Ok ||
            input.takeInt(&unique) != Result::Ok) {
            input.rewind(mark);
            return false;
        }
        uploads.last().second[place] = {nameFromWire(text), score, unique};
        if (++place == 10) {
            state = State::SyncCommand;
        }
        return true;
    }
    case State::Closing:
        // Whatever follows the end is ignored until the client closes.
        input.rewind(mark + input.available());
        return false;
    case State::Closed:
        return false;
    }
    return false;
}

void ClientSession::answerSynchronization() {
    QList<int> wanted;
    for (int t = 0; t < tableCount; ++t) {
        wanted.append(t);
    }
    QList<ServerTable> tables;
    if (!database.synchronize(uploads, wanted, &tables)) {
        databaseFailed();
        return;
    }
    uploads.clear();
    QByteArray answer;
    answer.reserve(tableCount * 10 * 16);
    for (const ServerTable& table : tables) {
        for (const ServerScore& entry : table) {
            wire::putString(answer, entry.name.toUtf8());
            wire::putInt(answer, entry.score);
            wire::putInt(answer, entry.unique);
        }
    }
    send(answer);
    state = State::Command;
}

void ClientSession::databaseFailed() {
    qCWarning(serverLog) << database.lastError();
    cutOff("database error");
}

bool ClientSession::flushChunk() {
    if (!database.appendChunk(stream, chunkSequence, chunk, chunkLines)) {
        return false;
    }
    ++chunkSequence;
    chunk.clear();
    chunkLines = 0;
    return true;
}

void ClientSession::send(const QByteArray& bytes) {
    socket->write(bytes);
}

void ClientSession::endGracefully() {
    state = State::Closing;
    socket->disconnectFromHost();
}

void ClientSession::cutOff(const char* reason) {
    if (state == State::Closed) {
        return;
    }
    qCInfo(serverLog) << peer << "cut off:" << reason;
    finish();
}

// A stream cut short keeps the lines received so far and stays marked incomplete.
void ClientSession::finish() {
    if (state == State::Closed) {
        return;
    }
    state = State::Closed;
    idleTimer.stop();
    if (stream >= 0 && chunkLines > 0) {
        flushChunk();
    }
    stream = -1;
    socket->abort();
    deleteLater();
}
