#include "support/TestMain.h"
#include "learning/Stats.h"

#include <QtTest>

#include <atomic>
#include <thread>

class TestStats : public QObject {
    Q_OBJECT
private slots:
    void firstHandOffOnlyFixesTheBase() {
        Stats stats;
        stats.put(1000.0, 5, 3, 1, 4, 6, 0.5, 2.0, 900.0);
        QVERIFY(stats.noFreshData);
        QCOMPARE(stats.baseTime.load(), 1000.0);
        PeriodStats period;
        QVERIFY(!stats.take(period));
    }

    void aPeriodCountsTheDifferencesSinceTheBase() {
        Stats stats;
        stats.put(1000.0, 5, 3, 1, 4, 6, 0.5, 2.0, 900.0);
        stats.put(3100.0, 9, 5, 4, 7, 8, 1.5, 3.0, 1500.0);
        QVERIFY(!stats.noFreshData);
        PeriodStats period;
        QVERIFY(stats.take(period));
        QCOMPARE(period.periodStart, 1000.0);
        QCOMPARE(period.periodLength, 2100.0);
        QCOMPARE(period.shots, 4);
        QCOMPARE(period.hits, 2);
        QCOMPARE(period.missed, 3);
        QCOMPARE(period.weaponsSpeed, 7);
        QCOMPARE(period.shapesSpeed, 8);
        QCOMPARE(period.shapesFrequency, 1.5);
        QCOMPARE(period.avgHitDistance, 0.5);
        QCOMPARE(period.avgHitTime, 300.0);
    }

    void consecutivePeriodsNeitherOverlapNorLeaveGaps() {
        Stats stats;
        stats.put(0.0, 0, 0, 0, 5, 5, 1.0, 0.0, 0.0);
        PeriodStats first;
        PeriodStats second;
        stats.put(2000.0, 3, 1, 0, 5, 5, 1.0, 0.4, 100.0);
        QVERIFY(stats.take(first));
        stats.put(4050.0, 7, 2, 2, 5, 5, 1.0, 1.0, 300.0);
        QVERIFY(stats.take(second));
        QCOMPARE(second.periodStart, first.periodStart + first.periodLength);
        QCOMPARE(first.shots + second.shots, 7);
        QCOMPARE(second.hits, 1);
        QCOMPARE(second.avgHitDistance, 0.6);
        QCOMPARE(second.avgHitTime, 200.0);
        QVERIFY(!stats.take(second));
    }

    void aPeriodWithoutHitsHasZeroAverages() {
        Stats stats;
        stats.put(0.0, 0, 4, 0, 5, 5, 1.0, 2.0, 500.0);
        stats.put(2000.0, 6, 4, 1, 5, 5, 1.0, 2.0, 500.0);
        PeriodStats period;
        QVERIFY(stats.take(period));
        QCOMPARE(period.hits, 0);
        QCOMPARE(period.avgHitDistance, 0.0);
        QCOMPARE(period.avgHitTime, 0.0);
    }

    void handOffsFromTwoThreadsLoseNoCount() {
        // The window thread puts while the module thread takes; every shot lands in exactly one period.
        Stats stats;
        constexpr int rounds = 2000;
        std::atomic<bool> done{false};
        int taken = 0;
        std::thread module([&] {
            PeriodStats period;
            while (!done || !stats.noFreshData) {
                if (stats.take(period)) {
                    taken += period.shots;
                }
            }
        });
        stats.put(0.0, 0, 0, 0, 5, 5, 1.0, 0.0, 0.0);
        for (int i = 1; i <= rounds;) {
            if (stats.noFreshData) {
                stats.put(i, i, 0, 0, 5, 5, 1.0, 0.0, 0.0);
                ++i;
            }
        }
        done = true;
        module.join();
        QCOMPARE(taken, rounds);
    }
};

VAZAZO_TEST(TestStats)
#include "test_Stats.moc"
