#include "support/TestMain.h"
#include "core/Clock.h"
#include "core/DataFileLocator.h"
#include "core/Delay.h"
#include "core/FatalError.h"
#include "core/Log.h"
#include "core/Runnable.h"

#include "support/ManualCounter.h"
#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

#include <chrono>
#include <new>
#include <thread>

namespace {
void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList logTexts() {
    QStringList texts;
    for (const GameLog::Line& line : GameLog::takePending())
        texts << line.text;
    return texts;
}

// Runs until asked to stop, counting how often it was started.
class Looper : public Runnable {
public:
    ~Looper() override { stopAndWait(); }
    void run() override {
        ++starts;
        while (!stopRequested)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++finishes;
    }
    std::atomic<int> starts{0};
    std::atomic<int> finishes{0};
};
} // namespace

// The clock and fatal errors, worker threads and the data files' places.
class TestCore : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        FatalError::setHandler({});
        std::set_new_handler(nullptr);
    }

    void timeCountsFromTheClocksCreationInCalibratedTicks() {
        auto counter = std::make_shared<ManualCounter>();
        counter->ticks = 5'000'000'000;
        counter->frequency = 3'579'545;
        Clock clock(counter);
        QCOMPARE(clock.now(), 0.0);
        counter->ticks += 2'500'000;
        // Before calibration a millisecond is a million ticks.
        QCOMPARE(clock.now(), 2.5);
        clock.calibrate();
        QCOMPARE(clock.ticksPerMs(), 3579);
        counter->ticks = 5'000'000'000 + 3579 * 40;
        QCOMPARE(clock.now(), 40.0);
    }

    // An unreadable counter, a failed allocation and a fatal error on another thread all reach the
    // replaced handler, which takes a lock since it is called from any thread.
    void unreadableCountersAllocationFailuresAndOtherThreadsReachTheReplacedHandler() {
        QStringList messages;
        std::mutex lock;
        FatalError::setHandler([&](const QString& message) {
            std::lock_guard guard(lock);
            messages << message;
        });
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        counter->counterWorks = false;
        clock.now();
        counter->frequencyWorks = false;
        clock.calibrate();
        QCOMPARE(clock.ticksPerMs(), Clock::initialTicksPerMs);
        FatalError::installLowMemoryHandler();
        // Far beyond any address space, so the allocator must fail.
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, ::operator delete(::operator new (std::size_t{1} << 62)));
        std::thread worker([] { FatalError::exitWith(FatalError::clockUnreadable); });
        worker.join();
        QCOMPARE(messages, QStringList({"Cannot read current time!", "Cannot determine clock frequency!",
                                        "Low memory!", "Cannot read current time!"}));
    }

    void aWorkerStartsOnlyWhenIdleAndStopAndWaitReturnsOnlyAfterItLeftRun() {
        Looper looper;
        looper.stopAndWait();
        QVERIFY(!looper.stopRequested && looper.startIfIdle() && !looper.startIfIdle());
        QVERIFY(waitUntil([&] { return looper.starts == 1; }));
        looper.stopAndWait();
        QVERIFY(!looper.running && looper.finishes == 1);
        QVERIFY(looper.startIfIdle());
        looper.stopAndWait();
        QCOMPARE(looper.starts.load(), 2);
        // The worker may not have begun yet; the stop must still end it instead of hanging.
        for (int i = 0; i < 50; ++i) {
            Looper quick;
            quick.startIfIdle();
            quick.stopAndWait();
            QVERIFY(!quick.running);
        }
        // Run directly, the worker is marked idle once it leaves run.
        looper.stopRequested = true;
        QVERIFY(runThread(&looper) == 0 && !looper.running && looper.finishes == 3);
    }

    // The main window's tests see the after-game delay post once after its pause.
    void aDelayStoppedDuringItsPauseEndsAtOnceAndPostsNothing() {
        MessageRecorder window;
        Delay delay;
        delay.set(&window, 0x800A, 5000);
        QElapsedTimer timer;
        timer.start();
        delay.startIfIdle();
        delay.stopAndWait();
        QCoreApplication::processEvents();
        QVERIFY(timer.elapsed() < 2000 && window.count(0x800A) == 0);
    }

    // A file (not a folder) in the working folder wins over the installed one; a missing file is
    // named with both places and left to the loader in the working folder; an absolute name is kept.
    void theWorkingFolderWinsAndAMissingFileIsNamedWithBothPlaces() {
        QTemporaryDir working, installed;
        const QDir here(working.path());
        writeFile(working.filePath("paddle_tx.png"), "own");
        QVERIFY(here.mkdir("objects.txt"));
        for (const char* name : {"paddle_tx.png", "gun1.mp3", "objects.txt"})
            writeFile(installed.filePath(name), "installed");
        GameLog::takePending();
        QStringList found;
        for (const QString& name : {"paddle_tx.png", "gun1.mp3", "objects.txt", "applause.mp3", "/gun1.mp3"})
            found << DataFileLocator::locate(name, here, installed.path());
        QCOMPARE(found, QStringList({working.filePath("paddle_tx.png"), installed.filePath("gun1.mp3"),
                                     installed.filePath("objects.txt"), working.filePath("applause.mp3"),
                                     "/gun1.mp3"}));
        QStringList texts = logTexts();
        QVERIFY(texts.size() == 1 && texts[0].contains("applause.mp3") && texts[0].contains(working.path()) &&
                texts[0].contains(installed.path()));
        // Without an installation only the working folder is named.
        DataFileLocator::locate("applause.mp3", here, QString());
        texts = logTexts();
        QVERIFY(texts.size() == 1 && texts[0].endsWith(": not in " + here.absolutePath()));
    }
};

VAZAZO_TEST(TestCore)
#include "test_Core.moc"
