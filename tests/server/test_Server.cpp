#include "ServerClient.h"
#include "ServerLogCapture.h"
#include "support/TempPostgres.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QTcpSocket>
#include <QtTest>

class ServerTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

    // Streams stored line for line, a cut one kept as incomplete, against the given database.
    void exercise(const QString& database) {
        START_SERVER(server, testConfig(database));
        GREETED_CLIENT(client, server.tcpPort());
        const QByteArray longLine(300 * 1024, 'x');
        client.send(framedStream("stats", {"1 2 3", "a\r\nb"}));
        client.send(framedStream("info", {longLine, longLine + 'y', "end"}));
        client.put(3);
        QVERIFY(client.closedByServer());
        GREETED_CLIENT(broken, server.tcpPort());
        broken.send(framedStream("info", {"cut", "short"}, false));
        broken.socket.disconnectFromHost();

        OPEN_VIEW(reader, database);
        QVERIFY(waitUntil([&] { return reader.streams().size() == 3 && reader.streams()[2].lines.size() == 2; }));
        const QList<StoredStream> streams = reader.streams();
        QVERIFY(streams[0].kind == "stats" && streams[0].client == "127.0.0.1" && streams[0].complete &&
                streams[1].complete && !streams[2].complete);
        QCOMPARE(streams[0].lines + streams[1].lines + streams[2].lines,
                 (QList<QByteArray>{"1 2 3", "a\r\nb", longLine, longLine + 'y', "end", "cut", "short"}));
    }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    // Ties keep the stored order; names are cut to 255 characters; the same number and name is one
    // entry with the better score; a number never issued, or another's, makes a new entry; a score
    // past the limit is refused.
    void tablesMergeByNumberAndNameAndRefuseDamagedScores() {
        ServerTable stored;
        for (int i = 0; i < 10; ++i)
            stored[i] = {QString("s%1").arg(i), 100 - 10 * i, i + 1};
        int next = 10;
        const ServerTable merged =
            mergeScoreTables(stored, table({{QString(300, 'n'), 60, -1}, {"gone", -1, 4}, {"low", 5, -1}}),
                             10, [&] { return ++next; });
        QCOMPARE(QList<ServerScore>({merged[4], merged[5], merged[9]}),
                 QList<ServerScore>({{"s4", 60, 5}, {QString(255, 'n'), 60, 11}, {"s8", 20, 9}}));
        QCOMPARE(next, 11);
        QList<ServerTable> all(tableCount);
        all[0] = merged, all[5] = table({{"cyd", 70, ++next}});
        const ServerTable again = mergeScoreTables(
            merged, table({{"s0", 120, 1}, {"mallory", 95, 2}, {"forged", 85, 99}, {"eve", 75, 12},
                           {"big", maxScore + 1, -1}, {"max", maxScore, -1}}),
            12, [&] { return ++next; }, namesByNumber(all));
        // Number 12 is cyd's in another table: eve's entry is new, not cyd's.
        QCOMPARE(QList<ServerScore>({again[0], again[1], again[2], again[3], again[4], again[6]}),
                 QList<ServerScore>({{"max", maxScore, 13}, {"s0", 120, 1}, {"mallory", 95, 14}, {"s1", 90, 2},
                                     {"forged", 85, 15}, {"eve", 75, 16}}));
        QCOMPARE(again[9].score, 60);
    }

    // Synchronizations that arrive together are merged in one transaction, one after the other.
    void synchronizationsMergedTogetherKeepEachOthersNumbers() {
        OPEN_VIEW(db, folder.filePath("batch.sqlite"));
        QList<ServerTable> tables;
        QVERIFY2(db.synchronize({{"k1", "", {{0, table({{"alice", 50, -1}})}}},
                                 {"k2", "p", {{0, table({{"bob", 60, -1}})}, {1, table({{"cyd", 5, -1}})}}},
                                 {"k3", "", {}}},
                                &tables),
                 qPrintable(db.lastError()));
        QCOMPARE(tables.size(), tableCount);
        QCOMPARE(QList<ServerScore>({tables[0][0], tables[0][1], tables[1][0]}),
                 QList<ServerScore>({{"bob", 60, 2}, {"alice", 50, 1}, {"cyd", 5, 3}}));
        QCOMPARE(db.claimCount("p"), 2);
        // A request whose commit went through is not merged again when it comes back.
        QVERIFY(db.synchronize({{"k1", "", {{0, table({{"alice", 50, -1}})}}}}, &tables));
        QCOMPARE(tables[0][2], ServerScore());
        QCOMPARE(db.table(0), tables[0]);
    }

    void sqlite() { exercise(folder.filePath("scores.sqlite")); }

    void postgres() {
        TempPostgres postgres;
        if (QString error; !postgres.start(&error))
            QFAIL(qPrintable(error));
        exercise(postgres.socketSpec());
    }

    void pageAndRefusals() {
        START_SERVER(server, testConfig(folder.filePath("refusals.sqlite")));
        const QByteArray page = httpGet(server.httpPort(), "/~dezezi/Ruruzuvuv.html");
        QVERIFY2(page.startsWith("HTTP/1.0 200") && page.endsWith("\r\n\r\nVazazo score server\n127.0.0.1:" +
                                                                 QByteArray::number(server.tcpPort()) +
                                                                 "\ncapabilities: receipts sessions sync-claims\n"),
                 page.constData());
        QVERIFY(httpGet(server.httpPort(), "/index.html").startsWith("HTTP/1.0 404"));
        Client old(server.tcpPort());
        old.put(1, 172);
        QVERIFY(!old.takeString().isEmpty() && old.closedByServer());
        for (const QByteArray& start : {framed(2, 173), framed(1, 173, 2), framed(1, 173, 4, 2, 132)}) {
            Client rude(server.tcpPort());
            rude.send(start);
            QVERIFY(rude.closedByServer());
        }
    }

    // Seeded garbage and cut-short sessions, a quarter reset right after sending; afterwards a proper
    // client must still be served, and what was stored keeps its address without a database error.
    void fuzz() {
        ServerLogCapture log;
        START_SERVER(server, testConfig(folder.filePath("fuzz.sqlite"), 300));
        // A version check, a stream and a synchronization, to be cut and damaged.
        QByteArray valid = framed(1, 173) + framedStream("info", {"a line", "another"}) + framed(4, 2, 7);
        for (int place = 0; place < 10; ++place)
            valid += framed(QByteArray("name"), 90 - place, -1);
        valid += framed(3);

        QRandomGenerator random(20261206);
        QElapsedTimer clock;
        clock.start();
        int cases = 0;
        for (; cases < 3000 && clock.elapsed() < 60000; cases += 100) {
            std::vector<std::unique_ptr<QTcpSocket>> batch;
            for (int i = 0; i < 100; ++i) {
                QByteArray bytes =
                    random.bounded(4) == 0 ? QByteArray() : valid.left(random.bounded(valid.size() + 1));
                for (int n = random.bounded(4); n > 0 && !bytes.isEmpty(); --n)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
                for (int n = random.bounded(3) == 0 ? random.bounded(40) : 0; n > 0; --n)
                    bytes.append(char(random.bounded(256)));
                auto& socket = batch.emplace_back(std::make_unique<QTcpSocket>());
                socket->connectToHost(QHostAddress::LocalHost, server.tcpPort());
                socket->waitForConnected(5000);
                socket->write(bytes);
                socket->waitForBytesWritten(5000);
                if (random.bounded(4) == 0)
                    socket->abort();
            }
            // Whatever was sent, the server ends every connection within its idle time-out.
            for (auto& socket : batch)
                QVERIFY(socket->state() == QAbstractSocket::UnconnectedState || socket->waitForDisconnected(5000));
        }
        QVERIFY(cases >= 500);
        GREETED_CLIENT(proper, server.tcpPort());
        proper.send(framedStream("stats", {"after the storm"}));
        proper.put(3);
        QCOMPARE(proper.takeInt(), 3);
        OPEN_VIEW(view, folder.filePath("fuzz.sqlite"));
        for (const StoredStream& stream : view.streams())
            QCOMPARE(stream.client, QString("127.0.0.1"));
        QVERIFY2(!log.contains("database"), qPrintable(log.all().right(3000)));
    }
};

VAZAZO_TEST(ServerTest)
#include "test_Server.moc"
