#include "support/TestMain.h"
#include "learning/LModule.h"
#include "settings/LevelSettingsTarget.h"

#include "support/Waiting.h"

#include <QtTest>

#include <mutex>

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
    explicit RecordingModule(CallLog& log) : log(log) {}
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
} // namespace

class TestLModule : public QObject {
    Q_OBJECT
private slots:
    void theLoopStartsOnceCallsOnePeriodPerHandOffAndFinishesOnce() {
        CallLog log;
        RecordingModule module(log);
        module.periodMs = 2000;
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
        QCOMPARE(LModule::loopSleepMs(5000), 100);
        QCOMPARE(LModule::loopSleepMs(150), 75);
        QCOMPARE(LModule::loopSleepMs(0), 1);
        QCOMPARE(LModule::loopSleepMs(-50), 1);
        CallLog log;
        RecordingModule module(log);
        module.periodMs = 0;
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
        auto module = std::make_unique<RecordingModule>(log);
        module->periodMs = 1;
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
        QCOMPARE(pages.calls, QStringList({"speed 303e 3", "rate 9"}));

        pages.calls.clear();
        module.setLevelParameters({1, 7, LevelParameters::allShapeKinds, -1, -1, 0});
        module.applyLevelParameters(pages);
        QCOMPARE(pages.calls, QStringList({"weapons 7", "size 303e 0"}));
    }
};

VAZAZO_TEST(TestLModule)
#include "test_LModule.moc"
