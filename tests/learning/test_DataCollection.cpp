#include "support/TestMain.h"
#include "support/DataPlayer.h"
#include "support/FakePages.h"
#include "support/SmallDisk.h"
#include "support/Waiting.h"
#include "core/Notice.h"
#include "game/State.h"
#include "learning/DataCollectionFeed.h"
#include "learning/DataFiles.h"
#include "learning/DataLines.h"
#include "learning/Journal.h"
#include "records/SessionRecord.h"
#include "scene/Gun.h"
#include "scene/Paddle.h"
#include "scene/Triangle.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <csignal>
#include <random>
#include <tuple>

namespace {
constexpr qint64 gameTime = 1'700'000'000;
const char* const childVariable = "VAZAZO_DATA_CHILD";
const QString answers = "pain level: 7.0, stiffness level: 2.5";
const QStringList report{
    "Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04",
    "After pain level: 1.0, stiffness level: 2.0",
    "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\nVulnerable paddle: no",
    "Object used to play the game: -1, none", ""};
const QByteArray reportBytes = "Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04\r\n"
                               "Before pain level: 7.0, stiffness level: 2.5\r\n"
                               "After pain level: 1.0, stiffness level: 2.0\r\n"
                               "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\r\n"
                               "Vulnerable paddle: no\r\n"
                               "Object used to play the game: -1, none\r\n";
const QByteArray statsColumns = "Columns in file statsXXXXXXXXX.txt:\r\n"
                                "start_time period #of_shots #of_hits #of_missed_tagets weapons_speed "
                                "shapes_speed shapes_frequency avg_hit_distance avg_hit_time\r\n";
const QStringList dataFiles{"info1700000000.txt", "session1700000000.json", "stats1700000000.txt"};

QByteArray coordinates(int tick) {
    return QByteArray::number(tick * 10) + " 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000";
}

QByteArrayList ticks(int count) {
    QByteArrayList lines;
    for (int tick = 0; tick < count; ++tick) {
        lines << coordinates(tick);
    }
    return lines;
}

QByteArray fileBytes(const QDir& folder, const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QDir& folder, const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList dataFilesIn(const QDir& folder) {
    return folder.entryList({"stats*", "info*", "session*"}, QDir::Files);
}

QByteArrayList texts(const LineList& lines) {
    QByteArrayList result;
    for (const LineList::Node* node = lines.first(); node != nullptr; node = node->next) {
        result << node->text;
    }
    return result;
}

// Data collection at the fixed calendar time.
struct Recording : Collecting {
    explicit Recording(const QDir& folder, Clock& clock = Clock::program()) : Collecting(folder, clock) {
        setCalendarTime([] { return gameTime; });
        setProgressFactory([] { return std::make_unique<RecordingProgress>(); });
    }
};

// A game played straight into the module: periods once its loop cleared the statistics, the info
// lines, game over. The after-game answers are the caller's.
void play(Collecting& module, int mode, bool coordinates, const QByteArrayList& info, int periods = 0) {
    const int loops = module.loopsBegun;
    module.beginGame({mode, coordinates, 1000}, report);
    QVERIFY(waitUntil([&] { return module.loopsBegun > loops; }));
    for (int period = 1; period <= periods; ++period) {
        module.addPeriod(period);
    }
    for (const QByteArray& line : info) {
        module.appendInfo(line);
    }
    module.stopAtGameOver();
}

std::optional<SessionRecord> recordIn(const QDir& folder, qint64 time = gameTime) {
    return SessionRecord::read(folder.filePath(QString("session%1.json").arg(time)));
}

// Every data file the record names is there with its size and checksum.
void verifyRecordMatchesFiles(const QDir& folder, const std::optional<SessionRecord>& record) {
    QVERIFY(record);
    QCOMPARE(record->files.size(), 2);
    for (const SessionRecord::File& file : record->files) {
        const QByteArray bytes = fileBytes(folder, file.name);
        QCOMPARE(file.bytes, bytes.size());
        QCOMPARE(file.sha256, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
}

// Accepts `limit` bytes, then every write fails.
struct FailingDevice : QIODevice {
    explicit FailingDevice(qint64 limit) : left(limit) { open(QIODevice::WriteOnly); }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override { return (left -= size) >= 0 ? size : -1; }
    qint64 left;
};

// Writes through a QSaveFile, and kills the process once 100 kB of the save went out.
struct KillingFile : QSaveFile {
    using QSaveFile::QSaveFile;
    qint64 writeData(const char* data, qint64 size) override {
        if ((written += size) > 100'000) {
            QSaveFile::flush();
            std::raise(SIGKILL);
        }
        return QSaveFile::writeData(data, size);
    }
    static inline qint64 written = 0;
};

// A game of 3000 coordinates lines and `periods` statistics lines is saved, complete, exactly once.
void verifySavedOnce(const QDir& folder, int periods) {
    QCOMPARE(dataFilesIn(folder), dataFiles);
    const QByteArray info = fileBytes(folder, "info1700000000.txt");
    QVERIFY(info.contains("Before " + answers.toUtf8()));
    QCOMPARE(info.count(" t0000 0.10000 0.20000 0.03000\r\n"), 3000);
    QCOMPARE(fileBytes(folder, "stats1700000000.txt").count("\r\n"), periods);
    verifyRecordMatchesFiles(folder, recordIn(folder));
    // The next start has nothing left to recover.
    QCOMPARE(DataCollection::recoverJournals(folder), 0);
    QVERIFY(Journal::leftovers(folder).isEmpty());
}

void startChild(QProcess& child, const QString& job, const QDir& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(childVariable, job + '|' + folder.path());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"TestDataCollection", "child"});
    QVERIFY(child.waitForStarted());
}
} // namespace

class TestDataCollection : public QObject {
    Q_OBJECT
    QStringList notices;

private slots:
    void init() {
        takeLogText();
        notices.clear();
        Notice::setHandler([this](const QString& text) { notices << text; });
    }
    void cleanup() { Notice::setHandler({}); }

