#include "support/TestMain.h"
#include "records/TidyExport.h"

#include "SavedGame.h"
#include "support/PythonCsv.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace PythonCsv;

class TestTidyExport : public QObject {
    Q_OBJECT

private slots:
    void exportedGamesReadInPythonWithOneRowPerPeriodObjectSampleDecisionAndFramePeriod() {
        QTemporaryDir games;
        QTemporaryDir out;
        SavedGame first;
        first.time = 1700000000;
        first.save(QDir(games.path()));
        SavedGame second;
        second.time = 1700000100;
        second.periods = 4;
        second.samples = 7;
        second.after = "pain level: 1.0, stiffness level: \"a, b\"";
        second.record.details["settings"] = QJsonObject{{"Weapons Speed", "7"}};
        second.save(QDir(games.path()));

        TidyExport exporter{QDir(out.path())};
        QString error;
        QVERIFY(exporter.open(&error));
        for (const qint64 time : GameReading::gameTimes(QDir(games.path()))) {
            exporter.add(GameReading::load(QDir(games.path()), time));
        }
        QVERIFY(exporter.finish(&error));
        QCOMPARE(exporter.mismatches(), 0);

        const QJsonObject csv = readWithPython(out.path());
        QVERIFY(!csv.isEmpty());
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
        const int perSample = 1 + first.targets;
        const int expectedSamples = (second.samples * perSample + second.samples / 3) +
                                    (first.samples * perSample + first.samples / 3);
        const QList<QStringList> samples = rowsOf(csv, "samples");
        QCOMPARE(samples.size(), expectedSamples);
        QCOMPARE(cell(csv, "samples", samples[0], "object"), QString("paddle"));
        QCOMPARE(cell(csv, "samples", samples[0], "paddle_visibility"), QString("1.00"));
        QCOMPARE(cell(csv, "samples", samples[1], "x"), QString("0.00000"));

        const QList<QStringList> decisions = rowsOf(csv, "decisions");
        QCOMPARE(decisions.size(), first.periods + second.periods);
        QCOMPARE(cell(csv, "decisions", decisions[0], "decision"), QString("weaponsSpeed 8->7"));
        QCOMPARE(cell(csv, "decisions", decisions[0], "reached_ms"), QString("5009"));
        QCOMPARE(cell(csv, "decisions", decisions[0], "state_before"), QString("level=2"));

        const QList<QStringList> frames = rowsOf(csv, "frames");
        // Per period and one for the game, each game.
        QCOMPARE(frames.size(), first.periods + 1 + second.periods + 1);
        QCOMPARE(cell(csv, "frames", frames[0], "late"), QString("10"));
        QCOMPARE(cell(csv, "frames", frames[0], "longest_gap_ms"), QString("30.000"));
    }

    void theProgramFlagsAFileThatDoesNotMatchItsChecksumAndExitsWithOne() {
        QTemporaryDir games;
        QTemporaryDir out;
        SavedGame clean;
        clean.save(QDir(games.path()));
        SavedGame damaged;
        damaged.time = 1700000500;
        const qint64 time = damaged.save(QDir(games.path()));

        QVERIFY(corrupt(games.filePath(GameReading::statsName(time)), 3));
        QProcess exporter;
        exporter.start(VAZAZO_EXPORT, {"--out", out.path(), games.path()});
        QVERIFY(exporter.waitForFinished(60000));
        QCOMPARE(exporter.exitCode(), 1);
        QVERIFY(exporter.readAllStandardError().contains("does not match the checksum"));
        const QJsonObject csv = readWithPython(out.path());
        const QList<QStringList> gameRows = rowsOf(csv, "games");
        QCOMPARE(gameRows.size(), 2);
        QCOMPARE(cell(csv, "games", gameRows[0], "checksums_verified"), QString("no"));
        QCOMPARE(cell(csv, "games", gameRows[1], "checksums_verified"), QString("yes"));
        const QList<QStringList> periods = rowsOf(csv, "periods");
        QCOMPARE(periods.size(), clean.periods + damaged.periods);
        QCOMPARE(cell(csv, "periods", periods[0], "file_verified"), QString("no"));
        QCOMPARE(cell(csv, "periods", periods.last(), "file_verified"), QString("yes"));

        exporter.start(VAZAZO_EXPORT, {"--out", out.path(), games.filePath("nowhere")});
        QVERIFY(exporter.waitForFinished(60000));
        QVERIFY(exporter.readAllStandardError().contains("no folder"));

        // Somewhere that cannot hold the files: a plain file in the way.
        exporter.start(VAZAZO_EXPORT, {"--out", games.filePath(GameReading::statsName(time)), games.path()});
        QVERIFY(exporter.waitForFinished(60000));
        QCOMPARE(exporter.exitCode(), 2);
        QVERIFY(exporter.readAllStandardError().contains("cannot"));
    }
};

VAZAZO_TEST(TestTidyExport)
#include "test_TidyExport.moc"
