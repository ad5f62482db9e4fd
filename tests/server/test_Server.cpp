#include "server/ScoreServer.h"
#include "server/Wire.h"
#include "support/TempPostgres.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

namespace {
// A blocking client speaking the game's framing; reads give up after a few seconds.
struct Client {
    QTcpSocket socket;
    explicit Client(quint16 port) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(5000);
    }
    void put(qint32 value) {
        QByteArray b;
        wire::putInt(b, value);
        socket.write(b);
    }
    void put(const QByteArray& text) {
        QByteArray b;
        wire::putString(b, text);
        socket.write(b);
    }
    QByteArray bytes(qsizetype n) {
        while (socket.bytesAvailable() < n && socket.waitForReadyRead(5000)) {
        }
        return socket.read(n);
    }
    qint32 takeInt() {
        const QByteArray b = bytes(4);
        return b.size() == 4 ? wire::intAt(b.constData()) : INT32_MIN;
    }
    QByteArray takeString() { return bytes(takeInt()); }
    bool closedByServer() {
        if (socket.isOpen())
            socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000);
    }
    void hello() {
        put(1);
        put(173);
    }
};

ServerTable table(std::initializer_list<ServerScore> entries) {
    ServerTable t;
    std::copy(entries.begin(), entries.end(), t.begin());
    return t;
}

// Uploads the given tables (only those) in a synchronization and returns all 132 sent back.
QList<ServerTable> synchronize(quint16 port, const std::map<int, ServerTable>& uploads) {
    Client client(port);
    client.hello();
    client.put(4);
    QList<ServerTable> result;
    if (client.takeString() != "" || client.takeInt() != 132) {
        return result;
    }
    for (int t = 0; t < 132; ++t) {
        if (client.takeInt() != 1) {
            return result;
        }
    }
    for (const auto& [number, places] : uploads) {
        client.put(2);
        client.put(number);
        for (const ServerScore& place : places) {
            client.put(place.name.toUtf8());
            client.put(place.score);
            client.put(place.unique);
        }
    }
    client.put(3);
    for (int t = 0; t < 132; ++t) {
        ServerTable received;
        for (ServerScore& place : received) {
            place.name = QString::fromUtf8(client.takeString());
            place.score = client.takeInt();
            place.unique = client.takeInt();
        }
        result.append(received);
    }
    return result;
}

void uploadStream(Client& client, const QByteArray& kind, const QList<QByteArray>& lines,
                  bool finish = true) {
    client.put(5);
    client.put(kind);
    for (const QByteArray& line : lines) {
        client.put(line);
    }
    if (finish) {
        client.put(QByteArray());
    }
    client.socket.waitForBytesWritten(5000);
}
} // namespace

class ServerTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

    ServerConfig config(const QString& database, int idleMs = 30000) {
        ServerConfig c;
        c.database = database;
        c.httpPort = 0;
        c.tcpPort = 0;
        c.idleTimeoutMs = idleMs;
        return c;
    }

    // Two players' scores merged, then streams stored, against the given database.
    void exercise(const QString& database) {
        ServerThread server(config(database));
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QList<ServerTable> first =
            synchronize(server.tcpPort(), {{5, table({{"ann", 300, -1}, {"bob", 100, -1}})}});
        QCOMPARE(first.size(), 132);
        const ServerTable& mine = first[5];
        QVERIFY(mine[0].unique > 0 && mine[1].unique > 0 && mine[0].unique != mine[1].unique);
        QCOMPARE(mine[2], ServerScore());
        QCOMPARE(first[4], ServerTable());
        // Same number = the same entry (better score kept); a number the server never gave is new.
        const QList<ServerTable> second =
            synchronize(server.tcpPort(), {{5, table({{"cid", 200, -1},
                                                      {"ann", 350, mine[0].unique},
                                                      {"old", 50, 999999},
                                                      {"bob", 90, mine[1].unique}})}});
        const ServerTable merged = second.value(5);
        QCOMPARE(merged[0], (ServerScore{"ann", 350, mine[0].unique}));
        QCOMPARE(merged[1].name, QString("cid"));
        QCOMPARE(merged[2], (ServerScore{"bob", 100, mine[1].unique}));
        QCOMPARE(merged[3].name, QString("old"));
        QVERIFY(merged[3].unique != 999999 && merged[1].unique > mine[1].unique &&
                merged[3].unique > merged[1].unique);
        QCOMPARE(merged[4], ServerScore());
        // A client that uploads nothing gets the stored versions.
        QCOMPARE(synchronize(server.tcpPort(), {}).value(5), merged);

        Client client(server.tcpPort());
        client.hello();
        const QByteArray longLine(300 * 1024, 'x');
        uploadStream(client, "stats", {"1 2 3", "a\r\nb"});
        uploadStream(client, "info", {longLine, longLine + 'y', "end"});
        client.put(3);
        QVERIFY(client.closedByServer());
        Client broken(server.tcpPort());
        broken.hello();
        uploadStream(broken, "info", {"cut", "short"}, false);
        broken.socket.disconnectFromHost();

        ServerDatabase reader;
        QVERIFY2(reader.open(database, &error), qPrintable(error));
        QVERIFY(waitUntil([&] { return reader.streams().size() == 3; }));
        QCOMPARE(reader.table(5), merged);
        const QList<StoredStream> streams = reader.streams();
        QCOMPARE(streams[0].kind, QString("stats"));
        QCOMPARE(streams[0].client, QString("127.0.0.1"));
        QCOMPARE(streams[0].lines, (QList<QByteArray>{"1 2 3", "a\r\nb"}));
        QCOMPARE(streams[1].lines, (QList<QByteArray>{longLine, longLine + 'y', "end"}));
        QVERIFY(streams[0].complete && streams[1].complete && !streams[2].complete);
        QCOMPARE(streams[2].lines, (QList<QByteArray>{"cut", "short"}));
    }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    void bestTenWithTiesInStoredOrder() {
        ServerTable stored;
        for (int i = 0; i < 10; ++i) {
            stored[i] = {QString("s%1").arg(i), 100 - 10 * i, i + 1};
        }
        int next = 10;
        const ServerTable merged =
            mergeScoreTables(stored, table({{QString(300, 'n'), 60, -1}, {"gone", -1, 4}, {"low", 5, -1}}),
                             10, [&] { return ++next; });
        QCOMPARE(merged[4], (ServerScore{"s4", 60, 5}));
        QCOMPARE(merged[5], (ServerScore{QString(255, 'n'), 60, 11}));
        QCOMPARE(merged[9], (ServerScore{"s8", 20, 9}));
        QCOMPARE(next, 11);
    }

    void sqlite() { exercise(folder.filePath("scores.sqlite")); }

    void postgres() {
        TempPostgres postgres;
        QString error;
        QVERIFY2(postgres.start(&error), qPrintable(error));
        exercise(postgres.socketSpec());
        if (QTest::currentTestFailed()) {
            return;
        }
        ServerDatabase overTcp;
        QVERIFY2(overTcp.open(postgres.tcpSpec(), &error), qPrintable(error));
        QCOMPARE(overTcp.streams().size(), 3);
    }

    void pageAndRefusals() {
        ServerThread server(config(folder.filePath("refusals.sqlite")));
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const auto get = [&](const QByteArray& path) {
            QTcpSocket http;
            http.connectToHost(QHostAddress::LocalHost, server.httpPort());
            http.write("GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
            while (http.waitForReadyRead(5000)) {
            }
            return http.readAll();
        };
        const QByteArray page = get("/~dezezi/Ruruzuvuv.html");
        QVERIFY2(page.startsWith("HTTP/1.0 200"), page.constData());
        QCOMPARE(page.mid(page.indexOf("\r\n\r\n") + 4).split('\n').value(1),
                 "127.0.0.1:" + QByteArray::number(server.tcpPort()));
        QVERIFY(get("/index.html").startsWith("HTTP/1.0 404"));

        Client old(server.tcpPort());
        old.put(1);
        old.put(172);
        QVERIFY(!old.takeString().isEmpty());
        QVERIFY(old.closedByServer());
        for (const QList<qint32>& start : {QList<qint32>{2, 173}, {1, 173, 2}, {1, 173, 4, 2, 132}}) {
            Client rude(server.tcpPort());
            for (qint32 value : start) {
                rude.put(value);
            }
            QVERIFY(rude.closedByServer());
        }
    }

    // Seeded garbage and cut-short sessions; afterwards a proper client must still be served.
    void fuzz() {
        ServerThread server(config(folder.filePath("fuzz.sqlite"), 300));
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QByteArray valid;
        for (qint32 value : {1, 173, 5})
            wire::putInt(valid, value);
        for (const char* text : {"info", "a line", "another", ""})
            wire::putString(valid, text);
        for (qint32 value : {4, 2, 7})
            wire::putInt(valid, value);
        for (int place = 0; place < 10; ++place) {
            wire::putString(valid, "name");
            wire::putInt(valid, 90 - place);
            wire::putInt(valid, -1);
        }
        wire::putInt(valid, 3);

        QRandomGenerator random(20261206);
        QElapsedTimer clock;
        clock.start();
        int cases = 0;
        for (; cases < 3000 && clock.elapsed() < 60000; cases += 100) {
            std::vector<std::unique_ptr<QTcpSocket>> batch;
            for (int i = 0; i < 100; ++i) {
                QByteArray bytes =
                    random.bounded(4) == 0 ? QByteArray() : valid.left(random.bounded(valid.size() + 1));
                for (int n = random.bounded(4); n > 0 && !bytes.isEmpty(); --n) {
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
                }
                for (int n = random.bounded(3) == 0 ? random.bounded(40) : 0; n > 0; --n) {
                    bytes.append(char(random.bounded(256)));
                }
                auto& socket = batch.emplace_back(std::make_unique<QTcpSocket>());
                socket->connectToHost(QHostAddress::LocalHost, server.tcpPort());
                socket->waitForConnected(5000);
                socket->write(bytes);
                socket->waitForBytesWritten(5000);
                if (random.bounded(4) == 0) {
                    socket->abort();
                }
            }
            // Whatever was sent, the server ends every connection within its idle time-out.
            for (auto& socket : batch) {
                QVERIFY(socket->state() == QAbstractSocket::UnconnectedState ||
                        socket->waitForDisconnected(5000));
            }
        }
        QVERIFY(cases >= 500);
        const QList<ServerTable> tables =
            synchronize(server.tcpPort(), {{0, table({{"late", 2000000000, -1}})}});
        QCOMPARE(tables.size(), 132);
        QVERIFY(std::any_of(tables[0].begin(), tables[0].end(),
                            [](const ServerScore& s) { return s.name == "late" && s.unique > 0; }));
    }
};

VAZAZO_TEST(ServerTest)
#include "test_Server.moc"
