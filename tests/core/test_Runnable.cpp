#include "support/TestMain.h"
#include "core/Runnable.h"

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
        QVERIFY(looper.startIfIdle());
        QVERIFY(!looper.startIfIdle());
        QVERIFY(waitUntil([&] { return looper.starts == 1; }));
        looper.stopAndWait();
        QVERIFY(!looper.running);
        QCOMPARE(looper.finishes.load(), 1);
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
        QCOMPARE(runThread(&looper), 0);
        QVERIFY(!looper.running);
        QCOMPARE(looper.finishes.load(), 3);
    }
};

VAZAZO_TEST(TestRunnable)
#include "test_Runnable.moc"
