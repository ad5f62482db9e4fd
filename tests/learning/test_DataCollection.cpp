#include "support/TestMain.h"
#include "core/Log.h"
#include "core/Notice.h"
#include "game/State.h"
#include "learning/DataCollection.h"
#include "learning/DataCollectionFeed.h"
#include "learning/DataLines.h"
#include "scene/Gun.h"
#include "scene/ObjectNames.h"
#include "scene/Paddle.h"
#include "scene/Triangle.h"
#include "settings/SettingsStore.h"
#include "settings/TabDataCollection.h"

#include "support/FakePages.h"
#include "support/ManualCounter.h"
#include "support/Waiting.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <charconv>
#include <memory>
#include <new>
#include <random>

namespace {
constexpr qint64 gameTime = 1'700'000'000;
const char* const childFolderVariable = "VAZAZO_JOURNAL_CHILD_FOLDER";

// The progress lines as the window would show them, the replaced ones included.
class RecordingProgress : public SaveProgress {
public:
    explicit RecordingProgress(QStringList& lines) : lines(lines) {}
    void addLine(const QString& text) override { lines << text; }
    void replaceLastLine(const QString& text) override { lines << "~" + text; }
    QStringList& lines;
};

// Accepts `limit` bytes, then every write fails; or throws, as an allocation failure would.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 limit, bool throws = false) : limit(limit), throws(throws) {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        if (throws) {
            throw std::bad_alloc();
        }
        if (written + size > limit) {
            return -1;
        }
        written += size;
        return size;
    }

private:
    qint64 limit;
    bool throws;
    qint64 written = 0;
};

QByteArray fileBytes(const QDir& folder, const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList logLines() {
    QStringList lines;
    for (const GameLog::Line& line : GameLog::takePending()) {
        lines << line.text;
    }
    return lines;
}

QStringList report() {
    return {"Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04",
            "After pain level: 1.0, stiffness level: 2.0",
            "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\nVulnerable paddle: no",
            "Object used to play the game: -1, none", ""};
}

DataCollectionOptions options(int mode, bool coordinates, int periodMs = 5000) {
    DataCollectionOptions o;
    o.mode = mode;
    o.collectCoordinates = coordinates;
    o.periodMs = periodMs;
    return o;
}

// A module writing into folder at a fixed calendar time, its progress going to lines.
std::unique_ptr<DataCollection> collector(const QDir& folder, QStringList& progressLines, Clock& clock) {
    auto module = std::make_unique<DataCollection>(folder, clock);
    module->setCalendarTime([] { return gameTime; });
    module->setProgressFactory(
        [&progressLines] { return std::make_unique<RecordingProgress>(progressLines); });
    return module;
}

// Puts like the game's feeding rule and waits until the module's loop took the period.
void handOff(DataCollection& module, double now, int shots, int hits, int missed, double distanceSum,
             double hitTimeSum) {
    QVERIFY(module.wantsHandOff(now));
    const bool closesPeriod = module.baseTime >= 0;
    module.put(now, shots, hits, missed, 8, 2, 1.5, distanceSum, hitTimeSum);
    if (closesPeriod) {
        QVERIFY(waitUntil([&] { return module.noFreshData.load(); }));
    }
}

const QByteArray statsColumns = "Columns in file statsXXXXXXXXX.txt:\r\n"
                                "start_time period #of_shots #of_hits #of_missed_tagets weapons_speed "
                                "shapes_speed shapes_frequency avg_hit_distance avg_hit_time\r\n";
const QByteArray reportBytes = "Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04\r\n"
                               "Before pain level: 3.0, stiffness level: 4.0\r\n"
                               "After pain level: 1.0, stiffness level: 2.0\r\n"
                               "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\r\n"
                               "Vulnerable paddle: no\r\n"
                               "Object used to play the game: -1, none\r\n";
} // namespace

class TestDataCollection : public QObject {
    Q_OBJECT
private slots:
    void init() { GameLog::takePending(); }

