#include "support/TestMain.h"
#include "records/FrameTiming.h"
#include "records/GameReading.h"
#include "records/TidyExport.h"

#include "SavedGame.h"
#include "server/ServerClient.h"
#include "support/DataPlayer.h"
#include "support/PythonCsv.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace GameReading;
using namespace PythonCsv;
using Stream = GameReading::StoredStream;

namespace {
std::vector<FrameTiming::Frame> evenFrames(int count, double intervalMs, float targetMs) {
    std::vector<FrameTiming::Frame> frames;
    for (int i = 1; i <= count; ++i) {
        frames.push_back({intervalMs * i, intervalMs, targetMs, i > 150});
    }
    return frames;
}

QString figures(const FrameTiming::Quality& q) {
    return QString::asprintf("from %lld: %d frames, %d late, gap %g, ", q.startMs, q.frames, q.late,
                             q.longestGapMs) +
           q.hitTest;
}

// A game saved into a folder of its own.
struct Saved {
    explicit Saved(SavedGame game = {}) : game(std::move(game)) { time = this->game.save(folder); }
    QTemporaryDir dir;
    QDir folder{dir.path()};
    SavedGame game;
    qint64 time = 0;
};

// A file's lines as the game sends them: without line ends; session records lose their empty lines.
QList<QByteArray> linesOf(const QString& path, bool crlf = true) {
    QFile file(path);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!crlf) {
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }
    bytes.replace("\r\n", "\n");
    bytes.chop(bytes.endsWith('\n') ? 1 : 0);
    return bytes.split('\n');
}

// The streams a server holds of a saved game; without an id, of a client that sends no records.
QList<Stream> streamsOf(const QDir& folder, qint64 time, const QString& id, int revision, qint64 firstId) {
    const QDateTime received = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    QList<Stream> streams{{firstId, "stats", "10.0.0.1", received, linesOf(folder.filePath(statsName(time))),
                           true, id, revision},
                          {firstId + 1, "info", "10.0.0.1", received,
                           linesOf(folder.filePath(infoName(time))), true, id, revision}};
    if (!id.isEmpty()) {
        streams.append({firstId + 2, "session", "10.0.0.1", received,
                        linesOf(folder.filePath(SessionRecord::fileName(time)), false), true, id, revision});
    }
    return streams;
}

// The number of mismatched games, or -1 where the export failed.
int exportAll(const QString& folder, const QList<Sources>& games) {
    TidyExport exporter{QDir(folder)};
    QString error;
    if (!exporter.open(&error)) {
        return -1;
    }
    for (const Sources& sources : games) {
        exporter.add(sources);
    }
    return exporter.finish(&error) ? exporter.mismatches() : -1;
}