    void numbersMatchCorrectlyRoundedFixedNotation() {
        const auto exact = [](double value, int decimals) {
            char digits[400]{};
            const char* end =
                std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals).ptr;
            return QByteArray(digits, end - digits);
        };
        // Exact ties round to even, values just beside a tie do not, a tiny negative keeps its sign.
        QList<double> values{0.625,        0.125,     0.375, 0.000005, 0.0000149999,
                             0.0000150001, -0.000001, -0.0,  1.0,      -2.5e-6,
                             9999.999995,  123456.5,  1e300, 0.999999, 0.994999};
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> field(-1.5, 1.5);
        for (int i = 0; i < 20000; ++i) {
            values << field(random);
        }
        CoordinatesLine line;
        for (const double v : values) {
            line.begin(0.0, v, v, -v);
            QCOMPARE(line.take(), "0 " + exact(v, 2) + " " + exact(v, 5) + " " + exact(-v, 5));
        }
        // Statistics times count from the module's start and truncate toward zero.
        const PeriodStats p{999.9, -3.7, 0.33, 0, 0, 0, 0, 0, 0.00005, 2.9};
        QCOMPARE(DataLines::statistics(p, 1000), QByteArray("0 -3 0 0 0 0 0 0.330 0.0001 2"));
    }

    void theFeedHandsOverTheTotalsAndAddsCoordinatesOnlyInPlay() {
        DataPlayer c;
        FakePages pages;
        pages.settings.weapons.gunSpeed = 8;
        pages.settings.shapes[SettingKeys::circleIndex].speed = 2;
        pages.settings.allShapes.shapesPerSecond = 6; // 1.5 targets a second
        State game;
        Paddle paddle;
        std::tie(paddle.posX, paddle.posY) = std::tuple(0.25, 0.95);
        auto target = std::make_unique<Triangle>(SpawnContext{}, false, false, false, 5.0, 0.02);
        target->name = "t0000";
        std::tie(target->x, target->y, target->radius) = std::tuple(0.1, 0.2, 0.03);
        game.targets.add(std::move(target));
        auto gun = std::make_unique<Gun>(0.002, 0.5, 0.6);
        gun->name = "g0001";
        game.guns.add(std::move(gun));
        game.hitText = " t0003 hit";
        DataCollectionFeed feed(c.module, game, pages, paddle);
        c.module.beginGame({DataCollection::saveToFile, true, 5000}, report);
        QVERIFY(waitUntil([&] { return c.module.loopsBegun == 1; }));
        game.paused = false;
        game.gameOver = false;

        // 12 shots, 5 hits, 2 missed from 2000.4 ms for 5001.9 ms; the paddle is destroyed meanwhile.
        feed.ticked(2000.4);
        std::tie(game.shotsFired, game.targetsHit, game.targetsMissed, game.hitDistanceSum, game.hitTimeSum) =
            std::tuple(12, 5, 2, 5 * 0.43219, 5 * 1834.7);
        paddle.recovery = Paddle::hitRecoveryMs;
        game.targets.clear();
        game.guns.clear();
        game.hitText.clear();
        feed.ticked(4000.0);
        feed.ticked(7002.3);
        QVERIFY(waitUntil([&] { return c.module.noFreshData.load(); }));
        game.paused = true;
        feed.ticked(7100.0);
        game.paused = false;
        game.gameOver = true;
        feed.ticked(7200.0);
        feed.gameEnded({});

        QCOMPARE(texts(c.module.statsLines), QByteArrayList{"2000 5001 12 5 2 8 2 1.500 0.4322 1834"});
        QCOMPARE(texts(c.module.infoLines).mid(5),
                 QByteArrayList({"2000 1.00 0.25000 0.95000 t0000 0.10000 0.20000 0.03000 g0001 0.50000 "
                                 "0.60000 0.00220 t0003 hit",
                                 "4000 0.00 0.25000 0.95000", "7002 0.00 0.25000 0.95000"}));
    }

