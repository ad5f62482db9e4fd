#include "support/TestMain.h"
#include "core/Clock.h"

#include "core/FatalError.h"

#include "support/ManualCounter.h"

#include <QtTest>

#include <new>

class TestClock : public QObject {
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
};

VAZAZO_TEST(TestClock)
#include "test_Clock.moc"
