#include "support/TestMain.h"
#include "records/GameReading.h"
#include "records/TidyExport.h"

#include "SavedGame.h"
#include "server/ScoreServer.h"
#include "support/DataPlayer.h"
#include "protocol/Protocol.h"
#include "server/ServerDatabase.h"

#include <QProcess>

#include <QTemporaryDir>
#include <QtTest>

using namespace GameReading;

namespace {
// A file's lines as the game sends them: without line ends.
QList<QByteArray> linesOf(const QString& path, const QByteArray& end) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QByteArray> lines = file.readAll().split(end.at(end.size() - 1));
    QList<QByteArray> kept;
    for (QByteArray& line : lines) {
        if (end.size() == 2 && line.endsWith('\r')) {
            line.chop(1);
        }
        kept.append(line);
    }
    if (!kept.isEmpty() && kept.last().isEmpty()) {
        kept.removeLast();
    }
    if (end == "\n") {
        kept.removeAll(QByteArray());
    }
    return kept;
}

QList<GameReading::StoredStream> streamsOf(const QDir& folder, qint64 time, const QString& id, int revision, qint64 firstId) {
    QList<GameReading::StoredStream> streams;
    const QDateTime received = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    streams.append({firstId, "stats", "10.0.0.1", received, linesOf(folder.filePath(statsName(time)), "\r\n"), true,
                    id, revision});
    streams.append({firstId + 1, "info", "10.0.0.1", received, linesOf(folder.filePath(infoName(time)), "\r\n"),
                    true, id, revision});
    if (!id.isEmpty()) {
        streams.append({firstId + 2, "session", "10.0.0.1", received,
                        linesOf(folder.filePath(SessionRecord::fileName(time)), "\n"), true, id, revision});
    }
    return streams;
}

