#pragma once

#include "protocol/Protocol.h"
#include "server/ScoreServer.h"
#include "server/Wire.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QtTest>

// Integers and strings in the game's framing, in order.
inline void frameOne(QByteArray& b, qint32 value) { wire::putInt(b, value); }
inline void frameOne(QByteArray& b, const QByteArray& text) { wire::putString(b, text); }
template <typename... Values>
QByteArray framed(const Values&... values) {
    QByteArray b;
    (frameOne(b, values), ...);
    return b;
}

// A blocking client speaking the game's framing to a server on loopback; reads give up after a
// few seconds. from: the loopback address to connect from (any 127.x works on Linux).
struct Client {
    QTcpSocket socket;
    explicit Client(quint16 port, const QHostAddress& from = QHostAddress()) {
        if (!from.isNull())
            socket.bind(from, 0);
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(5000);
    }
    template <typename... Values>
    void put(const Values&... values) { send(framed(values...)); }
    void send(const QByteArray& bytes) { socket.write(bytes), flush(); }
    void flush() {
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(5000)) {
        }
    }
    QByteArray bytes(qsizetype n, int limitMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (socket.bytesAvailable() < n && timer.elapsed() < limitMs &&
               socket.waitForReadyRead(int(qMax<qint64>(1, limitMs - timer.elapsed())))) {
        }
        return socket.read(n);
    }
    qint32 takeInt(int limitMs = 5000) {
        const QByteArray b = bytes(4, limitMs);
        return b.size() == 4 ? wire::intAt(b.constData()) : INT32_MIN;
    }
    QByteArray takeString() { return bytes(takeInt()); }
    bool closedByServer(int limitMs = 5000) {
        if (socket.isOpen())
            socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(limitMs);
    }
    // The version check, answered with the empty string.
    bool hello() { return put(1, 173), takeInt() == 0; }
};

// What the page's port answers to a GET of path, read until it closes.
inline QByteArray httpGet(quint16 port, const QByteArray& path) {
    QTcpSocket http;
    http.connectToHost(QHostAddress::LocalHost, port);
    http.write("GET " + path + " HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (http.waitForReadyRead(5000))
        answer += http.readAll();
    return answer + http.readAll();
}

inline ServerTable table(std::initializer_list<ServerScore> entries) {
    ServerTable t;
    std::copy(entries.begin(), entries.end(), t.begin());
    return t;
}

// Command 5 with its lines and, when finish, the closing empty string.
inline QByteArray framedStream(const QByteArray& kind, const QList<QByteArray>& lines, bool finish = true) {
    QByteArray bytes = framed(5, kind);
    for (const QByteArray& line : lines)
        bytes += framed(line);
    return finish ? bytes + framed(0) : bytes;
}

// A game under its id: statistics, info and session record between commands 6 and 7.
inline QByteArray gameStreams(const QByteArray& id, const QByteArray& stats = "1 2 3") {
    return framedStream("stats", {stats, "4 5 6"}) + framedStream("info", {"info of " + id}) +
           framedStream("session", {"{\"format\": 1}"});
}
inline QByteArray gameBytes(const QByteArray& id, const QByteArray& stats = "1 2 3") {
    return framed(6, id) + gameStreams(id, stats) + framed(7);
}

// The synchronization's upload: the given tables, then the end; returns the 132 tables sent back
// (empty when the server did not answer in full).
inline QList<ServerTable> synchronize(Client& client, const QList<std::pair<int, ServerTable>>& uploads,
                                      bool readAnswer = true) {
    client.put(4);
    const qint32 flags = client.takeInt();
    client.bytes(4 * qBound(0, flags, tableCount));
    for (const auto& [number, t] : uploads) {
        client.put(2, number);
        for (const ServerScore& entry : t)
            client.put(entry.name.toUtf8(), entry.score, entry.unique);
    }
    client.put(3);
    client.flush();
    QList<ServerTable> tables;
    for (int t = 0; readAnswer && flags == tableCount && t < tableCount; ++t) {
        for (ServerScore& entry : tables.emplace_back())
            entry = {QString::fromUtf8(client.takeString()), client.takeInt(), client.takeInt()}; // in order
    }
    return tables;
}

// Declares name as a client of the server on port that passed the version check, or fails the test.
#define GREETED_CLIENT(name, ...)                                                                            \
    Client name(__VA_ARGS__);                                                                                \
    QVERIFY(name.hello())

// Declares name as a server started with config, or fails the test.
#define START_SERVER(name, config)                                                                           \
    ServerThread name(config);                                                                               \
    if (QString startError; !name.start(&startError))                                                        \
    QFAIL(qPrintable(startError))

// Declares name as an open view of the database at spec, or fails the test.
#define OPEN_VIEW(name, spec)                                                                                \
    ServerDatabase name;                                                                                     \
    if (QString openError; !name.open(spec, &openError))                                                     \
    QFAIL(qPrintable(openError))

inline ServerConfig testConfig(const QString& database, int idleMs = 30000) {
    ServerConfig c;
    c.database = database;
    c.httpPort = c.tcpPort = 0;
    c.idleTimeoutMs = idleMs;
    return c;
}