    void periodsBecomeStatisticsLinesWithAndWithoutHits() {
        QTemporaryDir dir;
        QStringList progress;
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        auto module = collector(dir.path(), progress, clock);
        module->beginGame(options(DataCollection::saveToFile, false, 5000), report());
        QVERIFY(waitUntil([&] { return module->loopsBegun == 1; }));

        // 12 shots, 5 hits, 2 missed from 2000.4 ms for 5001.9 ms; then a period without hits.
        handOff(*module, 2000.4, 3, 1, 0, 1.0, 100.0);
        handOff(*module, 7002.3, 15, 6, 2, 1.0 + 5 * 0.43219, 100.0 + 5 * 1834.7);
        handOff(*module, 12010.0, 19, 6, 2, 1.0 + 5 * 0.43219, 100.0 + 5 * 1834.7);
        module->stopAtGameOver();

        QCOMPARE(module->statsLines.count(), 2);
        QCOMPARE(module->statsLines.first()->text, QByteArray("2000 5001 12 5 2 8 2 1.500 0.4322 1834"));
        QCOMPARE(module->statsLines.first()->next->text, QByteArray("7002 5007 4 0 0 8 2 1.500 0.0000 0"));
    }

    void statisticsLinesCountFromTheModuleStartAndTruncate() {
        PeriodStats p;
        p.periodStart = 999.9;
        p.periodLength = -3.7;
        p.shapesFrequency = 0.33;
        p.avgHitDistance = 0.00005;
        p.avgHitTime = 2.9;
        QCOMPARE(DataLines::statistics(p, 1000), QByteArray("0 -3 0 0 0 0 0 0.330 0.0001 2"));
    }

    void coordinatesLineNamesTargetsThenGunsThenTheLastFramesHits() {
        FakePages pages;
        State game;
        Paddle paddle;
        paddle.posX = 0.25;
        paddle.posY = 0.95;
        ObjectNames::resetAll();
        auto target = std::make_unique<Triangle>(SpawnContext{}, false, false, false, 5.0, 0.02);
        target->x = 0.1;
        target->y = 0.2;
        target->radius = 0.03;
        const QString targetName = target->name;
        game.targets.add(std::move(target));
        auto gun = std::make_unique<Gun>(0.002, 0.5, 0.6);
        gun->name = "g0001";
        game.guns.add(std::move(gun));
        game.hitText = " t0003 hit";

        DataCollection module(QDir::current());
        DataCollectionFeed feed(module, game, pages, paddle);
        QCOMPARE(targetName, QString("t0000"));
        QCOMPARE(feed.coordinatesLine(12345.9),
                 QByteArray("12345 1.00 0.25000 0.95000 t0000 0.10000 0.20000 0.03000 g0001 0.50000 "
                            "0.60000 0.00220 t0003 hit"));

        // A destroyed paddle shows as 0.00; a frame without objects is the paddle alone.
        paddle.recovery = Paddle::hitRecoveryMs;
        game.targets.clear();
        game.guns.clear();
        game.hitText.clear();
        QCOMPARE(feed.coordinatesLine(20000.0), QByteArray("20000 0.00 0.25000 0.95000"));
    }

    void coordinateNumbersMatchCorrectlyRoundedFixedNotation() {
        const auto exact = [](double value, int decimals) {
            std::array<char, 400> digits{};
            const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::fixed, decimals)
                                 .ptr;
            return QByteArray(digits.data(), end - digits.data());
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
    }

