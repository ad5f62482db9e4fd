#include "support/TestMain.h"
#include "records/GameReading.h"

#include "SavedGame.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace GameReading;

namespace {
// A game saved into a folder of its own.
struct Saved {
    explicit Saved(SavedGame game = {}) : game(std::move(game)) { time = this->game.save(folder); }
    QTemporaryDir dir;
    QDir folder{dir.path()};
    SavedGame game;
    qint64 time = 0;
};
} // namespace

class TestGameReading : public QObject {
    Q_OBJECT

private slots:
    void aSavedGameReadsBackWithItsPeriodsSamplesReportAndChecksumsThatCatchAChangedByte() {
        Saved saved;
        QVERIFY(saved.time > 0);
        QCOMPARE(gameTimes(saved.folder), QList<qint64>{saved.time});
        int items = 0;
        int hits = 0;
        QList<QByteArray> times;
        const Game game = read(load(saved.folder, saved.time), [&](const Sample& sample) {
            times.append(sample.time.toByteArray());
            for (const SampleItem& item : sample.items) {
                ++items;
                hits += item.hit ? 1 : 0;
            }
        });
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
        QCOMPARE(times.first(), QByteArray("1000"));
        QCOMPARE(items, saved.game.samples * saved.game.targets + saved.game.samples / 3);
        QCOMPARE(hits, saved.game.samples / 3);
        QCOMPARE(QStringList({game.report.groupName, QString::number(game.report.level),
                              game.report.answersBeforeGame, game.report.answersAfterGame}),
                 QStringList({"group", "3", saved.game.before, saved.game.after}));
        QVERIFY(game.report.coordinates);
        const PainStiffness before = painStiffness(game.report.answersBeforeGame);
        QCOMPARE(before.pain, std::optional<double>(3.0));
        QCOMPARE(before.stiffness, std::optional<double>(4.0));
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
};

VAZAZO_TEST(TestGameReading)
#include "test_GameReading.moc"
