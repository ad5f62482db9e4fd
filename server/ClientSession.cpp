#include "server/ClientSession.h"

#include "server/ServerDatabase.h"
#include "server/ServerLog.h"
#include "server/SessionRegistry.h"
#include "server/SyncQueue.h"

#include <QTcpSocket>
#include <QUuid>

namespace {
constexpr qsizetype chunkBytes = 1024 * 1024;
// A client that keeps asking without reading the answers is cut off rather than buffered for.
constexpr qint64 maxPendingOutput = 4 * 1024 * 1024;
// Room for the largest item (a string at its limit) plus a few integers.
constexpr qsizetype maxBufferedBytes = ClientSession::maxStringBytes + 64 * 1024;
// Bytes received that count as progress even before an item is complete (a long line).
constexpr qint64 progressBytes = 4096;
constexpr int databaseRetryMs = 1000;
constexpr qint64 mebibyte = 1 << 20;

QByteArray newKey() {
    return QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
}

bool printableId(const QByteArray& id) {
    if (id.isEmpty() || id.size() > Protocol::maxGameIdBytes) {
        return false;
    }
    return std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

QByteArray framedInteger(qint32 value) {
    QByteArray bytes;
    Protocol::appendInteger(bytes, value);
    return bytes;
}

QByteArray framedString(QByteArrayView text) {
    QByteArray bytes;
    Protocol::appendString(bytes, text);
    return bytes;
}
} // namespace

ClientSession::ClientSession(QTcpSocket* socket, const QString& address, ServerDatabase& database,
                             SyncQueue& syncQueue, int idleTimeoutMs, SessionRegistry& registry, QObject* parent)
    : QObject(parent), socket(socket), database(database), syncQueue(syncQueue), registry(registry), peer(address) {
    socket->setParent(this);
    // Qt stops reading from the kernel when this fills, so a fast sender meets TCP back-pressure.
    socket->setReadBufferSize(64 * 1024);
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(idleTimeoutMs);
    deadline.setSingleShot(true);
    retry.setSingleShot(true);
    retry.setInterval(databaseRetryMs);
    connect(&idleTimer, &QTimer::timeout, this, [this] { cutOff("idle time-out"); });
    // A drip attack times out hundreds of clients at once: these are counted, not logged one by one.
    connect(&idleTimer, &QTimer::timeout, this, [this] { timedOut("idle time-out"); });
    connect(&deadline, &QTimer::timeout, this, [this] {
        timedOut(phase == Phase::Upload            ? "upload too slow"
                 : phase == Phase::Synchronization ? "synchronization too slow"
                                                   : "no command in time");
    });
    connect(&retry, &QTimer::timeout, this, [this] {
        waiting = false;
        armDeadline();
        readInput();
    });
    connect(socket, &QTcpSocket::readyRead, this, &ClientSession::readInput);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (state != State::Closed) {
            account();
        }
    });
    // What arrived before the end is taken first: a stream cut short keeps every line received.
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        readInput();
        finish();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this] {
        if (this->socket->state() == QAbstractSocket::UnconnectedState) {
            finish();
        }
    });
    registry.add(this);
    lastProgress = registry.nowMs();
    startPhase(Phase::Handshake);
    idleTimer.start();
}

ClientSession::~ClientSession() {
    if (state != State::Closed && stream >= 0 && chunkLines > 0) {
        flushChunk();
    }
    registry.shrink(heldBytes);
    registry.remove(this);
}

// Logged by the registry, which counts these.
void ClientSession::evict() {
    finish();
}

void ClientSession::startPhase(Phase next) {
    phase = next;
    phaseStart = registry.nowMs();
    phaseBytes = 0;
    armDeadline();
}

void ClientSession::armDeadline() {
    const ServerLimits& limits = registry.limits();
    qint64 allowed = limits.handshakeMs;
    if (phase == Phase::Upload) {
        allowed = limits.uploadBaseMs + qint64(limits.uploadMsPerMiB) * phaseBytes / mebibyte;
    } else if (phase == Phase::Synchronization) {
        allowed = limits.synchronizationMs;
    }
    deadline.start(int(qBound<qint64>(0, phaseStart + allowed - registry.nowMs(), qint64(INT32_MAX))));
}

void ClientSession::progressed() {
    lastProgress = registry.nowMs();
}

