#include "support/TestMain.h"
#include "records/GameReading.h"
#include "records/TidyExport.h"

#include "SavedGame.h"
#include "server/ServerClient.h"
#include "support/DataPlayer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace GameReading;

namespace {
// A file's lines as the game sends them: without line ends; session records lose their empty lines.
QList<QByteArray> linesOf(const QString& path, bool crlf = true) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray& line : lines) {
        if (crlf && line.endsWith('\r')) {
            line.chop(1);
        }
    }
    if (!crlf) {
        lines.removeAll(QByteArray());
    } else if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

QList<GameReading::StoredStream> streamsOf(const QDir& folder, qint64 time, const QString& id, int revision, qint64 firstId) {
    const QDateTime received = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    QList<GameReading::StoredStream> streams{
        {firstId, "stats", "10.0.0.1", received, linesOf(folder.filePath(statsName(time))), true, id, revision},
        {firstId + 1, "info", "10.0.0.1", received, linesOf(folder.filePath(infoName(time))), true, id, revision}};
    if (!id.isEmpty()) {
        streams.append({firstId + 2, "session", "10.0.0.1", received,
                        linesOf(folder.filePath(SessionRecord::fileName(time)), false), true, id, revision});
    }
    return streams;
}

bool exportAll(const QString& folder, const QList<Sources>& games) {
    TidyExport exporter{QDir(folder)};
    QString error;
    if (!exporter.open(&error)) {
        return false;
    }
    for (const Sources& sources : games) {
        exporter.add(sources);
    }
    return exporter.finish(&error);
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

        // Without the line before the coordinates, an info stream still gives its samples.
        QList<GameReading::StoredStream> bare = streamsOf(folder, first.time, first.record.gameId, 0, 1);
        bare[1].lines.removeAll(QByteArray());
        QCOMPARE(read(storedGames(bare).first()).sampleCount, first.samples);

        QTemporaryDir localOut;
        QTemporaryDir serverOut;
        QList<Sources> local;
        for (const qint64 time : gameTimes(folder)) {
            local.append(load(folder, time));
        }
        QVERIFY(exportAll(localOut.path(), local) && exportAll(serverOut.path(), found));
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
        QVERIFY(exportAll(out.path(), found));
        QVERIFY(fileBytes(QDir(out.path()).filePath("games.csv")).contains("\"streams from 10.9.9.9, \"\"b\"\" at "));
        QVERIFY(old.problems.join(' ').contains("broke off before its end"));
        QCOMPARE(old.report.answersAfterGame, older.after);
    }

    // Played by the game and sent by it to our server: the server's export of the game is the
    // local export of its files, under the same game id.
    void aGameTheGameUploadedExportsFromTheServerAsFromItsFiles() {
        QTemporaryDir serverDir;
        const ServerConfig config = testConfig(serverDir.filePath("server.sqlite"));
        START_SERVER(server, config);
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

        // Without a database, or with one that does not exist, nothing is exported or made.
        exporter.start(VAZAZO_SERVER, {"--export"});
        QVERIFY(exporter.waitForFinished(60000));
        QCOMPARE(exporter.exitCode(), 2);
        exporter.start(VAZAZO_SERVER, {"--export", serverDir.filePath("none-csv"), "--db", serverDir.filePath("typo.sqlite")});
        QVERIFY(exporter.waitForFinished(60000));
        QCOMPARE(exporter.exitCode(), 2);
        QVERIFY(!QFileInfo::exists(serverDir.filePath("typo.sqlite")));
    }
};

VAZAZO_TEST(TestStoredGames)
#include "test_StoredGames.moc"
