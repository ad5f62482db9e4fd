#include "support/TestMain.h"
#include "Player.h"
#include "learning/DataUpload.h"
#include "records/SessionRecord.h"
#include "server/ServerDatabase.h"
#include "server/ServerClient.h"
#include "support/CuttingRelay.h"
#include "support/DataPlayer.h"
#include "support/Waiting.h"

namespace {
QString page(const ServerThread& server) {
    return QString("127.0.0.1:%1").arg(server.httpPort());
}

// A discovery page that sends the client to a relay in front of the real server, with the
// capabilities the real server offers.
ScriptedPeer relayPage(quint16 relayPort) {
    Protocol::Capabilities offered;
    offered.receipts = offered.sessions = offered.syncClaims = true;
    const QByteArray body = "Vazazo score server\n127.0.0.1:" + QByteArray::number(relayPort) + "\n" + offered.pageLine();
    return ScriptedPeer([body](QTcpSocket& client) {
        while (!client.readAll().contains("\r\n\r\n") && client.waitForReadyRead(ScriptedPeer::waitMs)) {
        }
        client.write("HTTP/1.0 200 OK\r\n\r\n" + body);
    });
}
} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ServerThread> startServer(const QString& database) {
        auto server = std::make_unique<ServerThread>(testConfig(database));
        QString error;
        return server->start(&error) ? std::move(server) : nullptr;
    }

    // Two players' scores meet on the server; afterwards both hold the same merged table, numbered
    // by the server, and keep it in their settings.
    void scoresMergeBetweenTwoPlayers(const QString& database) {
        const auto server = startServer(database);
        QVERIFY(server);
        Player ann(page(*server)), bob(page(*server));
        ann.enter(0, 0, "Ann", 50);
        ann.enter(0, 1, "Ann", 20);
        bob.enter(0, 0, "Bob", 70);
        bob.enter(131, 0, "Bob", 5);
        ann.synchronize();
        bob.synchronize();
        ann.synchronize();
        const QStringList merged = ann.places(0);
        QVERIFY(merged.size() == 3 && merged[0].startsWith("Bob 70 #") && merged[1].startsWith("Ann 50 #") &&
                !merged.join(' ').contains("#-1"));
        QVERIFY(bob.places(0) == merged && ann.places(131) == bob.places(131));
        // Again, nothing changes: the same entries keep their numbers.
        bob.synchronize();
        BestScoreTableSet reread(ann.store);
        reread.loadAll();
        QVERIFY(bob.places(0) == merged && reread.table(0)->uniqueNumbers == ann.tables.table(0)->uniqueNumbers);
    }

    // The server stores a game and its receipt is lost on the way back: the game waits and goes
    // again with the next one, and the server keeps it once, confirming it as already stored.
    void aGameWhoseReceiptIsLostIsStoredOnce(const QString& database) {
        DataPlayer player;
        const QDir& folder = player.folder;
        const auto server = startServer(database);
        QVERIFY(server);
        OPEN_VIEW(view, database);
        QString lostId;
        {
            // The version check's answer passes; the receipt does not.
            CuttingRelay relay(server->tcpPort(), 4);
            ScriptedPeer pageForRelay = relayPage(relay.port());
            player.upload(QString("127.0.0.1:%1").arg(pageForRelay.port()), "1000 1.00 0.20000 0.95000");
            lostId = player.module.gameId();
            QVERIFY(relay.cut);
        }
        QVERIFY(waitUntil([&] { return view.games().size() == 1; }) &&
                DataUpload(folder).queued() == QStringList{"upload1700000000.wire"});

        player.upload(page(*server), "2000 1.00 0.30000 0.95000");
        QVERIFY(DataUpload(folder).queued().isEmpty() && waitUntil([&] { return view.games().size() == 2; }));
        const QList<StoredStream> streams = view.streams();
        // Statistics, info and record once, not twice.
        QVERIFY(std::count_if(streams.begin(), streams.end(),
                              [&](const StoredStream& s) { return s.gameId == lostId && s.gameRevision >= 0; }) == 3);
        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000000.json"));
        QVERIFY(record && record->upload.state == SessionRecord::Upload::State::confirmed &&
                record->upload.receiptStatus == Protocol::receiptAlreadyStored &&
                record->upload.receiptSha256 == record->upload.sha256);
    }

    // A synchronization that breaks after the server merged: the next one brings each entry once.
    void aBrokenSynchronizationDoesNotDoubleItsEntries(const QString& database) {
        const auto server = startServer(database);
        QVERIFY(server);
        Player ann(page(*server));
        ann.enter(3, 0, "Ann", 50);
        ann.enter(3, 1, "Ann", 20);
        {
            // The version answer and the flags pass; the merged tables do not.
            CuttingRelay relay(server->tcpPort(), 4 + 4 + 4 * 132);
            ScriptedPeer pageForRelay = relayPage(relay.port());
            ann.server = QString("127.0.0.1:%1").arg(pageForRelay.port());
            ann.synchronize();
            QVERIFY(relay.cut);
        }
        QCOMPARE(ann.places(3), QStringList({"Ann 50 #-1", "Ann 20 #-1"}));
        // The server had merged them already.
        OPEN_VIEW(view, database);
        QVERIFY(waitUntil([&] { return view.table(3).at(1).name == "Ann"; }));
        ann.server = page(*server);
        ann.synchronize();
        const QStringList places = ann.places(3);
        QVERIFY(places.size() == 2 && places[0].startsWith("Ann 50 #") && places[1].startsWith("Ann 20 #") &&
                !places.join(' ').contains("#-1"));
        // A later game with the same name and score is a new entry.
        ann.enter(3, 2, "Ann", 20);
        ann.synchronize();
        QCOMPARE(ann.places(3).size(), 3);
    }

private slots:
    void init() { GameLog::takePending(); }

    void onSqlite() {
        QTemporaryDir dir;
        scoresMergeBetweenTwoPlayers(dir.filePath("scores.sqlite"));
        aGameWhoseReceiptIsLostIsStoredOnce(dir.filePath("receipts.sqlite"));
        aBrokenSynchronizationDoesNotDoubleItsEntries(dir.filePath("claims.sqlite"));
    }
};

VAZAZO_TEST(EndToEndTest)
#include "test_EndToEnd.moc"
