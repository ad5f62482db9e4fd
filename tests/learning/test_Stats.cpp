#include "support/TestMain.h"
#include "learning/Stats.h"

#include <QtTest>

#include <atomic>
#include <thread>

namespace {
// start length shots hits missed weaponsSpeed shapesSpeed frequency distance time
QList<double> fields(const PeriodStats& p) {
    return {p.periodStart,        p.periodLength,      1.0 * p.shots,     1.0 * p.hits,     1.0 * p.missed,
            1.0 * p.weaponsSpeed, 1.0 * p.shapesSpeed, p.shapesFrequency, p.avgHitDistance, p.avgHitTime};
}
} // namespace

class TestStats : public QObject {
    Q_OBJECT
private slots:
    void periodsCountTheDifferencesBetweenHandOffsWithoutOverlapOrGap() {
        Stats stats;
        PeriodStats first;
        stats.put(1000.0, 5, 3, 1, 4, 6, 0.5, 2.0, 900.0);
        // The first hand-off only fixes the base.
        QVERIFY(!stats.take(first));
        stats.put(3100.0, 9, 5, 4, 7, 8, 1.5, 3.0, 1500.0);
        QVERIFY(stats.take(first));
        QCOMPARE(fields(first), QList<double>({1000, 2100, 4, 2, 3, 7, 8, 1.5, 0.5, 300}));
        QVERIFY(!stats.take(first));
        // The next period starts where this one ended; without hits its averages are 0.
        stats.put(5200.0, 12, 5, 6, 2, 3, 0.25, 3.0, 1500.0);
        QVERIFY(stats.take(first));
        QCOMPARE(fields(first), QList<double>({3100, 2100, 3, 0, 2, 2, 3, 0.25, 0, 0}));

        stats.resetBase();
        stats.put(9000.0, 20, 9, 9, 7, 8, 1.5, 5.0, 2000.0);
        QVERIFY(!stats.take(first));
        QCOMPARE(stats.baseTime.load(), 9000.0);
    }

    void handOffsFromTwoThreadsLoseNoCount() {
        // The window thread keeps putting running totals while the module thread takes periods;
        // every shot must land in exactly one period however the two interleave. Neither side
        // waits for the other, so a loaded machine only changes how the shots are split.
        Stats stats;
        constexpr int rounds = 1000000;
        std::atomic<bool> started{false};
        std::atomic<bool> done{false};
        int taken = 0;
        int torn = 0;
        std::thread module([&] {
            PeriodStats period;
            started = true;
            while (!done || !stats.noFreshData) {
                if (stats.take(period)) {
                    taken += period.shots;
                    // Each hand-off moves every total by the same amount, so a period that mixes
                    // two hand-offs shows up as unequal counts.
                    torn += period.hits != period.shots || period.missed != period.shots ||
                            period.periodLength != period.shots || period.avgHitTime != 1.0;
                }
            }
        });
        while (!started) {
            std::this_thread::yield();
        }
        stats.put(0.0, 0, 0, 0, 5, 5, 1.0, 0.0, 0.0);
        for (int i = 1; i <= rounds; ++i) {
            stats.put(i, i, i, i, 5, 5, 1.0, i, i);
        }
        done = true;
        module.join();
        QCOMPARE(taken, rounds);
        QCOMPARE(torn, 0);
    }
};

VAZAZO_TEST(TestStats)
#include "test_Stats.moc"