    void thePageGivesModeCoordinatesAndPeriod() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("settings.ini"));
        const QList<std::pair<int, int>> modes{{SettingKeys::dataCollectionSend, DataCollection::upload},
                                               {SettingKeys::dataCollectionSave, DataCollection::saveToFile},
                                               {SettingKeys::dataCollectionNone, DataCollection::off},
                                               {7, DataCollection::off}};
        for (const auto& [code, mode] : modes) {
            store.writeInt(SettingKeys::dataCollectionState, code);
            store.write(SettingKeys::dataCollectionAveragingTime.key, "250");
            store.writeBool(SettingKeys::dataCollectionCoordinates, true);
            TabDataCollection page(store);
            const DataCollectionOptions options = DataCollectionOptions::fromPage(page);
            QCOMPARE(options.mode, mode);
            QVERIFY(options.collectCoordinates);
            QCOMPARE(options.periodMs, 250);
        }
    }

    void theFeedHandsOverWhenDueAndAddsLinesOnlyInPlay() {
        QTemporaryDir dir;
        QStringList progress;
        FakePages pages;
        pages.settings.weapons.gunSpeed = 7;
        pages.settings.shapes[SettingKeys::circleIndex].speed = 3;
        pages.settings.allShapes.shapesPerSecond = 2;
        State game;
        Paddle paddle;
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        auto module = collector(dir.path(), progress, clock);
        DataCollectionFeed feed(*module, game, pages, paddle);
        module->beginGame(options(DataCollection::saveToFile, true, 1000), report());
        QVERIFY(waitUntil([&] { return module->loopsBegun == 1; }));
        game.paused = false;
        game.gameOver = false;

        feed.ticked(100.0);
        game.shotsFired += 4;
        game.targetsHit += 1;
        game.hitDistanceSum += 0.5;
        game.hitTimeSum += 700.0;
        feed.ticked(600.0);
        feed.ticked(1100.0);
        QVERIFY(waitUntil([&] { return module->noFreshData.load(); }));
        game.paused = true;
        feed.ticked(1200.0);
        game.paused = false;
        game.gameOver = true;
        feed.gameEnded({});

        QCOMPARE(module->statsLines.count(), 1);
        QCOMPARE(module->statsLines.first()->text, QByteArray("100 1000 4 1 0 7 3 0.330 0.5000 700"));
        QCOMPARE(module->infoLines.count(), 5 + 3);
        QVERIFY(module->infoLines.first()->next->next->next->next->next->text.startsWith("100 "));
    }

    void infoFilesHoldColumnsReportAndCoordinatesWithCrLf() {
        QTemporaryDir dir;
        QStringList progress;
        auto module = collector(dir.path(), progress, Clock::program());
        module->beginGame(options(DataCollection::saveToFile, true), report());
        module->appendInfo("1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000");
        module->appendInfo("1010 1.00 0.20000 0.95000 t0000 hit");
        module->stopAtGameOver();
        module->finishGame("pain level: 3.0, stiffness level: 4.0");

        const QDir folder(dir.path());
        QCOMPARE(fileBytes(folder, "stats1700000000.txt"), QByteArray());
        QCOMPARE(fileBytes(folder, "info1700000000.txt"),
                 statsColumns +
                     "Columns in this file:\r\n"
                     "time paddleVisibility paddleX paddleY aNNNN XX YY RR [aNNNN XX YY | aNNNN hit]\r\n"
                     "where NNNN - given object's number, XX horizontal location, YY vertical location, RR - "
                     "radius of bounding circle\r\n"
                     "and a= g - gun, t - triangle, r - rectangle, c - circle, s - sphere, y - cylinder\r\n"
                     "0.00 paddle visibility means that the paddle was destroyed,\r\n"
                     "if a target was hit a word 'hit' appears instead of its coordinates.\r\n" +
                     reportBytes +
                     "\r\n"
                     "1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000\r\n"
                     "1010 1.00 0.20000 0.95000 t0000 hit\r\n");
        QCOMPARE(progress,
                 QStringList({"Opening file stats1700000000.txt", "Saving data 0%", "Saving data 100%",
                              "Opening file info1700000000.txt", "Saving data 0%", "~Saving data 14%",
                              "~Saving data 28%", "~Saving data 42%", "~Saving data 57%", "~Saving data 71%",
                              "~Saving data 85%", "~Saving data 100%"}));
        QCOMPARE(module->unsavedGames(), 0);
        QVERIFY(Journal::leftovers(folder).isEmpty());

        // Without coordinates: the columns and the report only, and no progress for the info file.
        progress.clear();
        module->beginGame(options(DataCollection::saveToFile, false), report());
        module->appendInfo("never written");
        module->stopAtGameOver();
        module->finishGame("pain level: 3.0, stiffness level: 4.0");
        QCOMPARE(fileBytes(folder, "info1700000001.txt"), statsColumns + reportBytes);
        QCOMPARE(progress.filter("info").size(), 1);
        QCOMPARE(progress.last(), QString("Opening file info1700000001.txt"));
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
        expected << "Saving data 100%"
                 << "Opening file info5.txt";
        QCOMPARE(lines, expected);
        QCOMPARE(fileBytes(QDir(dir.path()), "stats5.txt").count("\r\n"), 250);
    }

    void savesNeverReplaceEarlierFiles() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QStringList progress;
        auto module = collector(dir.path(), progress, Clock::program());
        // A lone info file takes its number from both names.
        QFile lone(folder.filePath("info1700000000.txt"));
        QVERIFY(lone.open(QIODevice::WriteOnly));
        lone.write("earlier");
        lone.close();

        for (const char* answers : {"first", "second"}) {
            module->beginGame(options(DataCollection::saveToFile, false), report());
            module->stopAtGameOver();
            module->finishGame(answers);
        }
        QCOMPARE(fileBytes(folder, "info1700000000.txt"), QByteArray("earlier"));
        QVERIFY(!folder.exists("stats1700000000.txt"));
        QVERIFY(fileBytes(folder, "info1700000001.txt").contains("\r\nBefore first\r\n"));
        QVERIFY(fileBytes(folder, "info1700000002.txt").contains("\r\nBefore second\r\n"));
        QVERIFY(folder.exists("stats1700000001.txt") && folder.exists("stats1700000002.txt"));
    }

    void aFailingWriteKeepsTheLinesForTheNextSave() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QStringList progress;
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        auto module = collector(dir.path(), progress, Clock::program());
        bool infoFails = true;
        module->setOpener([&infoFails](const QString& path) -> std::unique_ptr<QIODevice> {
            if (infoFails && QFileInfo(path).fileName().startsWith("info")) {
                return std::make_unique<FailingDevice>(100);
            }
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::WriteOnly | QIODevice::NewOnly) ? std::move(file) : nullptr;
        });
        module->beginGame(options(DataCollection::saveToFile, true), report());
        for (int i = 0; i < 2000; ++i) {
            module->appendInfo("1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000");
        }
        module->stopAtGameOver();
        module->finishGame("lost?");

        QVERIFY(logLines().join('\n').contains("Could not write the output file info1700000000.txt"));
        QVERIFY(notices.isEmpty());
        QVERIFY(!folder.exists("info1700000000.txt"));
        QCOMPARE(module->unsavedGames(), 1);
        QCOMPARE(Journal::leftovers(folder).size(), 1);

        // The next game's save writes the earlier game first, complete, under free names.
        infoFails = false;
        module->beginGame(options(DataCollection::saveToFile, false), report());
        module->stopAtGameOver();
        module->finishGame("next");
        const QByteArray kept = fileBytes(folder, "info1700000001.txt");
        QCOMPARE(kept.count("0.10000 0.20000 0.03000\r\n"), 2000);
        QVERIFY(kept.contains("Before lost?"));
        QVERIFY(fileBytes(folder, "info1700000002.txt").contains("Before next"));
        QCOMPARE(module->unsavedGames(), 0);
        QVERIFY(Journal::leftovers(folder).isEmpty());
        Notice::setHandler({});
    }

    void onlyARealFailureShowsException() {
        QTemporaryDir dir;
        QStringList progress;
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        auto module = collector(dir.path(), progress, Clock::program());
        module->setOpener([](const QString&) { return std::make_unique<FailingDevice>(0, true); });
        module->beginGame(options(DataCollection::saveToFile, false), report());
        module->stopAtGameOver();
        module->finishGame("x");
        QCOMPARE(notices, QStringList{"Exception"});
        QCOMPARE(module->unsavedGames(), 1);
        Notice::setHandler({});
    }

    void uploadModeSavesFilesAndSaysNothingWasSent() {
        QTemporaryDir dir;
        QStringList progress;
        auto module = collector(dir.path(), progress, Clock::program());
        module->beginGame(options(DataCollection::upload, false), report());
        module->stopAtGameOver();
        module->finishGame("x");
        QVERIFY(QDir(dir.path()).exists("info1700000000.txt"));
        QVERIFY(logLines().join('\n').contains("nothing was uploaded"));
    }

    // Run by crashAGameAndRecoverIt as a separate process, which it kills mid-game.
    void journalChild() {
        const QString folder = qEnvironmentVariable(childFolderVariable);
        if (folder.isEmpty()) {
            QSKIP("only as the child of crashAGameAndRecoverIt");
        }
        DataCollection module{QDir(folder)};
        module.setCalendarTime([] { return gameTime; });
        module.beginGame(options(DataCollection::saveToFile, true, 50), report());
        int shots = 0;
        for (int tick = 0; tick < 3000; ++tick) {
            const double now = Clock::program().now();
            if (module.wantsHandOff(now)) {
                module.put(now, ++shots, 0, 0, 5, 5, 1.0, 0.0, 0.0);
            }
            module.appendInfo(QByteArray::number(tick) + " 1.00 0.20000 0.95000");
            QThread::msleep(10);
        }
        QFAIL("the parent should have killed this process");
    }

    void crashAGameAndRecoverIt() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(childFolderVariable, dir.path());
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"TestDataCollection", "journalChild"});
        QVERIFY(child.waitForStarted());
        const auto journalText = [&folder] {
            const QStringList journals = Journal::leftovers(folder);
            return journals.size() == 1 ? fileBytes(folder, QFileInfo(journals[0]).fileName()) : QByteArray();
        };
        QVERIFY(waitUntil(
            [&] { return journalText().count("\nS ") >= 3 && journalText().count("\nI ") >= 40; }, 30000));
        child.kill();
        QVERIFY(child.waitForFinished());
        const QByteArray journal = journalText();
        // An earlier file under the game's time is never replaced.
        QFile earlier(folder.filePath("stats1700000000.txt"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.close();

        logLines();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(Journal::leftovers(folder).isEmpty());
        const QByteArray stats = fileBytes(folder, "stats1700000001.txt");
        const QByteArray info = fileBytes(folder, "info1700000001.txt");
        // Only a record the kill cut short may be missing.
        QVERIFY(stats.count("\r\n") >= journal.count("\nS ") - 1);
        QVERIFY(QRegularExpression("^(\\d+ \\d+ 1 0 0 5 5 1.000 0.0000 0\r\n)+$")
                    .match(QString(stats))
                    .hasMatch());
        QVERIFY(info.contains(reportBytes.right(reportBytes.size() - reportBytes.indexOf("After")) +
                              "\r\n0 1.00"));
        QVERIFY(info.count(" 1.00 0.20000 0.95000\r\n") >= journal.count("\nI ") - 5);
        QVERIFY(logLines().join('\n').contains("Recovered the game of"));
        QCOMPARE(fileBytes(folder, "stats1700000000.txt"), QByteArray());
    }

    void aJournalStillBeingWrittenIsNotRecovered() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        Journal running(folder);
        QVERIFY(running.open(gameTime, false));
        running.addInfo("Group Name: lab");
        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        QCOMPARE(Journal::leftovers(folder).size(), 1);
        QVERIFY(logLines().join('\n').contains("still being written"));
        running.close();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(fileBytes(folder, "info1700000000.txt").endsWith("Group Name: lab\r\n"));
    }

    void unreadableJournalsAreLeftAlone() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QFile bad(folder.filePath("journal12.txt"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a journal\nI x\n");
        bad.close();
        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        QVERIFY(folder.exists("journal12.txt"));
        QVERIFY(logLines().join('\n').contains("journal12.txt cannot be read"));
    }
};

VAZAZO_TEST(TestDataCollection)
#include "test_DataCollection.moc"