// The session's buffers against the shared budget; false (and cut off) when they do not fit.
void ClientSession::account() {
    const qint64 held = input.held() + chunk.size() + socket->bytesToWrite();
    if (held > heldBytes && !registry.grow(held - heldBytes)) {
        cutOff("over the memory budget");
        return;
    }
    if (held < heldBytes) {
        registry.shrink(heldBytes - held);
    }
    heldBytes = held;
}

void ClientSession::readInput() {
    if (state == State::Closed || waiting) {
        return;
    }
    idleTimer.start();
    while (state != State::Closed && !waiting) {
        while (input.available() < maxBufferedBytes && socket->bytesAvailable() > 0) {
            const qint64 wanted = qMin<qint64>(socket->bytesAvailable(), maxBufferedBytes - input.available());
            if (!registry.grow(wanted)) {
                cutOff("over the memory budget");
                return;
            }
            const QByteArray bytes = socket->read(wanted);
            registry.shrink(wanted);
            input.append(bytes);
            account();
            if (state == State::Closed) {
                return;
            }
            phaseBytes += bytes.size();
            if (bytes.size() >= progressBytes) {
                progressed();
            }
        }
        if (phase == Phase::Upload) {
            armDeadline();
        }
        bool stepped = false;
        while (state != State::Closed && !waiting && step()) {
            stepped = true;
            progressed();
            if (socket->bytesToWrite() > maxPendingOutput) {
                cutOff("does not read the answers");
                return;
            }
        }
        account();
        if (!stepped || socket->bytesAvailable() == 0) {
            return;
        }
    }
}

