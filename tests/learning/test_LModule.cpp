#include "support/TestMain.h"
#include "learning/LModule.h"
#include "learning/Stats.h"
#include "settings/LevelSettingsTarget.h"

#include "support/Waiting.h"

#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {
// What the loop called, in order: s(tart), p(eriod) with its start and length, f(inish).
struct CallLog {
    QString calls() {
        std::lock_guard guard(mutex);
        return log.join(' ');
    }
    void add(const QString& call) {
        std::lock_guard guard(mutex);
        log << call;
    }
    std::mutex mutex;
    QStringList log;
};

// Leaves stopping the loop to its base; the log it writes to outlives it.
struct RecordingModule : LModule {
    explicit RecordingModule(CallLog& log, int periodMs) : log(log) { this->periodMs = periodMs; }
    void start() override { log.add("s"); }
    void onPeriod() override { log.add(QString("p%1+%2").arg(period.periodStart).arg(period.periodLength)); }
    void finish() override { log.add("f"); }
    CallLog& log;
};

struct RecordingPages : LevelSettingsTarget {
    void setWeaponsSpeed(int p) override { calls << QString("weapons %1").arg(p); }
    void setShapeSpeed(int mask, int p) override { calls << QString("speed %1 %2").arg(mask, 0, 16).arg(p); }
    void setShapeSize(int mask, int p) override { calls << QString("size %1 %2").arg(mask, 0, 16).arg(p); }
    void setTargetsPerSecond(int p) override { calls << QString("rate %1").arg(p); }
    QStringList calls;
};

// start length shots hits missed weaponsSpeed shapesSpeed frequency distance time
QList<double> fields(const PeriodStats& p) {
    return {p.periodStart,        p.periodLength,      1.0 * p.shots,     1.0 * p.hits,     1.0 * p.missed,
            1.0 * p.weaponsSpeed, 1.0 * p.shapesSpeed, p.shapesFrequency, p.avgHitDistance, p.avgHitTime};
}
} // namespace

class TestLModule : public QObject {
    Q_OBJECT
private slots:
    void theLoopStartsOnceCallsOnePeriodPerHandOffAndFinishesOnce() {
        CallLog log;
        RecordingModule module(log, 2000);
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return log.calls() == "s"; }));

        // Ticks every 10 ms of game time for 7 s; the first hand-off only fixes the base.
        for (double now = 1000.0; now <= 8000.0; now += 10.0) {
            if (module.wantsHandOff(now)) {
                module.put(now, 0, 0, 0, 5, 5, 1.0, 0.0, 0.0);
                QVERIFY(waitUntil([&] { return module.noFreshData.load(); }));
            }
        }
        module.stopAndWait();
        QCOMPARE(log.calls(), QString("s p1000+2000 p3000+2000 p5000+2000 f"));

        // A restarted loop begins a fresh first period.
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return log.calls().endsWith("f s"); }));
        QVERIFY(module.wantsHandOff(-1000.0));
    }

    void theLoopWakesEvery100MsOrTwicePerShortPeriodAndNeverSpins() {
        QCOMPARE(QList<int>({LModule::loopSleepMs(5000), LModule::loopSleepMs(150), LModule::loopSleepMs(0),
                             LModule::loopSleepMs(-50)}),
                 QList<int>({100, 75, 1, 1}));
        CallLog log;
        RecordingModule module(log, 0);
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return log.calls() == "s"; }));
        module.stopAndWait();
        QCOMPARE(log.calls(), QString("s f"));
        // A disabled module returns at once and is never fed.
        module.disabled = true;
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return !module.running; }));
        QCOMPARE(log.calls(), QString("s f"));
        QVERIFY(!module.wantsHandOff(1e9));
    }

    void aModuleDestroyedWhileItsLoopRunsStopsTheLoopFirst() {
        CallLog log;
        auto module = std::make_unique<RecordingModule>(log, 1);
        module->startIfIdle();
        QVERIFY(waitUntil([&] { return log.calls() == "s"; }));
        module.reset();
        // The loop ended before the base went: no hook of a half-destroyed module was called.
        QTest::qWait(20);
        QCOMPARE(log.calls(), QString("s"));
    }

    void levelParametersMoveOnlyTheControlsTheyName() {
        LModule module;
        RecordingPages pages;
        module.applyLevelParameters(pages);
        QVERIFY(pages.calls.isEmpty());
        // Weapons speed 7 is not applied while bit 0 of applyWeaponsSpeed is clear.
        module.setLevelParameters({0, 7, LevelParameters::allShapeKinds, 3, 9, -1});
        module.applyLevelParameters(pages);
        module.setLevelParameters({1, 7, LevelParameters::allShapeKinds, -1, -1, 0});
        module.applyLevelParameters(pages);
        QCOMPARE(pages.calls, QStringList({"speed 303e 3", "rate 9", "weapons 7", "size 303e 0"}));
    }

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

VAZAZO_TEST(TestLModule)
#include "test_LModule.moc"
