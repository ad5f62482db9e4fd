#include "ServerClient.h"
#include "ServerLogCapture.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QtTest>

#include <memory>
#include <vector>

class LimitsTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    // Connections and synchronizations are rationed per address; other addresses are served.
    void oneAddressHoldsAtMostItsShareAndSynchronizesAtMostItsRate() {
        ServerLogCapture log;
        ServerConfig config = testConfig(folder.filePath("share.sqlite"));
        config.limits.maxPerAddress = 3;
        config.limits.syncsPerMinute = 2;
        START_SERVER(server, config);
        const QHostAddress greedy(QStringLiteral("127.0.0.9"));
        Client first(server.tcpPort(), greedy), second(server.tcpPort(), greedy), third(server.tcpPort(), greedy);
        Client fourth(server.tcpPort(), greedy);
        QVERIFY(fourth.closedByServer() && first.hello() && second.hello() && third.hello());
        GREETED_CLIENT(other, server.tcpPort(), QHostAddress(QStringLiteral("127.0.0.10")));
        // A flood of refusals makes one log line, not one each.
        for (int i = 0; i < 10; ++i) {
            Client refused(server.tcpPort(), greedy);
            QVERIFY(refused.closedByServer());
        }
        QCOMPARE(log.all().count("refused, dropped or timed out"), 1);

        const QHostAddress busy(QStringLiteral("127.0.0.20"));
        for (int i = 0; i < 2; ++i) {
            GREETED_CLIENT(client, server.tcpPort(), busy);
            QCOMPARE(synchronize(client, {}).size(), tableCount);
        }
        GREETED_CLIENT(rationed, server.tcpPort(), busy);
        QCOMPARE(synchronize(rationed, {{0, table({{"spam", 5, -1}})}}).size(), 0);
        // A client that claims its entries is told why, in words it shows the player.
        GREETED_CLIENT(claiming, server.tcpPort(), busy);
        claiming.put(Protocol::syncClaim, QByteArray("lab-7"), Protocol::synchronize);
        QVERIFY(claiming.takeInt() == Protocol::syncRefusedFlagCount && !claiming.takeString().isEmpty() &&
                claiming.closedByServer());
        GREETED_CLIENT(elsewhere, server.tcpPort(), QHostAddress(QStringLiteral("127.0.0.21")));
        QVERIFY(synchronize(elsewhere, {}).value(0)[0].isEmpty());
    }

    // When the server is full, the connection that has been still the longest makes room; on the
    // page's port the newest request is served.
    void aFullServerDropsTheStalestConnection() {
        ServerConfig config = testConfig(folder.filePath("full.sqlite"));
        config.maxConnections = 3;
        START_SERVER(server, config);
        Client stalest(server.tcpPort());
        QTest::qWait(50);
        Client working(server.tcpPort()), later(server.tcpPort());
        QTest::qWait(50);
        QVERIFY(working.hello());
        GREETED_CLIENT(newcomer, server.tcpPort());
        QVERIFY(stalest.closedByServer() && later.socket.state() == QAbstractSocket::ConnectedState);
        working.send(framedStream("stats", {"still served"}) + framed(3));
        QCOMPARE(working.takeInt(), 3);

        config.database = folder.filePath("page.sqlite");
        START_SERVER(pages, config);
        std::vector<std::unique_ptr<Client>> silent;
        for (int i = 0; i < 3; ++i)
            silent.emplace_back(std::make_unique<Client>(pages.httpPort()))->send("GET /~dez");
        QTest::qWait(200);
        QVERIFY(httpGet(pages.httpPort(), "/~dezezi/Ruruzuvuv.html").startsWith("HTTP/1.0 200") &&
                silent[0]->closedByServer());
    }

    void buffersBeyondTheMemoryBudgetCutOffTheirClientOnly() {
        ServerConfig config = testConfig(folder.filePath("budget.sqlite"));
        config.limits.memoryBudgetBytes = 2 << 20;
        START_SERVER(server, config);
        // Three half-sent lines of 900 KiB against a budget of 2 MiB: one of them does not fit
        // (the last, unless the machine is slow to read the first two).
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < 3; ++i) {
            Client& client = *clients.emplace_back(std::make_unique<Client>(server.tcpPort()));
            QVERIFY(client.hello());
            client.send(framed(5, QByteArray("info"), 1000 * 1024) + QByteArray(900 * 1024, 'p'));
            QTest::qWait(500);
        }
        QTest::qWait(500);
        int cut = 0;
        for (auto& client : clients)
            cut += (client->socket.waitForReadyRead(200), client->socket.state() != QAbstractSocket::ConnectedState);
        QCOMPARE(cut, 1);
        for (auto& client : clients) {
            if (client->socket.state() == QAbstractSocket::ConnectedState) {
                client->socket.write(QByteArray(100 * 1024, 'q') + framed(QByteArray(), 3));
                QCOMPARE(client->takeInt(), 3);
            }
        }
        GREETED_CLIENT(fresh, server.tcpPort());
    }

    // Dripped version checks and uploads meet their deadlines; an overlong stream is kept as
    // incomplete; a negative line length ends the exchange.
    void slowLongOrBrokenExchangesEndAndKeepWhatCame() {
        ServerLogCapture log;
        ServerConfig config = testConfig(folder.filePath("slow.sqlite"));
        config.limits.handshakeMs = 400;
        config.limits.uploadBaseMs = 600;
        config.limits.uploadMsPerMiB = 100;
        config.limits.maxStreamBytes = 100 * 1024;
        START_SERVER(server, config);
        GREETED_CLIENT(overlong, server.tcpPort());
        overlong.send(framedStream("info", QList<QByteArray>(30, QByteArray(4096, 'l'))));
        QVERIFY(overlong.closedByServer());

        const auto drip = [](Client& client, const QByteArray& bytes) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < bytes.size() && clock.elapsed() < 10000; ++i) {
                client.send(bytes.mid(i, 1));
                if (client.socket.waitForDisconnected(100) || client.socket.state() != QAbstractSocket::ConnectedState)
                    return clock.elapsed();
            }
            return qint64(-1);
        };
        // Never silent long enough for the idle time-out.
        Client version(server.tcpPort());
        const qint64 versionMs = drip(version, QByteArray::fromHex("01000000ad000000").repeated(3));
        QVERIFY2(versionMs >= 0 && versionMs < 5000, qPrintable(QString::number(versionMs)));
        GREETED_CLIENT(upload, server.tcpPort());
        upload.socket.write(framedStream("stats", {"fast part"}, false));
        const qint64 uploadMs = drip(upload, framedStream("stats", QList<QByteArray>(200, "slow line")));
        QVERIFY2(uploadMs >= 0 && uploadMs < 5000, qPrintable(QString::number(uploadMs)));

        OPEN_VIEW(view, config.database);
        QVERIFY(waitUntil([&] { return view.streams().size() == 2; }));
        const QList<StoredStream> streams = view.streams();
        QVERIFY(!streams[0].complete && !streams[1].complete && streams[0].lines.size() == 24 &&
                streams[1].lines.first() == "fast part");

        GREETED_CLIENT(negative, server.tcpPort());
        negative.put(5, QByteArray("stats"), -7);
        QVERIFY(negative.closedByServer() && waitUntil([&] { return log.contains("negative line length"); }) &&
                !log.contains("line too long"));
    }
};

VAZAZO_TEST(LimitsTest)
#include "test_Limits.moc"