// Takes one item from the input; false when it needs more bytes, waits or the session ended.
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
        if (value != Protocol::versionCheck) {
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
            startPhase(Phase::Handshake);
            return true;
        }
        qCInfo(serverLog) << peer << "refused: version" << value;
        send(framedString("This score server needs Vazazo 1.73. Please update your program."));
        endGracefully();
        return false;
    case State::Command:
    case State::GameCommand:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (!stepCommand(value)) {
            input.rewind(mark);
            return false;
        }
        return true;
    case State::ClaimParticipant:
    case State::GameId: {
        const Result result = input.takeString(&text, Protocol::maxGameIdBytes);
        if (result == Result::NeedMore) {
            return false;
        }
        if (result != Result::Ok || !printableId(text)) {
            cutOff(state == State::GameId ? "bad game id" : "bad participant id");
            return false;
        }
        if (state == State::GameId) {
            gameId = QString::fromLatin1(text);
            gameKey = newKey();
            gameHash.reset();
            gameStreams.clear();
            state = State::GameCommand;
        } else {
            participant = QString::fromLatin1(text);
            state = State::Command;
            startPhase(Phase::Handshake);
        }
        return true;
    }
    case State::StreamKind: {
        const Result result = input.takeString(&text, 16);
        if (result == Result::NeedMore) {
            return false;
        }
        const bool known = text == Protocol::statsStream || text == Protocol::infoStream ||
                           (inGame() && text == Protocol::sessionStream);
        if (result != Result::Ok || !known) {
            cutOff("unknown stream kind");
            return false;
        }
        stream = database.beginStream(streamKey, QString::fromLatin1(text), peer, gameId);
        if (stream < 0) {
            return waitForDatabase(mark);
        }
        streamKind = QString::fromLatin1(text);
        if (inGame()) {
            gameHash.add(framedInteger(Protocol::uploadStream));
            gameHash.add(framedString(text));
            gameStreams.append(stream);
        }
        chunk.clear();
        chunkLines = 0;
        chunkSequence = 0;
        streamBytes = 0;
        state = State::StreamLines;
        return true;
    }
    case State::StreamLines:
        return stepStreamLines(mark);
    case State::SyncCommand:
        if (input.takeInt(&value) != Result::Ok) {
            return false;
        }
        if (value == Protocol::uploadTable && !syncRefused) {
            state = State::SyncTable;
            return true;
        }
        if (value == Protocol::end) {
            return answerSynchronization(mark);
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
        if (result == Result::Invalid || result == Result::Negative) {
            cutOff(result == Result::Negative ? "negative name length" : "name too long");
            return false;
        }
        qint32 score = 0;
        qint32 unique = 0;
        if (result == Result::NeedMore || input.takeInt(&score) != Result::Ok ||
            input.takeInt(&unique) != Result::Ok) {
            input.rewind(mark);
            return false;
        }
        if (score > maxScore) {
            qCInfo(serverLog) << peer << "refused a score above" << maxScore << "in table" << uploads.last().first;
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

// A command read in the Command or GameCommand state; false leaves it unread (an error, or a
// wait for the database).
bool ClientSession::stepCommand(qint32 value) {
    if (state == State::GameCommand) {
        if (value == Protocol::uploadStream) {
            streamKey = newKey();
            state = State::StreamKind;
            return true;
        }
        if (value == Protocol::gameEnd) {
            return finishGame(input.mark() - 4);
        }
        cutOff("unknown command in a game");
        return false;
    }
    switch (value) {
    case Protocol::uploadStream:
        streamKey = newKey();
        state = State::StreamKind;
        startPhase(Phase::Upload);
        return true;
    case Protocol::gameBegin:
        state = State::GameId;
        startPhase(Phase::Upload);
        return true;
    case Protocol::syncClaim:
        if (!participant.isEmpty()) {
            cutOff("second participant id");
            return false;
        }
        state = State::ClaimParticipant;
        return true;
    case Protocol::synchronize: {
        syncRefused = !registry.allowSynchronization(peer);
        if (syncRefused) {
            qCInfo(serverLog).noquote() << peer << "refused: more than" << registry.limits().syncsPerMinute
                                        << "synchronizations from this address in a minute; try again later";
            if (!participant.isEmpty()) {
                // A client that claims its entries reads a text here; others get no table flagged,
                // keep their own and are done at once.
                send(framedInteger(Protocol::syncRefusedFlagCount) +
                     framedString(QByteArrayView("The score server is busy with this address's "
                                                 "synchronizations. Please try again in a minute.")));
                endGracefully();
                return false;
            }
        }
        QByteArray flags;
        wire::putInt(flags, syncRefused ? 0 : tableCount);
        for (int t = 0; !syncRefused && t < tableCount; ++t) {
            wire::putInt(flags, 1);
        }
        send(flags);
        uploads.clear();
        lastUploaded = -1;
        syncKey = newKey();
        state = State::SyncCommand;
        startPhase(Phase::Synchronization);
        return true;
    }
    case Protocol::syncReceived:
        if (!participant.isEmpty() && !database.clearClaims(participant)) {
            return waitForDatabase(input.mark() - 4);
        }
        waitingSince = -1;
        return true;
    case Protocol::end:
        // Echoed only once every stream before it is stored, so the client knows it can let go
        // of its copy.
        send(framedInteger(Protocol::end));
        endGracefully();
        return false;
    default:
        cutOff("unknown command");
        return false;
    }
}

bool ClientSession::stepStreamLines(qsizetype mark) {
    using Result = wire::Input::Result;
    // A full chunk is written before more lines are taken, so a failed write can be tried again
    // without taking anything twice.
    if (chunk.size() >= chunkBytes && !flushChunk()) {
        return waitForDatabase(mark);
    }
    // Lines go into the chunk straight in their wire framing, as many as have arrived at once.
    const qint64 allowance = registry.limits().maxStreamBytes - streamBytes;
    const qsizetype room = chunk.isEmpty() ? qMax<qsizetype>(chunkBytes, 4 + maxStringBytes) : chunkBytes - chunk.size();
    Result stop = Result::NeedMore;
    const qsizetype before = chunk.size();
    const int taken = input.takeFramedRun(&chunk, maxStringBytes, qMin<qint64>(room, allowance), &stop);
    if (taken > 0) {
        if (inGame()) {
            gameHash.add(QByteArrayView(chunk).sliced(before));
        }
        streamBytes += chunk.size() - before;
        chunkLines += taken;
        return true;
    }
    if (stop == Result::Negative || stop == Result::Invalid) {
        cutOff(stop == Result::Negative ? "negative line length" : "line too long");
        return false;
    }
    if (stop == Result::NeedMore) {
        const qsizetype next = input.nextStringBytes(maxStringBytes);
        if (next < 0 || input.available() < next) {
            return false;
        }
        if (next > allowance) {
            qCWarning(serverLog).noquote() << peer << "sent a" << streamKind << "stream over"
                                           << registry.limits().maxStreamBytes << "bytes; kept as incomplete";
            cutOff("stream too long");
            return false;
        }
        // The next line fits the stream but not this chunk.
        if (!flushChunk()) {
            return waitForDatabase(mark);
        }
        return true;
    }
    QByteArray empty;
    input.takeString(&empty, 0);
    if (!database.completeStream(stream, chunkSequence, chunk, chunkLines)) {
        return waitForDatabase(mark);
    }
    waitingSince = -1;
    if (inGame()) {
        gameHash.add(framedString(QByteArrayView()));
    }
    stream = -1;
    chunk.clear();
    chunkLines = 0;
    state = inGame() ? State::GameCommand : State::Command;
    if (!inGame()) {
        startPhase(Phase::Handshake);
    }
    return true;
}

bool ClientSession::finishGame(qsizetype mark) {
    if (gameStreams.isEmpty()) {
        send(framedInteger(Protocol::receiptRefused) + framedString(QByteArrayView()));
        qCInfo(serverLog).noquote() << peer << "game" << gameId << "refused: no streams";
    } else {
        const QByteArray digest = gameHash.hex();
        qint32 status = Protocol::receiptRefused;
        if (!database.finishGame(gameKey, gameId, digest, gameStreams, peer, &status)) {
            return waitForDatabase(mark);
        }
        waitingSince = -1;
        if (status == Protocol::receiptRevision) {
            qCInfo(serverLog).noquote() << peer << "game" << gameId << "came again with other content; kept as a revision";
        }
        send(framedInteger(status) + framedString(digest));
    }
    gameId.clear();
    gameStreams.clear();
    state = State::Command;
    startPhase(Phase::Handshake);
    return true;
}

bool ClientSession::answerSynchronization(qsizetype mark) {
    if (syncRefused) {
        synchronized(true, {});
        return true;
    }
    // Reading pauses until the merge is done; the answer may come with others'.
    syncMark = mark;
    waiting = true;
    syncQueue.submit(this, {syncKey, participant, uploads},
                     [this](bool ok, const QList<ServerTable>& tables) { synchronized(ok, tables); });
    return false;
}

void ClientSession::synchronized(bool ok, const QList<ServerTable>& tables) {
    if (state == State::Closed) {
        return;
    }
    const bool wasWaiting = waiting;
    waiting = false;
    if (!ok) {
        waitForDatabase(syncMark);
        return;
    }
    waitingSince = -1;
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
    startPhase(Phase::Handshake);
    if (wasWaiting) {
        progressed();
        readInput();
    }
}

// A step that the database could not take is tried again after a pause, the input left as it
// was, while the database cannot be reached; any other database error ends the session.
bool ClientSession::waitForDatabase(qsizetype mark) {
    input.rewind(mark);
    if (!database.unavailable()) {
        databaseFailed();
        return false;
    }
    const qint64 now = registry.nowMs();
    if (waitingSince < 0) {
        waitingSince = now;
        qCWarning(serverLog).noquote() << peer << "waits for the database:" << database.lastError();
    }
    if (now - waitingSince >= registry.limits().outageMs) {
        qCWarning(serverLog).noquote() << peer << "gave up waiting for the database after"
                                       << registry.limits().outageMs << "ms";
        endGracefully();
        return false;
    }
    waiting = true;
    idleTimer.stop();
    deadline.stop();
    // The wait is the server's, not the client's: the deadline moves on by it.
    phaseStart += databaseRetryMs;
    retry.start();
    return false;
}

void ClientSession::databaseFailed() {
    qCWarning(serverLog).noquote() << peer << database.lastError();
    cutOff("database error");
}

bool ClientSession::flushChunk() {
    if (!database.appendChunk(stream, chunkSequence, chunk, chunkLines)) {
        return false;
    }
    waitingSince = -1;
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
    deadline.stop();
    retry.stop();
    waiting = false;
    // The client gets the handshake time to close; then it is cut off.
    phase = Phase::Handshake;
    phaseStart = registry.nowMs();
    armDeadline();
    socket->disconnectFromHost();
}

void ClientSession::timedOut(const char* reason) {
    if (state != State::Closed) {
        registry.noteTurnedAway(peer, QStringLiteral("cut off: ") + QLatin1String(reason));
        finish();
    }
}

void ClientSession::cutOff(const char* reason) {
    if (state == State::Closed) {
        return;
    }
    qCInfo(serverLog).noquote() << peer << "cut off:" << reason;
    finish();
}

// A stream cut short keeps the lines received so far and stays marked incomplete.
void ClientSession::finish() {
    if (state == State::Closed) {
        return;
    }
    state = State::Closed;
    registry.remove(this);
    idleTimer.stop();
    deadline.stop();
    retry.stop();
    if (stream >= 0 && chunkLines > 0 && !flushChunk()) {
        qCWarning(serverLog).noquote() << peer << "lost the tail of a stream:" << database.lastError();
    }
    stream = -1;
    socket->abort();
    deleteLater();
}
