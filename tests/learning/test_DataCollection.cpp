#include "support/TestMain.h"
#include "support/RecordingProgress.h"
#include "core/Log.h"
#include "core/Notice.h"
#include "game/State.h"
#include "learning/DataCollection.h"
#include "learning/DataCollectionFeed.h"
#include "learning/DataLines.h"
#include "scene/Gun.h"
#include "scene/Paddle.h"
#include "scene/Triangle.h"

#include "support/FakePages.h"
#include "support/ManualCounter.h"
#include "support/Waiting.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <memory>
#include <new>
#include <random>
#include <tuple>

namespace {
constexpr qint64 gameTime = 1'700'000'000;
const char* const childFolderVariable = "VAZAZO_JOURNAL_CHILD_FOLDER";

// Accepts `limit` bytes, then every write fails.
struct FailingDevice : QIODevice {
    explicit FailingDevice(qint64 limit) : left(limit) { open(QIODevice::WriteOnly); }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override { return (left -= size) >= 0 ? size : -1; }
    qint64 left;
};

QByteArray fileBytes(const QDir& folder, const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QDir& folder, const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QString logText() {
    QString text;
    for (const GameLog::Line& line : GameLog::takePending()) {
        text += line.text + '\n';
    }
    return text;
}

QByteArrayList texts(const LineList& lines) {
    QByteArrayList result;
    for (const LineList::Node* node = lines.first(); node != nullptr; node = node->next) {
        result << node->text;
    }
    return result;
}

QStringList report() {
    return {"Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04",
            "After pain level: 1.0, stiffness level: 2.0",
            "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\nVulnerable paddle: no",
            "Object used to play the game: -1, none", ""};
}

// A module writing into a fresh folder at a fixed calendar time, on a clock that stands at 0.
struct Collector {
    Collector() {
        module.setCalendarTime([] { return gameTime; });
        module.setProgressFactory([this] { return std::make_unique<RecordingProgress>(progress); });
    }
    // A game without periods: the report, the given info lines, game over and the after-game save.
    void play(int mode, bool coordinates, const QString& answers, const QByteArrayList& info = {}) {
        module.beginGame({mode, coordinates}, report());
        for (const QByteArray& line : info) {
            module.appendInfo(line);
        }
        module.stopAtGameOver();
        module.finishGame(answers);
    }
    QTemporaryDir dir;
    QDir folder{dir.path()};
    QStringList progress;
    Clock clock{std::make_shared<ManualCounter>()};
    DataCollection module{folder, clock};
};

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
        Collector c;
        FakePages pages;
        pages.settings.weapons.gunSpeed = 8;
        pages.settings.shapes[SettingKeys::circleIndex].speed = 2;
        pages.settings.allShapes.shapesPerSecond = 6; // 1.5 targets a second
        State game;
        Paddle paddle;
        paddle.posX = 0.25;
        paddle.posY = 0.95;
        auto target = std::make_unique<Triangle>(SpawnContext{}, false, false, false, 5.0, 0.02);
        target->name = "t0000";
        std::tie(target->x, target->y, target->radius) = std::tuple(0.1, 0.2, 0.03);
        game.targets.add(std::move(target));
        auto gun = std::make_unique<Gun>(0.002, 0.5, 0.6);
        gun->name = "g0001";
        game.guns.add(std::move(gun));
        game.hitText = " t0003 hit";
        DataCollectionFeed feed(c.module, game, pages, paddle);
        c.module.beginGame({DataCollection::saveToFile, true, 5000}, report());
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

    void savesWriteCrLfFilesUnderFreeNames() {
        Collector c;
        c.play(DataCollection::saveToFile, true, "pain level: 3.0, stiffness level: 4.0",
               {"1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000",
                "1010 1.00 0.20000 0.95000 t0000 hit"});
        QCOMPARE(fileBytes(c.folder, "stats1700000000.txt"), QByteArray());
        QCOMPARE(fileBytes(c.folder, "info1700000000.txt"),
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
        QCOMPARE(c.progress,
                 QStringList({"Opening file stats1700000000.txt", "Saving data 0%", "Saving data 100%",
                              "Opening file info1700000000.txt", "Saving data 0%", "~Saving data 14%",
                              "~Saving data 28%", "~Saving data 42%", "~Saving data 57%", "~Saving data 71%",
                              "~Saving data 85%", "~Saving data 100%"}));

        // A second game in the same second, uploading to no server, which saves files and queues the
        // upload; a lone info file holds its number too. Without coordinates the info file is the
        // columns and the report only.
        writeFile(c.folder, "info1700000001.txt", "earlier");
        c.progress.clear();
        c.play(DataCollection::upload, false, "pain level: 3.0, stiffness level: 4.0", {"never written"});
        QVERIFY(logText().contains("saved to stats1700000002.txt and info1700000002.txt and goes to the"));
        QVERIFY(QFileInfo::exists(c.folder.filePath("upload-queue/upload1700000002.wire")));
        QCOMPARE(fileBytes(c.folder, "info1700000001.txt"), QByteArray("earlier"));
        QCOMPARE(fileBytes(c.folder, "info1700000002.txt"), statsColumns + reportBytes);
        QCOMPARE(c.progress.last(), QString("Opening file info1700000002.txt"));
    }

    void progressCountsUpOncePerPercentFor250Lines() {
        Collector c;
        LineList stats;
        LineList info;
        for (int i = 0; i < 250; ++i) {
            stats.append(QByteArray::number(i));
        }
        RecordingProgress progress(c.progress);
        QVERIFY(DataFiles(c.folder).write(5, stats, info, false, "Saving ", progress).ok());
        QStringList expected{"Opening file stats5.txt", "Saving data 0%"};
        for (int n = 1; n <= 100; ++n) {
            expected << QString("~Saving data %1%").arg(n);
        }
        expected << "Saving data 100%"
                 << "Opening file info5.txt";
        QCOMPARE(c.progress, expected);
        QCOMPARE(fileBytes(c.folder, "stats5.txt").count("\r\n"), 250);
    }

    void aFailingWriteKeepsTheLinesForTheNextSave() {
        Collector c;
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        bool infoFails = true;
        c.module.setOpener([&infoFails](const QString& path) -> std::unique_ptr<QIODevice> {
            if (infoFails && QFileInfo(path).fileName().startsWith("info")) {
                return std::make_unique<FailingDevice>(100);
            }
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::WriteOnly | QIODevice::NewOnly) ? std::move(file) : nullptr;
        });
        c.play(DataCollection::saveToFile, true, "lost?",
               QByteArrayList(2000, "1000 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000"));
        QVERIFY(logText().contains("Could not write the output file info1700000000.txt"));
        // Not even the statistics file that was written keeps its name without its partner.
        QCOMPARE(c.folder.entryList({"stats*", "info*", "session*"}, QDir::Files), QStringList());
        QCOMPARE(c.module.unsavedGames(), 1);
        QCOMPARE(Journal::leftovers(c.folder).size(), 1);

        // The next game's save writes the earlier game first, complete, under free names.
        infoFails = false;
        c.play(DataCollection::saveToFile, false, "next");
        const QByteArray kept = fileBytes(c.folder, "info1700000000.txt");
        QCOMPARE(kept.count("0.10000 0.20000 0.03000\r\n"), 2000);
        QVERIFY(kept.contains("Before lost?"));
        QVERIFY(fileBytes(c.folder, "info1700000001.txt").contains("Before next"));
        QCOMPARE(c.module.unsavedGames(), 0);
        QVERIFY(Journal::leftovers(c.folder).isEmpty());

        // Only a real failure, such as running out of memory, shows a notice.
        c.module.setOpener([](const QString&) -> std::unique_ptr<QIODevice> { throw std::bad_alloc(); });
        c.play(DataCollection::saveToFile, false, "x");
        // The player hears at once when a game's data is not yet safe, and of a real failure.
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices[0].contains("not safe"));
        QCOMPARE(notices[1], QString("Exception"));
        QCOMPARE(c.module.unsavedGames(), 1);
        Notice::setHandler({});
    }

