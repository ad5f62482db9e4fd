#include "support/TestMain.h"
#include "core/Runnable.h"

#include "core/Delay.h"

#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

#include <chrono>
#include <thread>

namespace {
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

class TestRunnable : public QObject {
    Q_OBJECT
private slots:
    void aWorkerStartsOnlyWhenIdleAndStopAndWaitReturnsOnlyAfterItLeftRun() {
        Looper looper;
        looper.stopAndWait();
        QVERIFY(!looper.stopRequested);
        QVERIFY(looper.startIfIdle() && !looper.startIfIdle());
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

    void aDelayPostsItsMessageOnceAfterThePauseUnlessStopped() {
        MessageRecorder window;
        Delay delay;
        delay.set(&window, 0x800A, 150);
        QElapsedTimer timer;
        timer.start();
        delay.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(0x800A) == 1; }) && timer.elapsed() >= 150);
        QVERIFY(waitUntil([&] { return !delay.running; }));
        QTest::qWait(50);
        QCOMPARE(window.count(0x800A), 1);

        delay.set(&window, 0x800A, 5000);
        delay.startIfIdle();
        timer.restart();
        delay.stopAndWait();
        QVERIFY(timer.elapsed() < 2000);
        QCoreApplication::processEvents();
        QCOMPARE(window.count(0x800A), 1);
    }
};

VAZAZO_TEST(TestRunnable)
#include "test_Runnable.moc"
