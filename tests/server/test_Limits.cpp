#include "ServerClient.h"
#include "ServerLogCapture.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
// Connections that each send one byte of a version check every interval, from many loopback
// addresses, and come back when the server drops them: what a slow-drip attacker does. Lives on
// a thread of its own so that it keeps dripping while the test's client blocks.
class DripSwarm : public QObject {
public:
    DripSwarm(quint16 port, int addresses, int perAddress, int intervalMs)
        : port(port), addresses(addresses), perAddress(perAddress), intervalMs(intervalMs) {}

    void start() {
        for (int a = 0; a < addresses; ++a) {
            for (int i = 0; i < perAddress; ++i) {
                open(QHostAddress(QStringLiteral("127.0.0.%1").arg(a + 2)));
            }
        }
        auto* drip = new QTimer(this);
        connect(drip, &QTimer::timeout, this, [this] {
            for (auto& socket : sockets) {
                if (socket->state() == QAbstractSocket::ConnectedState) {
                    socket->write("\x01", 1);
                }
            }
        });
        drip->start(intervalMs);
    }
    int connected() const { return connectedCount.loadRelaxed(); }
    int reconnects() const { return reconnectCount.loadRelaxed(); }

private:
    void open(const QHostAddress& from) {
        auto* socket = new QTcpSocket(this);
        sockets.push_back(socket);
        connect(socket, &QTcpSocket::connected, this, [this] { connectedCount.ref(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, from] {
            connectedCount.deref();
            reconnectCount.ref();
            QTimer::singleShot(50, socket, [this, socket, from] { connectFrom(socket, from); });
        });
        connectFrom(socket, from);
    }
    void connectFrom(QTcpSocket* socket, const QHostAddress& from) {
        socket->abort();
        socket->bind(from, 0);
        socket->connectToHost(QHostAddress::LocalHost, port);
    }

    quint16 port;
    int addresses;
    int perAddress;
    int intervalMs;
    std::vector<QTcpSocket*> sockets;
    QAtomicInt connectedCount;
    QAtomicInt reconnectCount;
};

struct SwarmThread {
    QThread thread;
    DripSwarm* swarm;
    SwarmThread(quint16 port, int addresses, int perAddress, int intervalMs)
        : swarm(new DripSwarm(port, addresses, perAddress, intervalMs)) {
        swarm->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, swarm, &QObject::deleteLater);
        thread.start();
        QMetaObject::invokeMethod(swarm, [this] { swarm->start(); });
    }
    ~SwarmThread() {
        thread.quit();
        thread.wait();
    }
};

void pause(int ms) {
    QTest::qWait(ms);
}
} // namespace

class LimitsTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    // 500 connections dripping a byte every 2 s from 50 addresses fill the server; an honest
    // synchronization still gets in and is served at once.
    void anHonestSynchronizationIsServedDespiteADripSwarm() {
        ServerThread server(testConfig(folder.filePath("drip.sqlite")));
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        SwarmThread swarm(server.tcpPort(), 50, 10, 2000);
        QVERIFY(waitUntil([&] { return swarm.swarm->connected() >= 500; }, 30000));
        pause(2500);
        QElapsedTimer clock;
        clock.start();
        Client honest(server.tcpPort(), QHostAddress(QStringLiteral("127.0.0.1")));
        QVERIFY(honest.hello());
        const QList<ServerTable> tables = synchronize(honest, {{0, table({{"honest", 10, -1}})}});
        const qint64 ms = clock.elapsed();
        QCOMPARE(tables.size(), tableCount);
        QCOMPARE(tables[0][0].name, QString("honest"));
        QVERIFY2(ms < 1000, qPrintable(QString("took %1 ms").arg(ms)));
    }

    void oneAddressHoldsAtMostItsShare() {
        ServerLogCapture log;
        ServerConfig config = testConfig(folder.filePath("share.sqlite"));
        config.limits.maxPerAddress = 3;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QHostAddress greedy(QStringLiteral("127.0.0.9"));
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 4; ++i) {
            clients.push_back(std::make_unique<Client>(server.tcpPort(), greedy));
        }
        QVERIFY(clients[3]->closedByServer());
        for (int i = 0; i < 3; ++i) {
            QVERIFY(clients[i]->hello());
        }
        Client other(server.tcpPort(), QHostAddress(QStringLiteral("127.0.0.10")));
        QVERIFY(other.hello());
        // A flood of refusals makes one log line, not one each.
        for (int i = 0; i < 10; ++i) {
            Client refused(server.tcpPort(), greedy);
            QVERIFY(refused.closedByServer());
        }
        QCOMPARE(log.all().count("refused, dropped or timed out"), 1);
        QVERIFY(log.contains("127.0.0.9 refused: holds 3 connections already"));
    }

    // When the server is full, the connection that has been still the longest makes room.
    void aFullServerDropsTheStalestConnection() {
        ServerConfig config = testConfig(folder.filePath("full.sqlite"));
        config.maxConnections = 3;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        Client stalest(server.tcpPort());
        pause(50);
        Client working(server.tcpPort());
        Client later(server.tcpPort());
        pause(50);
        QVERIFY(working.hello());
        Client newcomer(server.tcpPort());
        QVERIFY(newcomer.hello());
        QVERIFY(stalest.closedByServer());
        QVERIFY(later.socket.state() == QAbstractSocket::ConnectedState);
        uploadStream(working, "stats", {"still served"});
        working.put(3);
        QCOMPARE(working.takeInt(), 3);
    }

    void aFullDiscoveryPageServerServesTheNewestRequest() {
        ServerConfig config = testConfig(folder.filePath("page.sqlite"));
        config.maxConnections = 3;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        std::vector<std::unique_ptr<QTcpSocket>> silent;
        for (int i = 0; i < 3; ++i) {
            auto& socket = silent.emplace_back(std::make_unique<QTcpSocket>());
            socket->connectToHost(QHostAddress::LocalHost, server.httpPort());
            QVERIFY(socket->waitForConnected(5000));
            socket->write("GET /~dez");
            socket->flush();
        }
        pause(200);
        QTcpSocket http;
        http.connectToHost(QHostAddress::LocalHost, server.httpPort());
        http.write("GET /~dezezi/Ruruzuvuv.html HTTP/1.0\r\n\r\n");
        QByteArray page;
        while (http.waitForReadyRead(5000)) {
            page += http.readAll();
        }
        QVERIFY2(page.startsWith("HTTP/1.0 200"), page.constData());
        QVERIFY(silent[0]->state() == QAbstractSocket::UnconnectedState || silent[0]->waitForDisconnected(5000));
    }

    void buffersBeyondTheMemoryBudgetCutOffTheirClientOnly() {
        ServerConfig config = testConfig(folder.filePath("budget.sqlite"));
        config.limits.memoryBudgetBytes = 2 << 20;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QByteArray part(900 * 1024, 'p');
        const auto halfLine = [&](Client& client) {
            QVERIFY(client.hello());
            client.put(5);
            client.put("info");
            client.put(1000 * 1024);
            client.socket.write(part);
            client.flush();
            pause(500);
        };
        // Three half-sent lines of 900 KiB against a budget of 2 MiB: one of them does not fit
        // (the last, unless the machine is slow to read the first two).
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 3; ++i) {
            halfLine(*clients.emplace_back(std::make_unique<Client>(server.tcpPort())));
        }
        pause(500);
        int cut = 0;
        for (auto& client : clients) {
            client->socket.waitForReadyRead(200);
            cut += client->socket.state() == QAbstractSocket::ConnectedState ? 0 : 1;
        }
        QCOMPARE(cut, 1);
        for (auto& client : clients) {
            if (client->socket.state() != QAbstractSocket::ConnectedState) {
                continue;
            }
            client->socket.write(QByteArray(100 * 1024, 'q'));
            client->put(QByteArray());
            client->put(3);
            QCOMPARE(client->takeInt(), 3);
        }
        Client fresh(server.tcpPort());
        QVERIFY(fresh.hello());
    }

    void slowExchangesMeetTheirDeadlines() {
        ServerConfig config = testConfig(folder.filePath("slow.sqlite"));
        config.limits.handshakeMs = 400;
        config.limits.uploadBaseMs = 600;
        config.limits.uploadMsPerMiB = 100;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const auto drip = [](Client& client, const QByteArray& bytes, int limitMs) {
            QElapsedTimer clock;
            clock.start();
            for (char byte : bytes) {
                client.socket.write(&byte, 1);
                client.flush();
                if (client.socket.waitForDisconnected(100) || client.socket.state() != QAbstractSocket::ConnectedState) {
                    return clock.elapsed();
                }
                if (clock.elapsed() > limitMs) {
                    break;
                }
            }
            return qint64(-1);
        };
        // A version check dripped a byte at a time, never silent long enough for the idle time-out.
        Client version(server.tcpPort());
        QByteArray hello;
        wire::putInt(hello, 1);
        wire::putInt(hello, 173);
        const qint64 versionMs = drip(version, hello + hello + hello, 10000);
        QVERIFY2(versionMs >= 0 && versionMs < 5000, qPrintable(QString::number(versionMs)));

        Client upload(server.tcpPort());
        QVERIFY(upload.hello());
        upload.socket.write(framedStream("stats", {"fast part"}, false));
        const qint64 uploadMs = drip(upload, framedStream("stats", QList<QByteArray>(200, "slow line")), 10000);
        QVERIFY2(uploadMs >= 0 && uploadMs < 5000, qPrintable(QString::number(uploadMs)));
        ServerDatabase view;
        QVERIFY2(view.open(config.database, &error), qPrintable(error));
        QVERIFY(waitUntil([&] { return view.streams().size() == 1; }));
        QCOMPARE(view.streams()[0].lines.first(), QByteArray("fast part"));
        QVERIFY(!view.streams()[0].complete);
    }

    void anOverlongStreamIsKeptAsIncompleteAndLogged() {
        ServerLogCapture log;
        ServerConfig config = testConfig(folder.filePath("long.sqlite"));
        config.limits.maxStreamBytes = 100 * 1024;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        Client client(server.tcpPort());
        QVERIFY(client.hello());
        const QByteArray line(4096, 'l');
        uploadStream(client, "info", QList<QByteArray>(30, line));
        QVERIFY(client.closedByServer());
        ServerDatabase view;
        QVERIFY2(view.open(config.database, &error), qPrintable(error));
        QVERIFY(waitUntil([&] { return view.streams().size() == 1; }));
        const StoredStream stream = view.streams().first();
        QVERIFY(!stream.complete);
        QCOMPARE(stream.lines.size(), 24);
        QVERIFY2(log.contains("info stream over 102400 bytes; kept as incomplete"), qPrintable(log.all()));

        Client negative(server.tcpPort());
        QVERIFY(negative.hello());
        negative.put(5);
        negative.put("stats");
        negative.put(-7);
        negative.flush();
        QVERIFY(negative.closedByServer());
        QVERIFY(waitUntil([&] { return log.contains("negative line length"); }));
        QVERIFY(!log.contains("line too long"));
    }

    void synchronizationsPerAddressAreRationed() {
        ServerConfig config = testConfig(folder.filePath("rate.sqlite"));
        config.limits.syncsPerMinute = 2;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QHostAddress busy(QStringLiteral("127.0.0.20"));
        for (int i = 0; i < 2; ++i) {
            Client client(server.tcpPort(), busy);
            QVERIFY(client.hello());
            QCOMPARE(synchronize(client, {}).size(), tableCount);
        }
        Client refused(server.tcpPort(), busy);
        QVERIFY(refused.hello());
        QCOMPARE(synchronize(refused, {{0, table({{"spam", 5, -1}})}}).size(), 0);
        QVERIFY(refused.closedByServer(15000) || refused.socket.bytesAvailable() == 0);
        Client elsewhere(server.tcpPort(), QHostAddress(QStringLiteral("127.0.0.21")));
        QVERIFY(elsewhere.hello());
        const QList<ServerTable> tables = synchronize(elsewhere, {});
        QCOMPARE(tables.size(), tableCount);
        QVERIFY(tables[0][0].isEmpty());
    }

    // Clients that reset right after connecting leave streams with their address, never a
    // database error.
    void resetsRightAfterConnectingKeepTheirAddress() {
        ServerLogCapture log;
        ServerConfig config = testConfig(folder.filePath("resets.sqlite"));
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QByteArray bytes;
        wire::putInt(bytes, 1);
        wire::putInt(bytes, 173);
        bytes += framedStream("stats", {"a"}, false);
        for (int i = 0; i < 40; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, server.tcpPort());
            QVERIFY(socket.waitForConnected(5000));
            socket.write(bytes);
            socket.waitForBytesWritten(5000);
            socket.abort();
        }
        ServerDatabase view;
        QVERIFY2(view.open(config.database, &error), qPrintable(error));
        pause(500);
        for (const StoredStream& stream : view.streams()) {
            QCOMPARE(stream.client, QString("127.0.0.1"));
        }
        QVERIFY2(!log.contains("database"), qPrintable(log.all()));
    }
};

VAZAZO_TEST(LimitsTest)
#include "test_Limits.moc"
