#include "support/TestMain.h"
#include "records/GameReading.h"

#include "SavedGame.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace GameReading;

class TestGameReading : public QObject {
    Q_OBJECT

private slots:
    void aSavedGameReadsBackWithItsPeriodsSamplesReportAndVerifiedChecksums() {
        QTemporaryDir dir;
        SavedGame saved;
        const qint64 time = saved.save(QDir(dir.path()));
        QVERIFY(time > 0);
        QCOMPARE(gameTimes(QDir(dir.path())), QList<qint64>{time});

        int items = 0;
        int hits = 0;
        QList<QByteArray> times;
        const Game game = read(load(QDir(dir.path()), time), [&](const Sample& sample) {
            times.append(sample.time.toByteArray());
            for (const SampleItem& item : sample.items) {
                ++items;
                hits += item.hit ? 1 : 0;
            }
        });
        QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
        QCOMPARE(game.verification, Verification::verified);
        QCOMPARE(game.id(), saved.record.gameId);
        QCOMPARE(game.periods.size(), saved.periods);
        for (int i = 0; i < saved.periods; ++i) {
            const PeriodStats& p = saved.written[i];
            QCOMPARE(game.periods[i].startMs, qint64(p.periodStart));
            QCOMPARE(game.periods[i].shots, p.shots);
            QCOMPARE(game.periods[i].hits, p.hits);
            QCOMPARE(game.periods[i].missed, p.missed);
            QCOMPARE(game.periods[i].weaponsSpeed, p.weaponsSpeed);
            QCOMPARE(game.periods[i].avgHitDistance, std::round(p.avgHitDistance * 1e4) / 1e4);
        }
        QCOMPARE(game.sampleCount, saved.samples);
        QCOMPARE(times.first(), QByteArray("1000"));
        QCOMPARE(items, saved.samples * saved.targets + saved.samples / 3);
        QCOMPARE(hits, saved.samples / 3);
        QCOMPARE(game.report.groupName, QString("group"));
        QCOMPARE(game.report.level, 3);
        QCOMPARE(game.report.answersBeforeGame, saved.before);
        QCOMPARE(game.report.answersAfterGame, saved.after);
        QVERIFY(game.report.coordinates);
        const PainStiffness before = painStiffness(game.report.answersBeforeGame);
        QCOMPARE(before.pain, std::optional<double>(3.0));
        QCOMPARE(before.stiffness, std::optional<double>(4.0));
        QVERIFY(!painStiffness("pain level: n/a, stiffness level: n/a").pain);
    }

    void aChangedByteInADataFileIsAMismatchNamingTheFile() {
        QTemporaryDir dir;
        SavedGame saved;
        const qint64 time = saved.save(QDir(dir.path()));
        QVERIFY(corrupt(dir.filePath(infoName(time)), 40));
        const Game game = read(load(QDir(dir.path()), time));
        QCOMPARE(game.verification, Verification::mismatch);
        QCOMPARE(game.mismatchedFiles, QStringList{infoName(time)});
        QVERIFY(game.problems.join(' ').contains("does not match the checksum"));
        // The rest is still read.
        QCOMPARE(game.periods.size(), saved.periods);
    }

    void damagedAndPartialFilesAreDescribedAndWhatIsReadableIsKept() {
        QTemporaryDir dir;
        SavedGame saved;
        const qint64 time = saved.save(QDir(dir.path()));
        QFile stats(dir.filePath(statsName(time)));
        QVERIFY(stats.open(QIODevice::Append));
        stats.write("12 oops\r\n1 2 3");
        stats.close();
        QFile::remove(dir.filePath(infoName(time)));
        QFile session(dir.filePath(SessionRecord::fileName(time)));
        QVERIFY(session.open(QIODevice::WriteOnly | QIODevice::Truncate));
        session.write("{\"format\": 1, \"gameId\"");
        session.close();

        const Game game = read(load(QDir(dir.path()), time));
        QCOMPARE(game.periods.size(), saved.periods);
        QVERIFY(!game.record);
        QCOMPARE(game.verification, Verification::noRecord);
        const QString problems = game.problems.join('\n');
        QVERIFY2(problems.contains(QString("%1: 2 lines are no statistics lines").arg(statsName(time))),
                 qPrintable(problems));
        QVERIFY(problems.contains(QString("%1 ends in the middle of a line").arg(statsName(time))));
        QVERIFY(problems.contains(QString("%1 is missing").arg(infoName(time))));
        QVERIFY(problems.contains(QString("%1: not JSON").arg(SessionRecord::fileName(time))));
        QCOMPARE(game.id(), QString("T%1").arg(time));
    }

    void filesOfAnOlderVersionWithoutRecordOrCoordinatesAreListedNewestFirst() {
        QTemporaryDir dir;
        SavedGame older;
        older.coordinates = false;
        older.time = 1600000000;
        const qint64 olderTime = older.save(QDir(dir.path()));
        QVERIFY(QFile::remove(dir.filePath(SessionRecord::fileName(olderTime))));
        SavedGame newer;
        const qint64 newerTime = newer.save(QDir(dir.path()));
        QFile(dir.filePath("stats-notes.txt")).open(QIODevice::WriteOnly);
        QCOMPARE(gameTimes(QDir(dir.path())), (QList<qint64>{newerTime, olderTime}));
        const Game game = read(load(QDir(dir.path()), olderTime));
        QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
        QCOMPARE(game.sampleCount, 0);
        QVERIFY(!game.report.coordinates);
        QCOMPARE(game.report.answersAfterGame, older.after);
    }

    void coordinatesLinesKeepGunsAndHitMarksAndRefuseOtherText() {
        Sample sample;
        QVERIFY(parseSample("1234 0.00 0.50000 0.90000 t0001 0.10000 0.20000 0.03000 g0001 0.5 0.6 0.01 t0003 hit",
                            sample));
        QCOMPARE(sample.paddleVisibility.toByteArray(), QByteArray("0.00"));
        QCOMPARE(int(sample.items.size()), 3);
        QCOMPARE(sample.items[1].name.toByteArray(), QByteArray("g0001"));
        QCOMPARE(sample.items[1].radius.toByteArray(), QByteArray("0.01"));
        QVERIFY(sample.items[2].hit);
        QVERIFY(parseSample("1234 1.00 0.5 0.9", sample));
        QVERIFY(sample.items.empty());
        QVERIFY(!parseSample("1234 1.00 0.5", sample));
        QVERIFY(!parseSample("1234 1.00 0.5 0.9 t0001 0.1", sample));
        QVERIFY(!parseSample("1234 1.00 0.5 0.9 t0001 x 0.2 0.3", sample));
        QVERIFY(!parseSample("Group Name: x", sample));
        QVERIFY(!parseSample("1234 1.00  0.5 0.9", sample));
        QVERIFY(parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322 1834"));
        QCOMPARE(parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322 1834")->avgHitTime, 1834.0);
        QVERIFY(!parsePeriod("2000 5001 12 5 2 8 2 1,500 0.4322 1834"));
        QVERIFY(!parsePeriod("2000 5001 12 5 2 8 2 1.500 0.4322"));
    }
};

VAZAZO_TEST(TestGameReading)
#include "test_GameReading.moc"
