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
        frames.push_back({intervalMs * i, intervalMs, targetMs, false});
    }
    return frames;
}

// A game saved into a folder of its own.
struct Saved {
    explicit Saved(SavedGame game = {}) : game(std::move(game)) { time = this->game.save(folder); }
    QTemporaryDir dir;
    QDir folder{dir.path()};
    SavedGame game;
    qint64 time = 0;
};

// A file's lines as the game sends them, without line ends.
QList<QByteArray> linesOf(const QString& path) {
    QFile file(path);
    QList<QByteArray> lines =
        (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).replace("\r\n", "\n").split('\n');
    lines.removeLast();
    return lines;
}

// The streams a server holds of a saved game; without an id, of a client that sends no records.
QList<Stream> streamsOf(const QDir& folder, qint64 time, const QString& id, int revision, qint64 firstId) {
    const QStringList kinds{"stats", "info", "session"};
    const QStringList names{statsName(time), infoName(time), SessionRecord::fileName(time)};
    QList<Stream> streams;
    for (int i = 0; i < (id.isEmpty() ? 2 : 3); ++i) {
        streams.append({firstId + i, kinds[i], "10.0.0.1", QDateTime::fromSecsSinceEpoch(time, Qt::UTC),
                        linesOf(folder.filePath(names[i])), true, id, revision});
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
    const bool finished = process.waitForFinished(60000);
    if (errors != nullptr) {
        *errors = process.readAllStandardError();
    }
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void framesAreLateBeyondATwentiethOverTheirTargetPeriodOrTheGamesMedianWhenUnpaced() {
        auto paced = evenFrames(100, 10.0, 9.0f);
        paced[10].intervalMs = 10.79;
        paced[20].intervalMs = 10.81;
        paced[30].intervalMs = 55.0;
        const FrameTiming::Quality g = FrameTiming::summarise(paced, 0.0).game;
        QCOMPARE(
            QList<double>({1.0 * g.frames, 1.0 * g.late, g.longestGapMs, g.p50Ms, g.p99Ms, g.targetPeriodMs}),
            QList<double>({100, 2, 55, 10.0, 10.81, 9.0}));

        auto unpaced = evenFrames(200, 4.0, 0.0f);
        unpaced[5].intervalMs = 4.9;
        unpaced[6].intervalMs = 4.7;
        const FrameTiming::Summary u = FrameTiming::summarise(unpaced, 0.0);
        QVERIFY(u.medianLateLimitMs == 4.8 && u.game.late == 1);
        // One in two hundred is not worth a line in the log, nor is a game without frames.
        const FrameTiming::Summary none = FrameTiming::summarise({}, 5000.0);
        QVERIFY(FrameTiming::lateLine(u).isEmpty() && FrameTiming::lateLine(none).isEmpty());
        QVERIFY(none.game.frames == 0 && none.periods.isEmpty());
    }

    void damagedAndPartialFilesAreDescribedAndWhatIsReadableIsKept() {
        Saved saved;
        const QString stats = statsName(saved.time);
        const QString session = SessionRecord::fileName(saved.time);
        const auto write = [&](const QString& name, const QByteArray& bytes, QIODevice::OpenMode mode) {
            QFile file(saved.folder.filePath(name));
            return file.open(mode) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write(stats, "12 oops\r\n1 2 3", QIODevice::Append));
        QVERIFY(write(session, "{\"format\": 1, \"gameId\"", QIODevice::WriteOnly));
        QVERIFY(QFile::remove(saved.folder.filePath(infoName(saved.time))));

        const Game game = read(load(saved.folder, saved.time));
        QCOMPARE(game.periods.size(), saved.game.periods);
        QVERIFY(!game.record && game.verification == Verification::noRecord);
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
        const qint64 newerTime = SavedGame().save(older.folder);
        QFile(older.folder.filePath("stats-notes.txt")).open(QIODevice::WriteOnly);
        QCOMPARE(gameTimes(older.folder), (QList<qint64>{newerTime, older.time}));
        const Game game = read(load(older.folder, older.time));
        QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
        QCOMPARE(game.sampleCount, 0);
        QVERIFY(!game.report.coordinates);
        QCOMPARE(game.report.answersAfterGame, older.game.after);
    }

    void malformedCoordinatesStatisticsAndAnswersAreRefused() {
        Sample sample;
        QVERIFY(parseSample("1234 1.00 0.5 0.9", sample) && sample.items.empty());
        for (const char* bad : {"1234 1.00 0.5", "1234 1.00 0.5 0.9 t0001 0.1",
                                "1234 1.00 0.5 0.9 t0001 x 0.2 0.3", "Group Name: x", "1234 1.00  0.5 0.9"}) {
            QVERIFY2(!parseSample(bad, sample), bad);
        }
        QVERIFY(!parsePeriod("2000 5001 12 5 2 8 2 1,500 0.4322 1834") &&
                !parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322"));
        QVERIFY(!painStiffness("pain level: n/a, stiffness level: n/a").pain);
    }

    // Newest first, one row per period, object of a sample, decision and frame period; a file changed
    // since its save is flagged and the program exits with one.
    void theProgramExportsSavedGamesAndFlagsAFileThatDoesNotMatchItsChecksum() {
        QTemporaryDir games;
        QTemporaryDir out;
        const QDir folder(games.path());
        SavedGame first;
        first.save(folder);
        SavedGame second{.periods = 4,
                         .samples = 7,
                         .after = "pain level: 1.0, stiffness level: \"a, b\"",
                         .time = 1700000100};
        second.record.details["settings"] = QJsonObject{{"Weapons Speed", "7"}};
        second.save(folder);
        SavedGame damaged{.time = 1600000000};
        QVERIFY(corrupt(folder.filePath(statsName(damaged.save(folder))), 3));
        QByteArray errors;
        QCOMPARE(runs(VAZAZO_EXPORT, {"--out", out.path(), games.path()}, &errors), 1);
        QVERIFY(errors.contains("stats1600000000.txt does not match the checksum"));

        const QJsonObject csv = readWithPython(out.path());
        const auto at = [&](const QString& table, int row, const QStringList& columns) {
            const QList<QStringList> rows = rowsOf(csv, table);
            QStringList values;
            for (const QString& column : columns) {
                values << cell(csv, table, rows.value(row < 0 ? rows.size() + row : row), column);
            }
            return values;
        };
        // The after-game answers stay intact despite the comma and quotes.
        QCOMPARE(at("games", 0,
                    {"game_id", "answers_after_game", "pain_before", "checksums_verified", "start_utc"}),
                 QStringList({second.record.gameId, second.after, "3.0", "yes", "2026-12-05T16:03:04.000Z"}));
        QCOMPARE(at("games", 1, {"setting: Weapons Speed"}) + at("games", -1, {"checksums_verified"}),
                 QStringList({"5", "no"}));
        QCOMPARE(
            at("periods", 1, {"game_id", "shots", "targets_per_second", "file_verified"}),
            QStringList({second.record.gameId, QString::number(second.written[1].shots), "1.500", "yes"}));
        QCOMPARE(at("periods", -1, {"file_verified"}), QStringList{"no"});
        QCOMPARE(at("samples", 0, {"object", "paddle_visibility"}) + at("samples", 1, {"x"}),
                 QStringList({"paddle", "1.00", "0.00000"}));
        QCOMPARE(at("decisions", 0, {"decision", "reached_ms", "state_before"}),
                 QStringList({"weaponsSpeed 8->7", "5009", "level=2"}));
        QCOMPARE(at("frames", 0, {"late", "longest_gap_ms"}), QStringList({"10", "30.000"}));

        runs(VAZAZO_EXPORT, {"--out", out.path(), games.filePath("nowhere")}, &errors);
        QVERIFY(errors.contains("no folder"));
        // Somewhere that cannot hold the files: a plain file in the way.
        QCOMPARE(
            runs(VAZAZO_EXPORT, {"--out", folder.filePath(statsName(first.time)), games.path()}, &errors), 2);
        QVERIFY(errors.contains("cannot"));
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
        // The latest revision's statistics lost a line against its record.
        const Game latest = read(found[0]);
        QVERIFY(latest.id() == game.record.gameId && latest.verification == Verification::mismatch);
        QCOMPARE(latest.periods.size(), game.periods - 1);
        const auto old = std::find_if(found.begin(), found.end(), [&](const Sources& s) {
            return read(s).id() != game.record.gameId && read(s).periods.size() == older.periods;
        });
        QVERIFY(old != found.end());
        const Game oldGame = read(*old);
        QVERIFY(oldGame.hasInfo && oldGame.problems.join(' ').contains("broke off before its end"));
        QCOMPARE(oldGame.report.answersAfterGame, older.after);
        // A label with a comma and quotes stays one CSV field.
        QTemporaryDir out;
        QVERIFY(exportAll(out.path(), found) >= 0);
        QVERIFY(fileBytes(out.path(), "games.csv").contains("\"streams from 10.9.9.9, \"\"b\"\" at "));
        // Without the line before the coordinates, an info stream still gives its samples.
        QList<Stream> bare = streamsOf(folder, game.time, game.record.gameId, 0, 1);
        bare[1].lines.removeAll(QByteArray());
        QCOMPARE(read(storedGames(bare).first()).sampleCount, game.samples);
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
        QVERIFY(player.folder.exists("stats1700000000.txt") &&
                player.folder.exists("upload-queue/upload1700000000.wire"));
        player.upload(QString("127.0.0.1:%1").arg(server.httpPort()), "2000 1.00 0.30000 0.95000");
        QVERIFY(QFileInfo::exists(player.folder.filePath("upload-queue/upload1700000000.sent")));

        QCOMPARE(runs(VAZAZO_SERVER, {"--export", serverDir.filePath("server-csv"), "--db", config.database}),
                 0);
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
        for (const QString& name : {"periods.csv", "samples.csv", "decisions.csv", "frames.csv"}) {
            QCOMPARE(rowsOf("server-csv", name), rowsOf("local-csv", name));
        }
        // Three periods; the paddle, the triangle and the gun of the one sample.
        QVERIFY(rowsOf("local-csv", "periods.csv").size() == 3 &&
                rowsOf("local-csv", "samples.csv").size() == 3);

        // Without a database, or with one that does not exist, nothing is exported or made.
        QCOMPARE(runs(VAZAZO_SERVER, {"--export"}), 2);
        QCOMPARE(runs(VAZAZO_SERVER, {"--export", serverDir.filePath("none-csv"), "--db",
                                      serverDir.filePath("typo.sqlite")}),
                 2);
        QVERIFY(!QFileInfo::exists(serverDir.filePath("typo.sqlite")));
    }
};

VAZAZO_TEST(TestRecords)
#include "test_Records.moc"
