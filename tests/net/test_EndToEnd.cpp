#include "support/TestMain.h"
#include "core/Log.h"
#include "learning/DataCollection.h"
#include "learning/DataUpload.h"
#include "scores/BestScoreTableSet.h"
#include "scores/HallOfFameDlg.h"
#include "scores/NameSource.h"
#include "server/ScoreServer.h"
#include "server/ServerDatabase.h"
#include "settings/SettingsStore.h"
#include "support/ManualCounter.h"
#include "support/TempPostgres.h"
#include "support/Waiting.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
QString logText() {
    QString text;
    for (const GameLog::Line& line : GameLog::takePending()) {
        text += line.text + '\n';
    }
    return text;
}

// A player's copy of the game as far as best scores go: a settings file and the High Scores window.
struct Player {
    Player(const QString& path, const QString& server) : store(path), tables(store), window(tables) {
        tables.loadAll();
        window.setScoreServer([server] { return server; });
    }
    void enter(int table, const QString& name, int score) {
        struct Answer : NameSource {
            std::optional<QString> askPlayerName(int) override { return name; }
            QString name;
        } answer;
        answer.name = name;
        QVERIFY(tables.offerScore(table / BestScores::difficultyIndexCount, table % BestScores::difficultyIndexCount,
                                  score, answer));
    }
    void synchronize() {
        window.show();
        QTest::mouseClick(window.synchronizeButton(), Qt::LeftButton);
    }
    QStringList places(int table) {
        QStringList texts;
        const BestScoreTable& t = *tables.table(table);
        for (int i = 0; i < BestScores::placeCount && t.scores[i] >= 0; ++i) {
            texts << QString("%1 %2 #%3").arg(t.names[i]).arg(t.scores[i]).arg(t.uniqueNumbers[i]);
        }
        return texts;
    }
    SettingsStore store;
    BestScoreTableSet tables;
    HallOfFameDlg window;
};

// One game's data collection, uploading to server.
struct Game {
    explicit Game(const QDir& folder) : module(folder, clock) {
        module.setCalendarTime([] { return qint64(1'700'000'000); });
    }
    void play(const QString& server, const QByteArray& line) {
        module.beginGame({DataCollection::upload, true, 5000, server}, {"Group Name: lab", "Game version: 1.73"});
        module.appendInfo(line);
        module.stopAtGameOver();
        module.finishGame("pain level: 3.0, stiffness level: 4.0");
    }
    Clock clock{std::make_shared<ManualCounter>()};
    DataCollection module;
};

ServerConfig loopback(const QString& database) {
    ServerConfig config;
    config.database = database;
    config.httpPort = 0;
    config.tcpPort = 0;
    config.advertisedHost = "127.0.0.1";
    return config;
}

QString pageAddress(const ServerThread& server) {
    return QString("127.0.0.1:%1").arg(server.httpPort());
}

QStringList lines(const StoredStream& stream) {
    QStringList texts;
    for (const QByteArray& line : stream.lines) {
        texts << QString::fromUtf8(line);
    }
    return texts;
}
} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private:
    // Two players' scores meet on the server; afterwards both hold the same merged table, with
    // numbers from the server, and so does the server's database.
    void scoresMergeBetweenTwoPlayers(const QString& database) {
        QTemporaryDir dir;
        ServerThread server(loopback(database));
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        Player ann(dir.filePath("ann.ini"), pageAddress(server));
        Player bob(dir.filePath("bob.ini"), pageAddress(server));
        ann.enter(0, "Ann", 50);
        ann.enter(0, "Ann", 20);
        bob.enter(0, "Bob", 70);
        bob.enter(131, "Bob", 5);

        ann.synchronize();
        bob.synchronize();
        ann.synchronize();
        const QStringList merged = ann.places(0);
        QCOMPARE(merged.size(), 3);
        QVERIFY(merged[0].startsWith("Bob 70 #") && merged[1].startsWith("Ann 50 #") && merged[2].startsWith("Ann 20 #"));
        QVERIFY(!merged.join(' ').contains("#-1"));
        QCOMPARE(bob.places(0), merged);
        QCOMPARE(ann.places(131), bob.places(131));
        // Synchronizing again changes nothing: the same entries keep their numbers.
        bob.synchronize();
        QCOMPARE(bob.places(0), merged);
        // What each player stored is what the window shows.
        BestScoreTableSet reread(ann.store);
        reread.loadAll();
        QCOMPARE(reread.table(0)->uniqueNumbers, ann.tables.table(0)->uniqueNumbers);
        ServerDatabase view;
        QVERIFY2(view.open(database, &error), qPrintable(error));
        QCOMPARE(view.table(0).at(0).name, QString("Bob"));
    }

    // A game's data reaches the server; with the server stopped it goes to files and waits, and the
    // next upload that works takes it along.
    void gameDataUploadsOrWaits(const QString& database) {
        QTemporaryDir dir;
        QDir folder(dir.path());
        QString error;
        auto server = std::make_unique<ServerThread>(loopback(database));
        QVERIFY2(server->start(&error), qPrintable(error));
        const QString address = pageAddress(*server);
        Game game(folder);
        game.play(address, "1000 1.00 0.20000 0.95000");
        QVERIFY(logText().contains("Sent the data of this game to the collection server."));
        QVERIFY(folder.entryList({"*.txt"}).isEmpty());

        server.reset();
        game.play(address, "2000 0.00 0.30000 0.95000");
        QVERIFY(logText().contains("saved to stats1700000000.txt and info1700000000.txt and goes to the"));
        QCOMPARE(DataUpload(folder).queued(), QStringList{"upload1700000000.wire"});

        ServerConfig again = loopback(database);
        server = std::make_unique<ServerThread>(again);
        QVERIFY2(server->start(&error), qPrintable(error));
        game.play(pageAddress(*server), "3000 1.00 0.40000 0.95000");
        QVERIFY(DataUpload(folder).queued().isEmpty());

        ServerDatabase view;
        QVERIFY2(view.open(database, &error), qPrintable(error));
        // The server stores on its own thread.
        QList<StoredStream> streams;
        QVERIFY(waitUntil([&] {
            streams = view.streams();
            return streams.size() == 6 && std::all_of(streams.begin(), streams.end(),
                                                      [](const StoredStream& s) { return s.complete; });
        }));
        QStringList coordinates;
        for (const StoredStream& stream : streams) {
            QCOMPARE(stream.client, QString("127.0.0.1"));
            if (stream.kind == "info") {
                QCOMPARE(lines(stream).at(8), QString("Group Name: lab\nBefore pain level: 3.0, stiffness level: 4.0"));
                coordinates << lines(stream).last();
            }
        }
        QCOMPARE(coordinates, (QStringList{"1000 1.00 0.20000 0.95000", "3000 1.00 0.40000 0.95000",
                                           "2000 0.00 0.30000 0.95000"}));
    }

private slots:
    void init() { GameLog::takePending(); }

    void onSqlite() {
        QTemporaryDir dir;
        scoresMergeBetweenTwoPlayers(dir.filePath("scores.sqlite"));
        gameDataUploadsOrWaits(dir.filePath("data.sqlite"));
    }

    void onPostgres() {
        TempPostgres postgres;
        QString error;
        QVERIFY2(postgres.start(&error), qPrintable(error));
        scoresMergeBetweenTwoPlayers(postgres.tcpSpec());
        gameDataUploadsOrWaits(postgres.socketSpec());
    }
};

VAZAZO_TEST(EndToEndTest)
#include "test_EndToEnd.moc"
