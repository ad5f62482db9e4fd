#include "ServerClient.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QtTest>

namespace {
// The receipt's status and digest.
std::pair<qint32, QByteArray> receipt(Client& client) {
    const qint32 status = client.takeInt();
    return {status, client.takeString()};
}

std::pair<qint32, QByteArray> expected(Protocol::ReceiptStatus status, const QByteArray& id,
                                       const QByteArray& stats = "1 2 3") {
    return {qint32(status), Protocol::gameDigest(gameStreams(id, stats))};
}

QList<StoredStream> streamsOf(ServerDatabase& db, const QString& gameId) {
    QList<StoredStream> found;
    for (const StoredStream& s : db.streams()) {
        if (s.gameId == gameId) {
            found.append(s);
        }
    }
    return found;
}
} // namespace

class ReceiptTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    void gamesAreStoredOncePerIdAndAcknowledgedWithTheirDigest() {
        const QString path = folder.filePath("receipts.sqlite");
        START_SERVER(server, testConfig(path));
        GREETED_CLIENT(first, server.tcpPort());
        first.send(gameBytes("g1"));
        QCOMPARE(receipt(first), expected(Protocol::receiptStored, "g1"));
        // The original exchange in the same connection stays unlinked.
        uploadStream(first, "stats", {"loose"});
        first.send(gameBytes("g2"));
        QCOMPARE(receipt(first), expected(Protocol::receiptStored, "g2"));

        // The receipt is lost on the way back; the game comes again with the next one.
        {
            GREETED_CLIENT(lost, server.tcpPort());
            lost.send(gameBytes("g3"));
        }
        OPEN_VIEW(view, path);
        QVERIFY(waitUntil([&] { return view.games().size() == 3; }));
        GREETED_CLIENT(replay, server.tcpPort());
        replay.send(gameBytes("g3"));
        replay.send(gameBytes("g4"));
        QCOMPARE(receipt(replay), expected(Protocol::receiptAlreadyStored, "g3"));
        QCOMPARE(receipt(replay), expected(Protocol::receiptStored, "g4"));
        // Other content under a known id is kept beside the first.
        replay.send(gameBytes("g1", "9 9 9"));
        QCOMPARE(receipt(replay), expected(Protocol::receiptRevision, "g1", "9 9 9"));
        replay.put(3);
        QCOMPARE(replay.takeInt(), 3);