    // Run by crashAGameAndRecoverIt as a separate process, which it kills mid-game.
    void journalChild() {
        const QString folder = qEnvironmentVariable(childFolderVariable);
        if (folder.isEmpty()) {
            QSKIP("only as the child of crashAGameAndRecoverIt");
        }
        DataCollection module{QDir(folder)};
        module.setCalendarTime([] { return gameTime; });
        module.beginGame({DataCollection::saveToFile, true, 50}, report());
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

        logText();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QVERIFY(Journal::leftovers(folder).isEmpty());
        const QByteArray stats = fileBytes(folder, "stats1700000000.txt");
        const QByteArray info = fileBytes(folder, "info1700000000.txt");
        // Only a record the kill cut short may be missing.
        QVERIFY(stats.count("\r\n") >= journal.count("\nS ") - 1);
        QVERIFY(QRegularExpression("^(\\d+ \\d+ 1 0 0 5 5 1.000 0.0000 0\r\n)+$")
                    .match(QString(stats))
                    .hasMatch());
        QVERIFY(info.contains(reportBytes.right(reportBytes.size() - reportBytes.indexOf("After")) +
                              "\r\n0 1.00"));
        QVERIFY(info.count(" 1.00 0.20000 0.95000\r\n") >= journal.count("\nI ") - 5);
        QVERIFY(logText().contains("Recovered the game of"));
    }

    void journalsThatCannotBeRecoveredAreLeftAlone() {
        Collector c;
        writeFile(c.folder, "journal12.txt", "not a journal\nI x\n");
        auto running = std::make_unique<Journal>(c.folder);
        QVERIFY(running->open(gameTime, false));
        running->addInfo("Group Name: lab");
        QCOMPARE(DataCollection::recoverJournals(c.folder), 0);
        QCOMPARE(Journal::leftovers(c.folder).size(), 2);
        const QString log = logText();
        QVERIFY(log.contains("still being written") && log.contains("journal12.txt cannot be read"));

        // Written to the end, it is still its game's until that game lets it go.
        QVERIFY(running->close());
        QCOMPARE(DataCollection::recoverJournals(c.folder), 0);
        running.reset();
        QCOMPARE(DataCollection::recoverJournals(c.folder), 1);
        QVERIFY(fileBytes(c.folder, "info1700000000.txt").endsWith("Group Name: lab\r\n"));
        QVERIFY(c.folder.exists("journal12.txt"));
    }
};

VAZAZO_TEST(TestDataCollection)
#include "test_DataCollection.moc"