// A stream as the server begins it; a database that keys every stream upload gets a key of its own.
template <typename Database> qint64 beginStream(Database& database, const QString& kind, const QString& client) {
    static int uploads = 0;
    if constexpr (requires { database.beginStream(QByteArray(), kind, client); }) {
        return database.beginStream(QByteArray::number(++uploads), kind, client);
    } else {
        return database.beginStream(kind, client);
    }
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestStoredGames : public QObject {
    Q_OBJECT

private slots:
    void gamesFromAServersStreamsExportAsTheSavedFilesDo() {
        QTemporaryDir games;
        QDir folder(games.path());
        SavedGame first;
        first.time = 1700000000;
        first.save(folder);
        SavedGame second;
        second.time = 1700000100;
        second.periods = 5;
        second.save(folder);

        QList<GameReading::StoredStream> stored = streamsOf(folder, first.time, first.record.gameId, 0, 1);
        stored += streamsOf(folder, second.time, second.record.gameId, 0, 10);
        const QList<Sources> found = storedGames(stored);
        QCOMPARE(found.size(), 2);
        const Game fromServer = read(found[0]);
        QVERIFY2(fromServer.problems.isEmpty(), qPrintable(fromServer.problems.join("\n")));
        QCOMPARE(fromServer.verification, Verification::verified);
        QCOMPARE(fromServer.id(), second.record.gameId);

        QTemporaryDir localOut;
        QTemporaryDir serverOut;
        TidyExport local{QDir(localOut.path())};
        TidyExport server{QDir(serverOut.path())};
        QString error;
        QVERIFY(local.open(&error) && server.open(&error));
        for (const qint64 time : gameTimes(folder)) {
            local.add(load(folder, time));
        }
        for (const Sources& sources : found) {
            server.add(sources);
        }
        QVERIFY(local.finish(&error) && server.finish(&error));
        for (const QString& name : {"periods.csv", "samples.csv", "decisions.csv", "frames.csv"}) {
            QCOMPARE(fileBytes(QDir(serverOut.path()).filePath(name)), fileBytes(QDir(localOut.path()).filePath(name)));
        }
        // The server knows no file names, so its games have no file time; the rest agrees.
        const QList<QByteArray> localGames = fileBytes(QDir(localOut.path()).filePath("games.csv")).split('\n');
        const QList<QByteArray> serverGames = fileBytes(QDir(serverOut.path()).filePath("games.csv")).split('\n');
        QCOMPARE(serverGames.size(), localGames.size());
        QVERIFY(serverGames[1].startsWith(second.record.gameId.toUtf8() + ",P-1,,,"));
        QVERIFY(serverGames[1].contains(",yes,"));
    }

    void theLatestRevisionOfAGameCountsAndUploadsWithoutAnIdPairByClient() {
        QTemporaryDir games;
        QDir folder(games.path());
        SavedGame game;
        game.save(folder);
        SavedGame older;
        older.time = 1600000000;
        older.periods = 2;
        older.save(folder);

        QList<GameReading::StoredStream> stored = streamsOf(folder, game.time, game.record.gameId, 0, 1);
        QList<GameReading::StoredStream> revision = streamsOf(folder, game.time, game.record.gameId, 1, 20);
        revision[0].lines.removeLast();
        stored += revision;
        QList<GameReading::StoredStream> unlinked = streamsOf(folder, older.time, QString(), -1, 40);
        unlinked[1].complete = false;
        unlinked[1].client = unlinked[0].client;
        // Another client's stream in between does not split the pair.
        stored.append({35, "stats", "10.9.9.9, \"b\"", unlinked[0].received, {"1 2 3"}, true, QString(), -1});
        stored += unlinked;

        const QList<Sources> found = storedGames(stored);
        QCOMPARE(found.size(), 3);
        const Game latest = read(found[0]);
        QCOMPARE(latest.id(), game.record.gameId);
        QCOMPARE(latest.periods.size(), game.periods - 1);
        // Its statistics lost a line against its record.
        QCOMPARE(latest.verification, Verification::mismatch);
        Game old;
        for (const Sources& sources : found) {
            const Game candidate = read(sources);
            if (candidate.periods.size() == older.periods) {
                old = candidate;
            }
        }
        QVERIFY(old.hasInfo);
        // A label with a comma and quotes stays one CSV field.
        QTemporaryDir out;
        TidyExport exporter{QDir(out.path())};
        QString error;
        QVERIFY(exporter.open(&error));
        for (const Sources& sources : found) {
            exporter.add(sources);
        }
        QVERIFY(exporter.finish(&error));
        QFile table(QDir(out.path()).filePath("games.csv"));
        QVERIFY(table.open(QIODevice::ReadOnly));
        QVERIFY(table.readAll().contains("\"streams from 10.9.9.9, \"\"b\"\" at "));
        QVERIFY(old.problems.join(' ').contains("broke off before its end"));
        QCOMPARE(old.report.answersAfterGame, older.after);
    }

    void anInfoStreamWithoutTheLineBeforeTheCoordinatesStillGivesItsSamples() {
        QTemporaryDir games;
        QDir folder(games.path());
        SavedGame game;
        game.save(folder);
        QList<GameReading::StoredStream> stored = streamsOf(folder, game.time, game.record.gameId, 0, 1);
        stored[1].lines.removeAll(QByteArray());
        const Game back = read(storedGames(stored).first());
        QCOMPARE(back.sampleCount, game.samples);
    }

    // Streams stored by the server, exported by the server program: the same rows as the local
    // export of the files they came from, but for the game's name.
    void theServerProgramExportsItsStoredGamesLikeTheLocalExport() {
        QTemporaryDir dir;
        QDir folder(dir.filePath("games"));
        folder.mkpath(".");
        SavedGame game;
        game.save(folder);
        const QString spec = dir.filePath("server.sqlite");
        {
            ServerDatabase database;
            QString error;
            QVERIFY2(database.open(spec, &error), qPrintable(error));
            for (const GameReading::StoredStream& stream : streamsOf(folder, game.time, QString(), -1, 1)) {
                QByteArray framed;
                for (const QByteArray& line : stream.lines) {
                    Protocol::appendString(framed, line);
                }
                const qint64 id = beginStream(database, stream.kind, stream.client);
                QVERIFY(id > 0);
                QVERIFY(database.completeStream(id, 0, framed, static_cast<int>(stream.lines.size())));
            }
        }
        QProcess server;
        server.start(VAZAZO_SERVER, {"--export", dir.filePath("server-csv"), "--db", spec});
        QVERIFY(server.waitForFinished(60000));
        QVERIFY2(server.exitCode() == 0, server.readAllStandardError().constData());
        QProcess local;
        local.start(VAZAZO_EXPORT, {"--out", dir.filePath("local-csv"), folder.path()});
        QVERIFY(local.waitForFinished(60000));
        QCOMPARE(local.exitCode(), 0);
        // Past the game id, the first column.
        auto rows = [&](const QString& csv, const QString& name) {
            QList<QByteArray> lines = fileBytes(QDir(dir.filePath(csv)).filePath(name)).split('\n');
            for (QByteArray& line : lines) {
                line = line.mid(line.indexOf(',') + 1);
            }
            return lines;
        };
        for (const QString& name : {"periods.csv", "samples.csv"}) {
            const QList<QByteArray> fromServer = rows("server-csv", name);
            QVERIFY(fromServer.size() > 2);
            QList<QByteArray> fromFiles = rows("local-csv", name);
            // The server kept no record, so nothing was verified there.
            for (QByteArray& line : fromFiles) {
                line.replace(",yes\r", ",no record\r");
            }
            QCOMPARE(fromServer, fromFiles);
        }
        server.start(VAZAZO_SERVER, {"--export"});
        QVERIFY(server.waitForFinished(60000));
        QCOMPARE(server.exitCode(), 2);
        server.start(VAZAZO_SERVER, {"--export", dir.filePath("none-csv"), "--db", dir.filePath("typo.sqlite")});
        QVERIFY(server.waitForFinished(60000));
        QCOMPARE(server.exitCode(), 2);
        QVERIFY(!QFileInfo::exists(dir.filePath("typo.sqlite")));
    }

    // Played by the game and sent by it to our server: the server's export of the game is the
    // local export of its files, under the same game id.
    void aGameTheGameUploadedExportsFromTheServerAsFromItsFiles() {
        QTemporaryDir serverDir;
        ServerConfig config;
        config.database = serverDir.filePath("server.sqlite");
        config.httpPort = 0;
        config.tcpPort = 0;
        ServerThread server(config);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        DataPlayer player;
        // The first game finds no server and is saved to files and queued; the second takes it along.
        const QByteArray sample = "1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000 g0001 0.5 0.6 0.002";
        player.upload("127.0.0.1:1", sample, 3);
        const QString id = player.module.gameId();
        QVERIFY(player.folder.exists("stats1700000000.txt"));
        player.upload(QString("127.0.0.1:%1").arg(server.httpPort()), "2000 1.00 0.30000 0.95000");
        QVERIFY(QFileInfo::exists(player.folder.filePath("upload-queue/upload1700000000.sent")));

        QProcess exporter;
        exporter.start(VAZAZO_SERVER, {"--export", serverDir.filePath("server-csv"), "--db", config.database});
        QVERIFY(exporter.waitForFinished(60000));
        QVERIFY2(exporter.exitCode() == 0, exporter.readAllStandardError().constData());
        exporter.start(VAZAZO_EXPORT, {"--out", serverDir.filePath("local-csv"), player.folder.path()});
        QVERIFY(exporter.waitForFinished(60000));
        QCOMPARE(exporter.exitCode(), 0);
        const auto rowsOf = [&](const QString& csv, const QString& name) {
            QList<QByteArray> rows;
            for (const QByteArray& line : fileBytes(QDir(serverDir.filePath(csv)).filePath(name)).split('\n')) {
                if (line.startsWith(id.toUtf8() + ',')) {
                    // The last column says whether files were checked; the server holds none.
                    rows.append(line.left(line.lastIndexOf(',')));
                }
            }
            return rows;
        };
        for (const QString& name : {"periods.csv", "samples.csv"}) {
            const QList<QByteArray> local = rowsOf("local-csv", name);
            QVERIFY2(!local.isEmpty(), qPrintable(name));
            QCOMPARE(rowsOf("server-csv", name), local);
        }
        QCOMPARE(rowsOf("local-csv", "periods.csv").size(), 3);
        // The paddle, the triangle and the gun of the one sample.
        QCOMPARE(rowsOf("local-csv", "samples.csv").size(), 3);
    }
};

VAZAZO_TEST(TestStoredGames)
#include "test_StoredGames.moc"