        QCOMPARE(view.games().size(), 5);
        const QList<StoredStream> g3 = streamsOf(view, "g3");
        QCOMPARE(g3.size(), 3);
        QVERIFY(g3[0].complete && g3[0].gameRevision == 0);
        QCOMPARE(g3[0].lines, (QList<QByteArray>{"1 2 3", "4 5 6"}));
        QCOMPARE(g3[2].kind, QString("session"));
        const QList<StoredStream> g1 = streamsOf(view, "g1");
        QCOMPARE(g1.size(), 6);
        QCOMPARE(g1[3].gameRevision, 1);
        QCOMPARE(g1[3].lines.first(), QByteArray("9 9 9"));
        QCOMPARE(view.streams().size(), 5 * 3 + 1);
    }

    // A finish tried again with its own key (its first commit went through, the answer was lost)
    // gives the first answer and keeps the game's streams; another upload of the same content
    // is acknowledged and dropped.
    void storingAGameIsIdempotentByItsUploadKey() {
        OPEN_VIEW(db, folder.filePath("finish.sqlite"));
        const auto upload = [&](const QByteArray& key) {
            const qint64 stream = db.beginStream(key + "-s", "stats", "127.0.0.1", "game-k");
            return stream >= 0 && db.completeStream(stream, 0, QByteArray("\x01\0\0\0x", 5), 1) ? stream : -1;
        };
        const qint64 first = upload("up-1");
        QVERIFY(first >= 0);
        QCOMPARE(db.beginStream("up-1-s", "stats", "127.0.0.1", "game-k"), first);
        qint32 status = -5;
        QVERIFY(db.finishGame("up-1", "game-k", "d1", {first}, "127.0.0.1", &status));
        QCOMPARE(status, qint32(Protocol::receiptStored));
        QVERIFY(db.finishGame("up-1", "game-k", "d1", {first}, "127.0.0.1", &status));
        QCOMPARE(status, qint32(Protocol::receiptStored));
        const qint64 repeat = upload("up-2");
        QVERIFY(db.finishGame("up-2", "game-k", "d1", {repeat}, "127.0.0.1", &status));
        QCOMPARE(status, qint32(Protocol::receiptAlreadyStored));
        const QList<StoredStream> streams = db.streams();
        QCOMPARE(streams.size(), 1);
        QCOMPARE(streams[0].id, first);
        QCOMPARE(streams[0].lines, QList<QByteArray>{"x"});
        QCOMPARE(db.games().size(), 1);
    }

    void malformedGamesAreCutOffOrRefused() {
        START_SERVER(server, testConfig(folder.filePath("malformed.sqlite")));
        // Ids empty, too long, with control characters or beyond ASCII; a session record outside a game.
        for (const QByteArray& start : {framed(6, ""), framed(6, QByteArray(65, 'x')), framed(6, "tab\there"),
                                        framed(6, "\xc3\xa9"), framedStream("session", {"{}"})}) {
            GREETED_CLIENT(client, server.tcpPort());
            client.send(start);
            QVERIFY2(client.closedByServer(), start.constData());
        }

        GREETED_CLIENT(client, server.tcpPort());
        client.put(6, QByteArray("empty"), 7);
        QCOMPARE(client.takeInt(), qint32(Protocol::receiptRefused));
        client.takeString();
        // A game that ends with the end command instead of its own end is off the protocol.
        client.put(6, QByteArray("open"));
        client.socket.write(framedStream("stats", {"1"}));
        client.put(3);
        QVERIFY(client.closedByServer());
    }

    // A synchronization broken after the merge, then a full one: the entries come back with the
    // numbers the first gave them, not twice; another participant's claims are not used.
    void aBrokenSynchronizationDoesNotDoubleItsEntries() {
        const QString path = folder.filePath("claims.sqlite");
        START_SERVER(server, testConfig(path));
        OPEN_VIEW(view, path);
        const ServerTable local = table({{"alice", 500, -1}, {"bob", 400, -1}});
        {
            GREETED_CLIENT(broken, server.tcpPort());
            broken.put(8, QByteArray("participant-1"));
            synchronize(broken, {{3, local}, {7, local}}, false);
            QVERIFY(waitUntil([&] { return view.table(3)[1].name == "bob" && view.table(7)[1].name == "bob"; }));
        }
        QCOMPARE(view.claimCount("participant-1"), 4);
        const ServerTable merged = view.table(3);

        GREETED_CLIENT(other, server.tcpPort());
        other.put(8, QByteArray("participant-2"));
        const QList<ServerTable> doubled = synchronize(other, {{7, local}});
        QCOMPARE(doubled.value(7)[1].name, QString("alice"));
        QVERIFY(doubled[7][1].unique != doubled[7][0].unique);
        QCOMPARE(view.claimCount("participant-1"), 4);

        GREETED_CLIENT(full, server.tcpPort());
        full.put(8, QByteArray("participant-1"));
        const QList<ServerTable> tables = synchronize(full, {{3, local}});
        QCOMPARE(tables.value(3), merged);
        QVERIFY(tables[3][2].isEmpty());
        full.put(9);
        QVERIFY(waitUntil([&] { return view.claimCount("participant-1") == 0; }));

        // After a completed synchronization the same name and score again is a new entry.
        GREETED_CLIENT(again, server.tcpPort());
        again.put(8, QByteArray("participant-1"));
        ServerTable next = tables[3];
        next[2] = {"alice", 500, -1};
        const QList<ServerTable> after = synchronize(again, {{3, next}});
        QCOMPARE(after.value(3)[0], merged[0]);
        QCOMPARE(after[3][1].name, QString("alice"));
        QVERIFY(after[3][1].unique != merged[0].unique);
        QCOMPARE(after[3][2], merged[1]);
    }
};

VAZAZO_TEST(ReceiptTest)
#include "test_Receipts.moc"