    void savesWriteCrLfFilesUnderFreeNamesAndARecordWhoseChecksumsMatch() {
        DataPlayer c;
        play(c.module, DataCollection::saveToFile, true,
             {coordinates(100), "1010 1.00 0.20000 0.95000 t0000 hit"});
        const QString firstId = c.module.gameId();
        c.module.finishGame(answers);
        QCOMPARE(fileBytes(c.folder, "stats1700000000.txt"), QByteArray());
        // The column notes, the report and the coordinates, every line ended by CR LF.
        const QByteArray info = fileBytes(c.folder, "info1700000000.txt");
        QVERIFY(info.startsWith(statsColumns + "Columns in this file:\r\n"));
        QVERIFY(info.endsWith(reportBytes + "\r\n" + coordinates(100) +
                              "\r\n1010 1.00 0.20000 0.95000 t0000 hit\r\n"));
        QCOMPARE(info.count('\n'), info.count("\r\n"));
        const std::optional<SessionRecord> record = recordIn(c.folder);
        verifyRecordMatchesFiles(c.folder, record);
        QCOMPARE(record->gameId, firstId);
        QCOMPARE(record->files[0].name, QString("stats1700000000.txt"));
        QVERIFY(Journal::leftovers(c.folder).isEmpty());

        // A second game in the same second: a lone info file holds its number too. Without coordinates
        // the info file is the columns and the report only. Each game has an id of its own.
        QVERIFY(writeFile(c.folder, "info1700000001.txt", "earlier"));
        play(c.module, DataCollection::saveToFile, false, {"never written"});
        c.module.finishGame(answers);
        QCOMPARE(fileBytes(c.folder, "info1700000001.txt"), QByteArray("earlier"));
        QCOMPARE(fileBytes(c.folder, "info1700000002.txt"), statsColumns + reportBytes);
        const std::optional<SessionRecord> second = recordIn(c.folder, gameTime + 2);
        QVERIFY(second && !second->gameId.isEmpty() && second->gameId != firstId);
    }

    void progressCountsUpOncePerPercentFor250Lines() {
        QTemporaryDir dir;
        LineList stats;
        LineList info;
        for (int i = 0; i < 250; ++i) {
            stats.append(QByteArray::number(i));
        }
        QStringList lines;
        RecordingProgress progress(lines);
        QVERIFY(DataFiles(QDir(dir.path())).write(5, stats, info, false, "Saving ", progress).ok());
        QStringList expected{"Opening file stats5.txt", "Saving data 0%"};
        for (int n = 1; n <= 100; ++n) {
            expected << QString("~Saving data %1%").arg(n);
        }
        QCOMPARE(lines, expected << "Saving data 100%"
                                 << "Opening file info5.txt");
        QCOMPARE(fileBytes(QDir(dir.path()), "stats5.txt").count("\r\n"), 250);
    }

