#include "support/TestMain.h"
#include "core/Clock.h"

#include "core/FatalError.h"
#include "core/Log.h"

#include "support/ManualCounter.h"

#include <QtTest>

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { FatalError::setHandler({}); }

    void timeCountsFromTheClocksCreationInCalibratedTicks() {
        auto counter = std::make_shared<ManualCounter>();
        counter->ticks = 5'000'000'000;
        counter->frequency = 3'579'545;
        Clock clock(counter);
        QCOMPARE(clock.now(), 0.0);
        counter->ticks += 2'500'000;
        // Before calibration a millisecond is a million ticks.
        QCOMPARE(clock.now(), 2.5);
        GameLog::takePending();
        clock.calibrate();
        QCOMPARE(clock.ticksPerMs(), 3579);
        counter->ticks = 5'000'000'000 + 3579 * 40;
        QCOMPARE(clock.now(), 40.0);
        QCOMPARE(GameLog::takePending().at(0).text, QString("Timer resolution 3.58 Mhz"));
        // In MHz from 100000 ticks per ms on, though the line always says Mhz.
        QCOMPARE(Clock::resolutionText(2'400'000), QString("Timer resolution 2.40 Mhz"));
        QCOMPARE(Clock::resolutionText(99'999), QString("Timer resolution 100.00 Mhz"));
        QCOMPARE(Clock::resolutionText(100'000), QString("Timer resolution 0.10 Mhz"));
    }

    void anUnreadableCounterIsFatal() {
        QStringList errors;
        FatalError::setHandler([&](const QString& message) { errors << message; });
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        counter->counterWorks = false;
        clock.now();
        QCOMPARE(errors, QStringList({"Cannot read current time!"}));
        counter->frequencyWorks = false;
        clock.calibrate();
        QCOMPARE(errors.last(), QString("Cannot determine clock frequency!"));
        QCOMPARE(clock.ticksPerMs(), Clock::initialTicksPerMs);
    }

    void theProgramClockRuns() {
        const double first = Clock::program().now();
        QTest::qWait(20);
        QVERIFY(Clock::program().now() > first);
    }
};

VAZAZO_TEST(TestClock)
#include "test_Clock.moc"
