#include "ServerClient.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QtTest>

namespace {
// The receipt's status and digest.
std::pair<qint32, QByteArray> receipt(Client& client) {
    return {client.takeInt(), client.takeString()}; // braced: in order
}

std::pair<qint32, QByteArray> expected(Protocol::ReceiptStatus status, const QByteArray& id,
                                       const QByteArray& stats = "1 2 3") {
    return {qint32(status), Protocol::gameDigest(gameStreams(id, stats))};
}

QList<StoredStream> streamsOf(ServerDatabase& db, const QString& gameId) {
    QList<StoredStream> found = db.streams();
    found.removeIf([&gameId](const StoredStream& s) { return s.gameId != gameId; });
    return found;
}
} // namespace

class ReceiptTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vazazo.server.info=false"); }

    // A replay of a stored game is acknowledged, not stored again (a lost receipt end to end:
    // EndToEndTest); other content under a known id is kept beside the first.
    void gamesAreStoredOncePerIdAndAcknowledgedWithTheirDigest() {
        const QString path = folder.filePath("receipts.sqlite");
        START_SERVER(server, testConfig(path));
        GREETED_CLIENT(client, server.tcpPort());
        client.send(gameBytes("g1"));
        QCOMPARE(receipt(client), expected(Protocol::receiptStored, "g1"));
        // The original exchange in the same connection stays unlinked.
        client.send(framedStream("stats", {"loose"}));
        for (const Protocol::ReceiptStatus status : {Protocol::receiptStored, Protocol::receiptAlreadyStored}) {
            client.send(gameBytes("g2"));
            QCOMPARE(receipt(client), expected(status, "g2"));
        }
        client.send(gameBytes("g1", "9 9 9"));
        QCOMPARE(receipt(client), expected(Protocol::receiptRevision, "g1", "9 9 9"));
        client.put(3);
        QCOMPARE(client.takeInt(), 3);

        OPEN_VIEW(view, path);
        QCOMPARE(view.games().size(), 3);
        const QList<StoredStream> g2 = streamsOf(view, "g2");
        QVERIFY(g2.size() == 3 && g2[0].complete && g2[0].gameRevision == 0 && g2[2].kind == "session");
        QCOMPARE(g2[0].lines, (QList<QByteArray>{"1 2 3", "4 5 6"}));
        const QList<StoredStream> g1 = streamsOf(view, "g1");
        QVERIFY(g1.size() == 6 && g1[3].gameRevision == 1 && g1[3].lines.first() == "9 9 9");
        QCOMPARE(view.streams().size(), 3 * 3 + 1);
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
        QVERIFY(first >= 0 && db.beginStream("up-1-s", "stats", "127.0.0.1", "game-k") == first);
        const auto finish = [&](const QByteArray& key, qint64 stream) {
            qint32 status = -5;
            return db.finishGame(key, "game-k", "d1", {stream}, "127.0.0.1", &status) ? status : -5;
        };
        QCOMPARE(finish("up-1", first), qint32(Protocol::receiptStored));
        QCOMPARE(finish("up-1", first), qint32(Protocol::receiptStored));
        QCOMPARE(finish("up-2", upload("up-2")), qint32(Protocol::receiptAlreadyStored));
        const QList<StoredStream> streams = db.streams();
        QVERIFY(streams.size() == 1 && streams[0].id == first && db.games().size() == 1);
        QCOMPARE(streams[0].lines, QList<QByteArray>{"x"});
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

    // A synchronization broken after the merge leaves claims that only its own participant's next
    // synchronization uses, and that a completed one releases (the whole path: EndToEndTest).
    void aBrokenSynchronizationsClaimsServeOnlyItsParticipant() {
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
        QVERIFY(doubled.value(7)[1].name == "alice" && doubled[7][1].unique != doubled[7][0].unique);
        QCOMPARE(view.claimCount("participant-1"), 4);

        GREETED_CLIENT(full, server.tcpPort());
        full.put(8, QByteArray("participant-1"));
        QCOMPARE(synchronize(full, {{3, local}}).value(3), merged);
        full.put(9);
        QVERIFY(waitUntil([&] { return view.claimCount("participant-1") == 0; }));
    }
};

VAZAZO_TEST(ReceiptTest)
#include "test_Receipts.moc"