    void aFailingWriteKeepsTheLinesForTheNextSave() {
        DataPlayer c;
        bool infoFails = true;
        c.module.setOpener([&infoFails](const QString& path) -> std::unique_ptr<QIODevice> {
            if (infoFails && QFileInfo(path).fileName().startsWith("info")) {
                return std::make_unique<FailingDevice>(100);
            }
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::WriteOnly | QIODevice::NewOnly) ? std::move(file) : nullptr;
        });
        play(c.module, DataCollection::saveToFile, true, QByteArrayList(2000, coordinates(100)));
        c.module.finishGame("lost?");
        QVERIFY(takeLogText().contains("Could not write the output file info1700000000.txt"));
        // Not even the statistics file that was written keeps its name without its partner.
        QCOMPARE(dataFilesIn(c.folder), QStringList());
        QCOMPARE(c.module.unsavedGames(), 1);
        QCOMPARE(Journal::leftovers(c.folder).size(), 1);

        // The next game's save writes the earlier game first, complete, under free names.
        infoFails = false;
        play(c.module, DataCollection::saveToFile, false, {});
        c.module.finishGame("next");
        const QByteArray kept = fileBytes(c.folder, "info1700000000.txt");
        QCOMPARE(kept.count(coordinates(100) + "\r\n"), 2000);
        QVERIFY(kept.contains("Before lost?"));
        QVERIFY(fileBytes(c.folder, "info1700000001.txt").contains("Before next"));
        QCOMPARE(c.module.unsavedGames(), 0);
        QVERIFY(Journal::leftovers(c.folder).isEmpty());

