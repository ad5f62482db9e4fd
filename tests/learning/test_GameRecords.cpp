#include "support/TestMain.h"
#include "support/DataPlayer.h"
#include "support/ManualCounter.h"
#include "support/RecordingProgress.h"
#include "support/SmallDisk.h"
#include "support/Waiting.h"
#include "core/Log.h"
#include "core/Notice.h"
#include "learning/DataCollection.h"
#include "learning/DataFiles.h"
#include "learning/Journal.h"
#include "records/SessionRecord.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
constexpr qint64 gameTime = 1'700'000'000;
const char* const childVariable = "VAZAZO_RECORD_CHILD";
const QString answers = "pain level: 7.0, stiffness level: 2.5";

QStringList report() {
    return {"Group Name: lab, saved on Saturday, 05 Dec 2026, 17:03.04", "After pain level: 1.0, stiffness level: 2.0",
            "Game version: 1.73, level: 1, difficulty: 2, one shot at a time: no\nVulnerable paddle: no",
            "Object used to play the game: -1, none", ""};
}

QByteArray coordinates(int tick) {
    return QByteArray::number(tick * 10) + " 1.00 0.20000 0.95000 t0000 0.10000 0.20000 0.03000";
}

QByteArray fileBytes(const QDir& folder, const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Data collection at the fixed calendar time, with the progress recorded.
class Recording : public Collecting {
public:
    explicit Recording(const QDir& folder, Clock& clock = Clock::program()) : Collecting(folder, clock) {
        setCalendarTime([] { return gameTime; });
        setProgressFactory([] { return std::make_unique<RecordingProgress>(); });
    }
};

// A game with data collection, played straight into the module: periods, coordinates, game over.
void playInto(Recording& module, int mode, int ticks, int periods) {
    const int loops = module.loopsBegun;
    module.beginGame({mode, true, 1000}, report());
    // The loop's start clears the statistics; periods come after it.
    QVERIFY(waitUntil([&] { return module.loopsBegun > loops; }));
    for (int period = 1; period <= periods; ++period) {
        module.addPeriod(period);
    }
    for (int tick = 0; tick < ticks; ++tick) {
        module.appendInfo(coordinates(tick));
    }
    module.stopAtGameOver();
}

// Every data file the record names is there with its size and checksum.
void verifyRecordMatchesFiles(const QDir& folder, const SessionRecord& record) {
    QCOMPARE(record.files.size(), 2);
    for (const SessionRecord::File& file : record.files) {
        const QByteArray bytes = fileBytes(folder, file.name);
        QCOMPARE(file.bytes, bytes.size());
        QCOMPARE(file.sha256, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
}

// Writes through a QSaveFile, and kills the process once `limit` bytes of the save went out.
class KillingFile : public QSaveFile {
public:
    KillingFile(const QString& path, qint64& written, qint64 limit) : QSaveFile(path), written(written), limit(limit) {}

protected:
    qint64 writeData(const char* data, qint64 size) override {
        if (written + size > limit) {
            const qint64 part = std::max<qint64>(0, limit - written);
            QSaveFile::writeData(data, part);
            QSaveFile::flush();
            std::raise(SIGKILL);
        }
        written += size;
        return QSaveFile::writeData(data, size);
    }

private:
    qint64& written;
    qint64 limit;
};
} // namespace

class TestGameRecords : public QObject {
    Q_OBJECT
private slots:
    void init() { takeLogText(); }

    void aSavedGameLeavesItsFilesAndARecordWhoseChecksumsMatch() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        Clock clock{std::make_shared<ManualCounter>()};
        Recording module(folder, clock);
        playInto(module, DataCollection::saveToFile, 300, 3);
        const QString firstId = module.gameId();
        module.finishGame(answers);

        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000000.json"));
        QVERIFY(record);
        QCOMPARE(record->gameId, firstId);
        QCOMPARE(record->upload.state, SessionRecord::Upload::State::notChosen);
        QCOMPARE(record->files[0].name, QString("stats1700000000.txt"));
        QCOMPARE(record->files[1].name, QString("info1700000000.txt"));
        verifyRecordMatchesFiles(folder, *record);
        // The checksums are the ones sha256sum prints.
        QProcess sum;
        sum.setWorkingDirectory(folder.path());
        sum.start("sha256sum", {"stats1700000000.txt", "info1700000000.txt"});
        QVERIFY(sum.waitForFinished());
        const QList<QByteArray> printed = sum.readAllStandardOutput().split('\n');
        QCOMPARE(printed[0].left(64), record->files[0].sha256);
        QCOMPARE(printed[1].left(64), record->files[1].sha256);
        QVERIFY(Journal::leftovers(folder).isEmpty());

        // Each game has an id of its own.
        playInto(module, DataCollection::saveToFile, 10, 0);
        module.finishGame(answers);
        const std::optional<SessionRecord> second = SessionRecord::read(folder.filePath("session1700000001.json"));
        QVERIFY(second && !second->gameId.isEmpty() && second->gameId != firstId);
    }

    void gamesCutShortByANewGameOrByClosingAreSavedWithThatEnding() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        Clock clock{std::make_shared<ManualCounter>()};
        DataCollection module(folder, clock);
        module.setCalendarTime([] { return gameTime; });
        module.setProgressFactory([] { return std::make_unique<RecordingProgress>(); });
        module.beginGame({DataCollection::saveToFile, true, 1000}, report());
        module.appendInfo(coordinates(1));
        // A new game, then the window closes while it runs.
        module.beginGame({DataCollection::saveToFile, true, 1000}, report());
        module.appendInfo(coordinates(2));
        module.shutdown();

        const std::optional<SessionRecord> first = SessionRecord::read(folder.filePath("session1700000000.json"));
        const std::optional<SessionRecord> second = SessionRecord::read(folder.filePath("session1700000001.json"));
        QVERIFY(first && second);
        QCOMPARE(first->ending, SessionRecord::Ending::newGame);
        QCOMPARE(second->ending, SessionRecord::Ending::windowClosed);
        QVERIFY(fileBytes(folder, "info1700000000.txt").endsWith(coordinates(1) + "\r\n"));
        QVERIFY(fileBytes(folder, "info1700000001.txt").endsWith(coordinates(2) + "\r\n"));
        QVERIFY(Journal::leftovers(folder).isEmpty());
    }

    // Run as a separate process by the crash tests, which it kills in the middle of its save.
    void recordChild() {
        const QStringList job = qEnvironmentVariable(childVariable).split('|');
        if (job.size() != 2) {
            QSKIP("only as the child of the crash tests");
        }
        Recording module{QDir(job[1])};
        // Killed as the save opens its first file, or after 100 kB of it went to the disk.
        auto written = std::make_shared<qint64>(0);
        const qint64 limit = job[0] == "before-save" ? 0 : 100'000;
        module.setOpener([written, limit](const QString& path) -> std::unique_ptr<QIODevice> {
            if (limit == 0) {
                std::raise(SIGKILL);
            }
            auto file = std::make_unique<KillingFile>(path, *written, limit);
            return file->open(QIODevice::WriteOnly) ? std::move(file) : nullptr;
        });
        playInto(module, DataCollection::saveToFile, 3000, 4);
        module.finishGame(answers);
        QFAIL("the save should have killed this process");
    }

    void aGameKilledAfterItsAnswersIsRecoveredWithThem() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        runChild("before-save", folder);
        QVERIFY(folder.entryList({"stats*", "info*", "session*"}, QDir::Files).isEmpty());

        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        const QByteArray info = fileBytes(folder, "info1700000000.txt");
        QVERIFY(info.contains("Before " + answers.toUtf8()));
        QCOMPARE(info.count(" t0000 0.10000 0.20000 0.03000\r\n"), 3000);
        QCOMPARE(fileBytes(folder, "stats1700000000.txt").count("\r\n"), 4);
        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000000.json"));
        QVERIFY(record);
        QCOMPARE(record->ending, SessionRecord::Ending::recovered);
        QCOMPARE(record->recovery["afterGameAnswers"].toBool(), true);
        QCOMPARE(record->recovery["infoLines"].toInt(), 3000 + report().size());
        verifyRecordMatchesFiles(folder, *record);
        QVERIFY(takeLogText().contains("marks it as recovered"));
        QVERIFY(Journal::leftovers(folder).isEmpty());
    }

    // A journal of the version before game ids is recovered as well, under an id of its own.
    void aJournalFromBeforeGameIdsIsRecovered() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QFile journal(folder.filePath("journal1700000000.txt"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write("VAZAZO-JOURNAL 1 1700000000 1\nS 0 5000 1 1 0 8 2 0.200 0.4322 1834\nI Group Name: lab\nI \n"
                      "I 1000 1.00 0.20000 0.95000\n");
        journal.close();
        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QCOMPARE(fileBytes(folder, "stats1700000000.txt"), QByteArray("0 5000 1 1 0 8 2 0.200 0.4322 1834\r\n"));
        QVERIFY(fileBytes(folder, "info1700000000.txt").endsWith("Group Name: lab\r\n\r\n1000 1.00 0.20000 0.95000\r\n"));
        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000000.json"));
        QVERIFY(record && !record->gameId.isEmpty());
        QCOMPARE(record->ending, SessionRecord::Ending::recovered);
    }

    void aKillDuringTheSaveLeavesNoCutOffFileAndTheGameComesBackOnce() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        runChild("during-save", folder);
        // No file under a final name, empty or cut off; the temporary one the kill left is no data file.
        QVERIFY(folder.entryList({"stats*.txt", "info*.txt", "session*.json"}, QDir::Files).isEmpty());

        QCOMPARE(DataCollection::recoverJournals(folder), 1);
        QCOMPARE(folder.entryList({"stats*", "info*", "session*"}, QDir::Files),
                 QStringList({"info1700000000.txt", "session1700000000.json", "stats1700000000.txt"}));
        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000000.json"));
        QVERIFY(record);
        verifyRecordMatchesFiles(folder, *record);
        QCOMPARE(fileBytes(folder, "info1700000000.txt").count(" t0000 0.10000 0.20000 0.03000\r\n"), 3000);
        // A second start finds nothing left to recover.
        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        QCOMPARE(folder.entryList({"stats*"}, QDir::Files).size(), 1);
    }

    // Killed after its files took their names but before its record: the next start writes the
    // record the journal holds and saves nothing twice.
    void aSaveCutShortBeforeItsRecordIsCompletedFromTheJournal() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        Clock clock{std::make_shared<ManualCounter>()};
        Recording module(folder, clock);
        playInto(module, DataCollection::saveToFile, 50, 2);
        module.finishGame(answers);
        const QByteArray recordBytes = fileBytes(folder, "session1700000000.json");
        const std::optional<SessionRecord> record = SessionRecord::fromBytes(recordBytes);
        QVERIFY(record);
        {
            // The journal as the save left it just before the record.
            Journal journal(folder);
            QVERIFY(journal.open(gameTime, true, record->gameId));
            journal.addInfo("Group Name: lab");
            journal.addRecord(QJsonDocument(record->toJson()).toJson(QJsonDocument::Compact));
            QVERIFY(journal.close());
        }
        QVERIFY(QFile::remove(folder.filePath("session1700000000.json")));

        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        QVERIFY(takeLogText().contains("its save is complete now"));
        QCOMPARE(fileBytes(folder, "session1700000000.json"), recordBytes);
        QCOMPARE(folder.entryList({"stats*", "info*", "session*"}, QDir::Files).size(), 3);
        QVERIFY(Journal::leftovers(folder).isEmpty());
    }

    void aJournalThatCouldNotWriteCatchesUpWithoutGapsOrBrokenLines() {
        SmallDisk disk(256);
        if (!disk.mounted()) {
            QSKIP("needs root to mount a small disk");
        }
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
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
        QCOMPARE(contents.info.size(), 401);
        for (int tick = 0; tick <= 400; ++tick) {
            QCOMPARE(contents.info[tick], coordinates(tick));
        }
        Notice::setHandler({});
    }

    void aFullDiskLosesNothingAndThePlayerIsToldAtTheTime() {
        SmallDisk disk(512);
        if (!disk.mounted()) {
            QSKIP("needs root to mount a small disk");
        }
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        Clock clock{std::make_shared<ManualCounter>()};
        const QDir folder = disk.folder();
        {
            Recording module(folder, clock);
            module.beginGame({DataCollection::saveToFile, true, 1000}, report());
            QVERIFY(waitUntil([&] { return module.loopsBegun == 1; }));
            QVERIFY(disk.fill(8000));
            for (int period = 1; period <= 15; ++period) {
                module.addPeriod(period);
            }
            for (int tick = 0; tick < 3000; ++tick) {
                module.appendInfo(coordinates(tick));
            }
            module.stopAtGameOver();
            module.finishGame(answers);
            // Told at once, nothing under a final name.
            QVERIFY(waitUntil([&] { return notices.size() >= 2; }));
            QVERIFY(notices.join('\n').contains("not safe"));
            QVERIFY(folder.entryList({"stats*", "info*", "session*"}, QDir::Files).isEmpty());
            QCOMPARE(module.unsavedGames(), 1);

            // Space comes back before the program closes: closing saves the game.
            QVERIFY(disk.emptyFiller());
            module.shutdown();
            QCOMPARE(module.unsavedGames(), 0);
        }
        QCOMPARE(folder.entryList({"stats*", "info*", "session*"}, QDir::Files),
                 QStringList({"info1700000000.txt", "session1700000000.json", "stats1700000000.txt"}));
        QCOMPARE(fileBytes(folder, "stats1700000000.txt").count("\r\n"), 15);
        const QByteArray info = fileBytes(folder, "info1700000000.txt");
        QCOMPARE(info.count(" t0000 0.10000 0.20000 0.03000\r\n"), 3000);
        QVERIFY(info.contains("Before " + answers.toUtf8()));
        verifyRecordMatchesFiles(folder, *SessionRecord::read(folder.filePath("session1700000000.json")));
        // The next start has nothing to recover: the game came back exactly once.
        QVERIFY(Journal::leftovers(folder).isEmpty());
        QCOMPARE(DataCollection::recoverJournals(folder), 0);
        Notice::setHandler({});
    }

private:
    static void runChild(const QString& job, const QDir& folder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(childVariable, job + '|' + folder.path());
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"TestGameRecords", "recordChild"});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(!Journal::leftovers(folder).isEmpty());
    }
};

VAZAZO_TEST(TestGameRecords)
#include "test_GameRecords.moc"