QByteArray fileBytes(const QString& folder, const QString& name) {
    QFile file(QDir(folder).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runs(const QString& program, const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        return -1;
    }
    if (errors != nullptr) {
        *errors = process.readAllStandardError();
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void pacedFramesAreLateBeyondATwentiethMoreThanTheirTargetPeriod() {
        auto frames = evenFrames(100, 10.0, 9.0f);
        frames[10].intervalMs = 10.79;
        frames[20].intervalMs = 10.81;
        frames[30].intervalMs = 55.0;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 0.0);
        QCOMPARE(figures(s.game), QString("from 0: 100 frames, 2 late, gap 55, CPU"));
        QCOMPARE(QList<double>({s.game.p50Ms, s.game.p99Ms, s.game.targetPeriodMs}),
                 QList<double>({10.0, 10.81, 9.0}));
        QCOMPARE(FrameTiming::lateLine(s), QString("timing: 2 of 100 frames late, longest gap 55.0 ms"));
    }

    void unlimitedFramesAreJudgedByTheGamesMedian() {
        auto frames = evenFrames(200, 4.0, 0.0f);
        frames[5].intervalMs = 4.9;
        frames[6].intervalMs = 4.7;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 0.0);
        QCOMPARE(s.medianLateLimitMs, 4.8);
        QCOMPARE(s.game.late, 1);
        // One in two hundred is not worth a line in the log, nor is a game without frames.
        QVERIFY(FrameTiming::lateLine(s).isEmpty());
        const FrameTiming::Summary none = FrameTiming::summarise({}, 5000.0);
        QVERIFY(none.game.frames == 0 && none.periods.isEmpty() && FrameTiming::lateLine(none).isEmpty());
    }

    void periodsAreCutByTheStatisticsIntervalWithTheirOwnFiguresAndHitTest() {
        auto frames = evenFrames(300, 10.0, 10.0f);
        frames[99].intervalMs = 40.0; // at 1000 ms: second period
        frames[250].intervalMs = 25.0;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 1000.0);
        QStringList periods;
        for (const FrameTiming::Quality& q : s.periods) {
            periods << figures(q);
        }
        QCOMPARE(periods, QStringList({"from 0: 99 frames, 0 late, gap 10, CPU",
                                       "from 1000: 100 frames, 1 late, gap 40, CPU and GPU",
                                       "from 2000: 100 frames, 1 late, gap 25, GPU",
                                       "from 3000: 1 frames, 0 late, gap 10, GPU"}));
        QCOMPARE(s.game.late, 2);
        QCOMPARE(figures(FrameTiming::qualityFromJson(FrameTiming::qualityToJson(s.periods[1]))), periods[1]);
    }

    void aSavedGameReadsBackWithItsPeriodsReportAndChecksumsThatCatchAChangedByte() {
        Saved saved;
        QVERIFY(saved.time > 0);
        QCOMPARE(gameTimes(saved.folder), QList<qint64>{saved.time});
        // Its samples are checked by the export, which counts on them.
        const Game game = read(load(saved.folder, saved.time));
        QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
        QCOMPARE(game.verification, Verification::verified);
        QCOMPARE(game.id(), saved.game.record.gameId);
        QCOMPARE(game.periods.size(), saved.game.periods);
        for (int i = 0; i < saved.game.periods; ++i) {
            const PeriodStats& p = saved.game.written[i];
            const auto& r = game.periods[i];
            QCOMPARE(QList<double>({1.0 * r.startMs, 1.0 * r.shots, 1.0 * r.hits, 1.0 * r.missed,
                                    1.0 * r.weaponsSpeed, r.avgHitDistance}),
                     QList<double>({p.periodStart, 1.0 * p.shots, 1.0 * p.hits, 1.0 * p.missed,
                                    1.0 * p.weaponsSpeed, std::round(p.avgHitDistance * 1e4) / 1e4}));
        }
        QCOMPARE(game.sampleCount, saved.game.samples);
        QCOMPARE(QStringList({game.report.groupName, QString::number(game.report.level),
                              game.report.answersBeforeGame, game.report.answersAfterGame}),
                 QStringList({"group", "3", saved.game.before, saved.game.after}));
        QVERIFY(game.report.coordinates);
        QCOMPARE(painStiffness(game.report.answersBeforeGame).stiffness, std::optional<double>(4.0));
        QVERIFY(!painStiffness("pain level: n/a, stiffness level: n/a").pain);

        // A changed byte is a mismatch naming its file; the rest is still read.
        QVERIFY(corrupt(saved.folder.filePath(infoName(saved.time)), 40));
        const Game changed = read(load(saved.folder, saved.time));
        QCOMPARE(changed.verification, Verification::mismatch);
        QCOMPARE(changed.mismatchedFiles, QStringList{infoName(saved.time)});
        QVERIFY(changed.problems.join(' ').contains("does not match the checksum"));
        QCOMPARE(changed.periods.size(), saved.game.periods);
    }

    void damagedAndPartialFilesAreDescribedAndWhatIsReadableIsKept() {
        Saved saved;
        const QString stats = statsName(saved.time);
        const QString session = SessionRecord::fileName(saved.time);
        QFile file(saved.folder.filePath(stats));
        QVERIFY(file.open(QIODevice::Append) && file.write("12 oops\r\n1 2 3") > 0);
        file.close();
        QFile::remove(saved.folder.filePath(infoName(saved.time)));
        file.setFileName(saved.folder.filePath(session));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write("{\"format\": 1, \"gameId\"") > 0);
        file.close();

        const Game game = read(load(saved.folder, saved.time));
        QCOMPARE(game.periods.size(), saved.game.periods);
        QVERIFY(!game.record);
        QCOMPARE(game.verification, Verification::noRecord);
        const QString problems = game.problems.join('\n');
        for (const QString& problem :
             {stats + ": 2 lines are no statistics lines", stats + " ends in the middle of a line",
              infoName(saved.time) + " is missing", session + ": not JSON"}) {
            QVERIFY2(problems.contains(problem), qPrintable(problems));
        }
        QCOMPARE(game.id(), QString("T%1").arg(saved.time));
    }

    void filesOfAnOlderVersionWithoutRecordOrCoordinatesAreListedNewestFirst() {
        Saved older(SavedGame{.coordinates = false, .time = 1600000000});
        QVERIFY(QFile::remove(older.folder.filePath(SessionRecord::fileName(older.time))));
        SavedGame newer;
        const qint64 newerTime = newer.save(older.folder);
        QFile(older.folder.filePath("stats-notes.txt")).open(QIODevice::WriteOnly);
        QCOMPARE(gameTimes(older.folder), (QList<qint64>{newerTime, older.time}));
        const Game game = read(load(older.folder, older.time));
        QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
        QCOMPARE(game.sampleCount, 0);
        QVERIFY(!game.report.coordinates);
        QCOMPARE(game.report.answersAfterGame, older.game.after);
    }

    void coordinatesLinesKeepGunsAndHitMarksAndRefuseOtherText() {
        Sample sample;
        QVERIFY(parseSample(
            "1234 0.00 0.50000 0.90000 t0001 0.10000 0.20000 0.03000 g0001 0.5 0.6 0.01 t0003 hit", sample));
        QCOMPARE(sample.paddleVisibility.toByteArray(), QByteArray("0.00"));
        QCOMPARE(int(sample.items.size()), 3);
        QCOMPARE(sample.items[1].name.toByteArray(), QByteArray("g0001"));
        QCOMPARE(sample.items[1].radius.toByteArray(), QByteArray("0.01"));
        QVERIFY(sample.items[2].hit);
        QVERIFY(parseSample("1234 1.00 0.5 0.9", sample));
        QVERIFY(sample.items.empty());
        for (const char* bad : {"1234 1.00 0.5", "1234 1.00 0.5 0.9 t0001 0.1",
                                "1234 1.00 0.5 0.9 t0001 x 0.2 0.3", "Group Name: x", "1234 1.00  0.5 0.9"}) {
            QVERIFY2(!parseSample(bad, sample), bad);
        }
        QCOMPARE(parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322 1834").value().avgHitTime, 1834.0);
        QVERIFY(!parsePeriod("2000 5001 12 5 2 8 2 1,500 0.4322 1834"));
        QVERIFY(!parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322"));
    }

    void savedGamesExportOneRowPerPeriodObjectSampleDecisionAndFramePeriodAsFromAServersStreams() {
        QTemporaryDir games;
        QTemporaryDir localOut;
        QTemporaryDir serverOut;
        const QDir folder(games.path());
        SavedGame first;
        first.save(folder);
        SavedGame second{.periods = 4,
                         .samples = 7,
                         .after = "pain level: 1.0, stiffness level: \"a, b\"",
                         .time = 1700000100};
        second.record.details["settings"] = QJsonObject{{"Weapons Speed", "7"}};
        second.save(folder);
        QList<Sources> local;
        for (const qint64 time : gameTimes(folder)) {
            local.append(load(folder, time));
        }
        QCOMPARE(exportAll(localOut.path(), local), 0);

        const QJsonObject csv = readWithPython(localOut.path());
        const QList<QStringList> gameRows = rowsOf(csv, "games");
        QCOMPARE(gameRows.size(), 2);
        // Newest first, with its after-game answers intact despite the comma and quotes.
        QCOMPARE(cell(csv, "games", gameRows[0], "game_id"), second.record.gameId);
        QCOMPARE(cell(csv, "games", gameRows[0], "answers_after_game"), second.after);
        QCOMPARE(cell(csv, "games", gameRows[0], "pain_before"), QString("3.0"));
        QCOMPARE(cell(csv, "games", gameRows[0], "checksums_verified"), QString("yes"));
        QCOMPARE(cell(csv, "games", gameRows[0], "start_utc"), QString("2026-12-05T16:03:04.000Z"));
        QCOMPARE(cell(csv, "games", gameRows[1], "setting: Weapons Speed"), QString("5"));
        const QList<QStringList> periods = rowsOf(csv, "periods");
        QCOMPARE(periods.size(), first.periods + second.periods);
        QCOMPARE(cell(csv, "periods", periods[0], "game_id"), second.record.gameId);
        QCOMPARE(cell(csv, "periods", periods[1], "shots"), QString::number(second.written[1].shots));
        QCOMPARE(cell(csv, "periods", periods[1], "targets_per_second"), QString("1.500"));
        // The paddle, each target and each hit mark of every sample.
        const QList<QStringList> samples = rowsOf(csv, "samples");
        QCOMPARE(samples.size(), (7 * 3 + 7 / 3) + (5 * 3 + 5 / 3));
        QCOMPARE(cell(csv, "samples", samples[0], "object"), QString("paddle"));
        QCOMPARE(cell(csv, "samples", samples[0], "paddle_visibility"), QString("1.00"));
        QCOMPARE(cell(csv, "samples", samples[1], "x"), QString("0.00000"));
        const QList<QStringList> decisions = rowsOf(csv, "decisions");
        QCOMPARE(decisions.size(), first.periods + second.periods);
        QCOMPARE(cell(csv, "decisions", decisions[0], "decision"), QString("weaponsSpeed 8->7"));
        QCOMPARE(cell(csv, "decisions", decisions[0], "reached_ms"), QString("5009"));
        QCOMPARE(cell(csv, "decisions", decisions[0], "state_before"), QString("level=2"));
        // Per period and one for the game, each game.
        const QList<QStringList> frames = rowsOf(csv, "frames");
        QCOMPARE(frames.size(), first.periods + 1 + second.periods + 1);
        QCOMPARE(cell(csv, "frames", frames[0], "late"), QString("10"));
        QCOMPARE(cell(csv, "frames", frames[0], "longest_gap_ms"), QString("30.000"));

        // The same games as a server holds their streams.
        const QList<Sources> found = storedGames(streamsOf(folder, first.time, first.record.gameId, 0, 1) +
                                                 streamsOf(folder, second.time, second.record.gameId, 0, 10));
        QCOMPARE(found.size(), 2);
        const Game fromServer = read(found[0]);
        QVERIFY2(fromServer.problems.isEmpty(), qPrintable(fromServer.problems.join("\n")));
        QCOMPARE(fromServer.verification, Verification::verified);
        QCOMPARE(fromServer.id(), second.record.gameId);
        QCOMPARE(exportAll(serverOut.path(), found), 0);
        for (const QString& name : {"periods.csv", "samples.csv", "decisions.csv", "frames.csv"}) {
            QCOMPARE(fileBytes(serverOut.path(), name), fileBytes(localOut.path(), name));
        }
        // The server knows no file names, so its games have no file time; the rest agrees.
        const QList<QByteArray> serverGames = fileBytes(serverOut.path(), "games.csv").split('\n');
        QCOMPARE(serverGames.size(), fileBytes(localOut.path(), "games.csv").split('\n').size());
        QVERIFY(serverGames[1].startsWith(second.record.gameId.toUtf8() + ",P-1,,,"));
        QVERIFY(serverGames[1].contains(",yes,"));
        // Without the line before the coordinates, an info stream still gives its samples.
        QList<Stream> bare = streamsOf(folder, first.time, first.record.gameId, 0, 1);
        bare[1].lines.removeAll(QByteArray());
        QCOMPARE(read(storedGames(bare).first()).sampleCount, first.samples);
    }

    void theLatestRevisionOfAGameCountsAndUploadsWithoutAnIdPairByClient() {
        QTemporaryDir games;
        QDir folder(games.path());
        SavedGame game;
        game.save(folder);
        SavedGame older{.periods = 2, .time = 1600000000};
        older.save(folder);

        QList<Stream> stored = streamsOf(folder, game.time, game.record.gameId, 0, 1);
        QList<Stream> revision = streamsOf(folder, game.time, game.record.gameId, 1, 20);
        revision[0].lines.removeLast();
        QList<Stream> unlinked = streamsOf(folder, older.time, QString(), -1, 40);
        unlinked[1].complete = false;
        // Another client's stream in between does not split the pair.
        stored << revision
               << Stream{35, "stats", "10.9.9.9, \"b\"", unlinked[0].received, {"1 2 3"}, true, QString(), -1}
               << unlinked;

        const QList<Sources> found = storedGames(stored);
        QCOMPARE(found.size(), 3);
        const Game latest = read(found[0]);
        QCOMPARE(latest.id(), game.record.gameId);
        QCOMPARE(latest.periods.size(), game.periods - 1);
        // Its statistics lost a line against its record.
        QCOMPARE(latest.verification, Verification::mismatch);
        const auto old = std::find_if(found.begin(), found.end(), [&](const Sources& s) {
            return read(s).id() != game.record.gameId && read(s).periods.size() == older.periods;
        });
        QVERIFY(old != found.end());
        const Game oldGame = read(*old);
        QVERIFY(oldGame.hasInfo);
        QVERIFY(oldGame.problems.join(' ').contains("broke off before its end"));
        QCOMPARE(oldGame.report.answersAfterGame, older.after);
        // A label with a comma and quotes stays one CSV field.
        QTemporaryDir out;
        QVERIFY(exportAll(out.path(), found) >= 0);
        QVERIFY(fileBytes(out.path(), "games.csv").contains("\"streams from 10.9.9.9, \"\"b\"\" at "));
    }

    // Played by the game and sent by it to our server: the server's export of the game is the
    // local export of its files, under the same game id.
    void aGameTheGameUploadedExportsFromTheServerAsFromItsFiles() {
        QTemporaryDir serverDir;
        const ServerConfig config = testConfig(serverDir.filePath("server.sqlite"));
        START_SERVER(server, config);
        DataPlayer player;
        // The first game finds no server and is saved to files and queued; the second takes it along.
        player.upload("127.0.0.1:1",
                      "1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000 g0001 0.5 0.6 0.002", 3);
        const QString id = player.module.gameId();
        QVERIFY(player.folder.exists("stats1700000000.txt"));
        QVERIFY(player.folder.exists("upload-queue/upload1700000000.wire"));
        player.upload(QString("127.0.0.1:%1").arg(server.httpPort()), "2000 1.00 0.30000 0.95000");
        QVERIFY(QFileInfo::exists(player.folder.filePath("upload-queue/upload1700000000.sent")));

        QByteArray errors;
        QVERIFY2(runs(VAZAZO_SERVER, {"--export", serverDir.filePath("server-csv"), "--db", config.database},
                      &errors) == 0,
                 errors.constData());
        QCOMPARE(runs(VAZAZO_EXPORT, {"--out", serverDir.filePath("local-csv"), player.folder.path()}), 0);
        const auto rowsOf = [&](const QString& csv, const QString& name) {
            QList<QByteArray> rows;
            for (const QByteArray& line : fileBytes(serverDir.filePath(csv), name).split('\n')) {
                if (line.startsWith(id.toUtf8() + ',')) {
                    // The last column says whether files were checked; the server holds none.
                    rows.append(line.left(line.lastIndexOf(',')));
                }
            }
            return rows;
        };
        for (const QString& name : {"periods.csv", "samples.csv"}) {
            QCOMPARE(rowsOf("server-csv", name), rowsOf("local-csv", name));
        }
        // Three periods; the paddle, the triangle and the gun of the one sample.
        QCOMPARE(rowsOf("local-csv", "periods.csv").size(), 3);
        QCOMPARE(rowsOf("local-csv", "samples.csv").size(), 3);

        // Without a database, or with one that does not exist, nothing is exported or made.
        QCOMPARE(runs(VAZAZO_SERVER, {"--export"}), 2);
        QCOMPARE(runs(VAZAZO_SERVER, {"--export", serverDir.filePath("none-csv"), "--db",
                                      serverDir.filePath("typo.sqlite")}),
                 2);
        QVERIFY(!QFileInfo::exists(serverDir.filePath("typo.sqlite")));
    }

    void theProgramFlagsAFileThatDoesNotMatchItsChecksumAndExitsWithOne() {
        QTemporaryDir games;
        QTemporaryDir out;
        SavedGame clean;
        clean.save(QDir(games.path()));
        SavedGame damaged{.time = 1700000500};
        const qint64 time = damaged.save(QDir(games.path()));
        QVERIFY(corrupt(games.filePath(statsName(time)), 3));
        QByteArray errors;
        QCOMPARE(runs(VAZAZO_EXPORT, {"--out", out.path(), games.path()}, &errors), 1);
        QVERIFY(errors.contains("does not match the checksum"));
        const QJsonObject csv = readWithPython(out.path());
        const QList<QStringList> gameRows = rowsOf(csv, "games");
        QCOMPARE(gameRows.size(), 2);
        QCOMPARE(cell(csv, "games", gameRows[0], "checksums_verified"), QString("no"));
        QCOMPARE(cell(csv, "games", gameRows[1], "checksums_verified"), QString("yes"));
        const QList<QStringList> periods = rowsOf(csv, "periods");
        QCOMPARE(periods.size(), clean.periods + damaged.periods);
        QCOMPARE(cell(csv, "periods", periods[0], "file_verified"), QString("no"));
        QCOMPARE(cell(csv, "periods", periods.last(), "file_verified"), QString("yes"));

        runs(VAZAZO_EXPORT, {"--out", out.path(), games.filePath("nowhere")}, &errors);
        QVERIFY(errors.contains("no folder"));
        // Somewhere that cannot hold the files: a plain file in the way.
        QCOMPARE(runs(VAZAZO_EXPORT, {"--out", games.filePath(statsName(time)), games.path()}, &errors), 2);
        QVERIFY(errors.contains("cannot"));
    }
};

VAZAZO_TEST(TestRecords)
#include "test_Records.moc"