        // Only a real failure, such as running out of memory, shows a notice.
        c.module.setOpener([](const QString&) -> std::unique_ptr<QIODevice> { throw std::bad_alloc(); });
        play(c.module, DataCollection::saveToFile, false, {});
        c.module.finishGame("x");
        // The player hears at once when a game's data is not yet safe, and of a real failure.
        QCOMPARE(notices, QStringList({notices.value(0), "Exception"}));
        QVERIFY(notices[0].contains("not safe"));
        QCOMPARE(c.module.unsavedGames(), 1);
    }

    void gamesCutShortByANewGameOrByClosingAreSavedWithThatEnding() {
        DataPlayer c;
        c.module.beginGame({DataCollection::saveToFile, true, 1000}, report);
        c.module.appendInfo(coordinates(1));
        c.module.beginGame({DataCollection::saveToFile, true, 1000}, report);
        c.module.appendInfo(coordinates(2));
        c.module.shutdown();
        QCOMPARE(recordIn(c.folder).value().ending, SessionRecord::Ending::newGame);
        QCOMPARE(recordIn(c.folder, gameTime + 1).value().ending, SessionRecord::Ending::windowClosed);
        QVERIFY(fileBytes(c.folder, "info1700000000.txt").endsWith(coordinates(1) + "\r\n"));
        QVERIFY(fileBytes(c.folder, "info1700000001.txt").endsWith(coordinates(2) + "\r\n"));
        QVERIFY(Journal::leftovers(c.folder).isEmpty());
    }

    // Run as a separate process by the kill tests: it plays until killed, or kills itself as its
    // save opens the first file, or once 100 kB of the save went out.
    void child() {
        const QStringList job = qEnvironmentVariable(childVariable).split('|');
        if (job.size() != 2) {
            QSKIP("only as the child of the kill tests");
        }
        Recording module{QDir(job[1])};
        if (job[0] == "playing") {
            module.beginGame({DataCollection::saveToFile, true, 50}, report);
            for (int tick = 0, shots = 0; tick < 3000; ++tick) {
                const double now = Clock::program().now();
                if (module.wantsHandOff(now)) {
                    module.put(now, ++shots, 0, 0, 5, 5, 1.0, 0.0, 0.0);
                }
                module.appendInfo(QByteArray::number(tick) + " 1.00 0.20000 0.95000");
                QThread::msleep(10);
            }
        }
        module.setOpener([&job](const QString& path) -> std::unique_ptr<QIODevice> {
            if (job[0] == "before-save") {
                std::raise(SIGKILL);
            }
            auto file = std::make_unique<KillingFile>(path);
            return file->open(QIODevice::WriteOnly) ? std::move(file) : nullptr;
        });
        play(module, DataCollection::saveToFile, true, ticks(3000), 4);
        module.finishGame(answers);
        QFAIL("this process should have been killed");
    }

    void aGameKilledWhilePlayedIsRecoveredFromItsJournal() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QProcess child;
        startChild(child, "playing", folder);
        const auto journalText = [&folder] {
            const QStringList journals = Journal::leftovers(folder);
            return journals.size() == 1 ? fileBytes(folder, QFileInfo(journals[0]).fileName()) : QByteArray();
        };
        QVERIFY(waitUntil(
            [&] { return journalText().count("\nS ") >= 3 && journalText().count("\nI ") >= 40; }, 30000));
        child.kill();
        QVERIFY(child.waitForFinished());
        const QByteArray journal = journalText();

        takeLogText();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(Journal::leftovers(folder).isEmpty());
        const QByteArray stats = fileBytes(folder, "stats1700000000.txt");
        const QByteArray info = fileBytes(folder, "info1700000000.txt");
        // Only a record the kill cut short may be missing.
        QVERIFY(stats.count("\r\n") >= journal.count("\nS ") - 1);
        QVERIFY(QRegularExpression("^(\\d+ \\d+ 1 0 0 5 5 1.000 0.0000 0\r\n)+$")
                    .match(QString(stats))
                    .hasMatch());
        QVERIFY(info.contains(reportBytes.mid(reportBytes.indexOf("After")) + "\r\n0 1.00"));
        QVERIFY(info.count(" 1.00 0.20000 0.95000\r\n") >= journal.count("\nI ") - 5);
        QVERIFY(takeLogText().contains("Recovered the game of"));
    }

    void aKillAroundTheSaveLeavesNoFinalFileAndTheGameComesBackOnceWithItsAnswers_data() {
        QTest::addColumn<QString>("job");
        QTest::newRow("after the answers") << "before-save";
        QTest::newRow("during the save") << "during-save";
    }
    void aKillAroundTheSaveLeavesNoFinalFileAndTheGameComesBackOnceWithItsAnswers() {
        QFETCH(QString, job);
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QProcess child;
        startChild(child, job, folder);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        // No file under a final name, empty or cut off; a temporary one the kill left is no data file.
        QVERIFY(folder.entryList({"stats*.txt", "info*.txt", "session*.json"}, QDir::Files).isEmpty());

        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(takeLogText().contains("marks it as recovered"));
        verifySavedOnce(folder, 4);
        const SessionRecord record = recordIn(folder).value();
        QCOMPARE(record.ending, SessionRecord::Ending::recovered);
        QCOMPARE(record.recovery["afterGameAnswers"].toBool(), true);
        QCOMPARE(record.recovery["infoLines"].toInt(), 3000 + report.size());
    }

    // Killed after its files took their names but before its record: the next start writes the
    // record the journal holds and saves nothing twice.
    void aSaveCutShortBeforeItsRecordIsCompletedFromTheJournal() {
        DataPlayer c;
        play(c.module, DataCollection::saveToFile, true, ticks(50), 2);
        c.module.finishGame(answers);
        const QByteArray recordBytes = fileBytes(c.folder, "session1700000000.json");
        const std::optional<SessionRecord> record = SessionRecord::fromBytes(recordBytes);
        QVERIFY(record);
        {
            Journal journal(c.folder);
            QVERIFY(journal.open(gameTime, true, record->gameId));
            journal.addInfo("Group Name: lab");
            journal.addRecord(QJsonDocument(record->toJson()).toJson(QJsonDocument::Compact));
            QVERIFY(journal.close());
        }
        QVERIFY(QFile::remove(c.folder.filePath("session1700000000.json")));

        QCOMPARE(DataCollection::recoverJournals(c.folder), 0);
        QVERIFY(takeLogText().contains("its save is complete now"));
        QCOMPARE(fileBytes(c.folder, "session1700000000.json"), recordBytes);
        QCOMPARE(dataFilesIn(c.folder), dataFiles);
        QVERIFY(Journal::leftovers(c.folder).isEmpty());
    }

    void journalsFromBeforeGameIdsAreRecoveredAndUnreadableOrRunningOnesLeftAlone() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QVERIFY(writeFile(
            folder, "journal1600000000.txt",
            "VAZAZO-JOURNAL 1 1600000000 1\nS 0 5000 1 1 0 8 2 0.200 0.4322 1834\nI Group Name: lab\nI \n"
            "I 1000 1.00 0.20000 0.95000\n"));
        QVERIFY(writeFile(folder, "journal12.txt", "not a journal\nI x\n"));
        auto running = std::make_unique<Journal>(folder);
        QVERIFY(running->open(gameTime, false));
        running->addInfo("Group Name: lab");

        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QCOMPARE(fileBytes(folder, "stats1600000000.txt"),
                 QByteArray("0 5000 1 1 0 8 2 0.200 0.4322 1834\r\n"));
        QVERIFY(fileBytes(folder, "info1600000000.txt")
                    .endsWith("Group Name: lab\r\n\r\n1000 1.00 0.20000 0.95000\r\n"));
        const std::optional<SessionRecord> record = recordIn(folder, 1600000000);
        QVERIFY(record && !record->gameId.isEmpty());
        QCOMPARE(record->ending, SessionRecord::Ending::recovered);
        QCOMPARE(Journal::leftovers(folder).size(), 2);
        const QString log = takeLogText();
        QVERIFY(log.contains("still being written") && log.contains("journal12.txt cannot be read"));

        // Written to the end, it is still its game's until that game lets it go.
        QVERIFY(running->close());
        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        running.reset();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(fileBytes(folder, "info1700000000.txt").endsWith("Group Name: lab\r\n"));
        QVERIFY(folder.exists("journal12.txt"));
    }

    void aJournalThatCouldNotWriteSaysSoOnceAndCatchesUpWithoutGapsOrBrokenLines() {
        SmallDisk disk(256);
        if (!disk.mounted()) {
            QSKIP("needs root to mount a small disk");
        }
        Journal journal(disk.folder());
        QVERIFY(journal.open(gameTime, true, "game-1"));
        QVERIFY(journal.close());
        QVERIFY(disk.fill(2000));
        for (int tick = 0; tick < 400; ++tick) {
            journal.addInfo(coordinates(tick));
        }
        QVERIFY(!journal.close());
        QVERIFY(!journal.close());
        QVERIFY(waitUntil([&] { return !notices.isEmpty(); }));
        QCOMPARE(notices.size(), 1);
        QVERIFY(takeLogText().contains("cannot be written"));

        QVERIFY(disk.emptyFiller());
        journal.addInfo(coordinates(400));
        QVERIFY(journal.close());
        QVERIFY(takeLogText().contains("is written again"));
        const Journal::Contents contents = Journal::read(journal.path());
        QVERIFY(contents.valid);
        QCOMPARE(contents.gameId, QString("game-1"));
        QCOMPARE(contents.info, ticks(401));
    }

    void aFullDiskLosesNothingAndThePlayerIsToldAtTheTime() {
        SmallDisk disk(512);
        if (!disk.mounted()) {
            QSKIP("needs root to mount a small disk");
        }
        Clock clock{std::make_shared<ManualCounter>()};
        const QDir folder = disk.folder();
        {
            Recording module(folder, clock);
            module.beginGame({DataCollection::saveToFile, true, 1000}, report);
            QVERIFY(waitUntil([&] { return module.loopsBegun == 1; }));
            QVERIFY(disk.fill(8000));
            for (int period = 1; period <= 15; ++period) {
                module.addPeriod(period);
            }
            for (const QByteArray& line : ticks(3000)) {
                module.appendInfo(line);
            }
            module.stopAtGameOver();
            module.finishGame(answers);
            // Told at once, nothing under a final name.
            QVERIFY(waitUntil([&] { return notices.size() >= 2; }));
            QVERIFY(notices.join('\n').contains("not safe"));
            QVERIFY(dataFilesIn(folder).isEmpty());
            QCOMPARE(module.unsavedGames(), 1);

            // Space comes back before the program closes: closing saves the game.
            QVERIFY(disk.emptyFiller());
            module.shutdown();
            QCOMPARE(module.unsavedGames(), 0);
        }
        verifySavedOnce(folder, 15);
    }
};

VAZAZO_TEST(TestDataCollection)
#include "test_DataCollection.moc"
