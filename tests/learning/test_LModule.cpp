#include "support/TestMain.h"
#include "learning/LModule.h"
#include "settings/LevelSettingsTarget.h"

#include "support/ManualCounter.h"
#include "support/Waiting.h"

#include <QtTest>

#include <mutex>
#include <vector>

namespace {
// Records what the loop calls, in order.
class RecordingModule : public LModule {
public:
    using LModule::LModule;
    ~RecordingModule() override { stopAndWait(); }

    std::vector<char> calls() {
        std::lock_guard guard(mutex);
        return log;
    }
    std::vector<PeriodStats> periods() {
        std::lock_guard guard(mutex);
        return taken;
    }

protected:
    void start() override { record('s'); }
    void onPeriod() override {
        std::lock_guard guard(mutex);
        log.push_back('p');
        taken.push_back(period);
    }
    void finish() override { record('f'); }

private:
    void record(char c) {
        std::lock_guard guard(mutex);
        log.push_back(c);
    }
    std::mutex mutex;
    std::vector<char> log;
    std::vector<PeriodStats> taken;
};

class RecordingPages : public LevelSettingsTarget {
public:
    void setWeaponsSpeed(int p) override { calls << QString("weapons %1").arg(p); }
    void setShapeSpeed(int mask, int p) override { calls << QString("speed %1 %2").arg(mask, 0, 16).arg(p); }
    void setShapeSize(int mask, int p) override { calls << QString("size %1 %2").arg(mask, 0, 16).arg(p); }
    void setTargetsPerSecond(int p) override { calls << QString("rate %1").arg(p); }
    QStringList calls;
};

// Feeds the module the way the game does once per tick.
void feed(LModule& module, double now, int shots, int hits) {
    if (module.wantsHandOff(now)) {
        module.put(now, shots, hits, 0, 5, 5, 1.0, hits * 0.5, hits * 100.0);
    }
}
} // namespace

class TestLModule : public QObject {
    Q_OBJECT
private slots:
    void theLoopStartsOnceCallsOnePeriodPerHandOffAndFinishesOnce() {
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        RecordingModule module(clock);
        module.periodMs = 2000;
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return module.calls().size() == 1; }));

        // Ticks every 10 ms of game time for 7 s; the first hand-off only fixes the base.
        int shots = 0;
        for (double now = 1000.0; now <= 8000.0; now += 10.0) {
            ++shots;
            feed(module, now, shots, shots / 10);
            if (!module.noFreshData) {
                QVERIFY(waitUntil([&] { return module.noFreshData.load(); }));
            }
        }
        module.stopAndWait();

        const std::vector<char> calls = module.calls();
        QCOMPARE(calls.front(), 's');
        QCOMPARE(calls.back(), 'f');
        QCOMPARE(std::count(calls.begin(), calls.end(), 'p'), 3);
        const std::vector<PeriodStats> periods = module.periods();
        QCOMPARE(periods[0].periodStart, 1000.0);
        for (std::size_t i = 1; i < periods.size(); ++i) {
            QCOMPARE(periods[i].periodStart, periods[i - 1].periodStart + periods[i - 1].periodLength);
            QVERIFY(periods[i].periodLength >= 2000.0);
        }
    }

    void aRestartedModuleBeginsAFreshFirstPeriod() {
        RecordingModule module;
        module.periodMs = 100;
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return module.calls().size() == 1; }));
        feed(module, 0.0, 0, 0);
        feed(module, 150.0, 3, 1);
        QVERIFY(waitUntil([&] { return module.periods().size() == 1; }));
        module.stopAndWait();
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return module.calls().size() == 4; }));
        QCOMPARE(module.baseTime.load(), Stats::initialBaseTime);
        QVERIFY(module.wantsHandOff(-1000.0));
        module.stopAndWait();
    }

    void aDisabledModuleReturnsAtOnce() {
        RecordingModule module;
        module.disabled = true;
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return !module.running; }));
        QVERIFY(module.calls().empty());
        QVERIFY(!module.wantsHandOff(1e9));
    }

    void theLoopSleepsAHundredMillisecondsOrHalfAShortPeriod() {
        QCOMPARE(LModule::loopSleepMs(5000), 100);
        QCOMPARE(LModule::loopSleepMs(201), 100);
        QCOMPARE(LModule::loopSleepMs(200), 100);
        QCOMPARE(LModule::loopSleepMs(150), 75);
        QCOMPARE(LModule::loopSleepMs(3), 1);
    }

    void aZeroOrNegativeIntervalNeverSpinsAndStillStopsPromptly() {
        QCOMPARE(LModule::loopSleepMs(1), 1);
        QCOMPARE(LModule::loopSleepMs(0), 1);
        QCOMPARE(LModule::loopSleepMs(-50), 1);
        RecordingModule module;
        module.periodMs = 0;
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return module.calls().size() == 1; }));
        QElapsedTimer timer;
        timer.start();
        module.stopAndWait();
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(module.calls().back(), 'f');
    }

    void levelParametersMoveOnlyTheControlsTheyName() {
        RecordingModule module;
        RecordingPages pages;
        module.applyLevelParameters(pages);
        QVERIFY(pages.calls.isEmpty());

        LevelParameters p;
        p.weaponsSpeed = 7; // not applied while bit 0 of applyWeaponsSpeed is clear
        p.shapesSpeed = 3;
        p.targetsPerSecond = 9;
        module.setLevelParameters(p);
        module.applyLevelParameters(pages);
        QCOMPARE(pages.calls, QStringList({"speed 303e 3", "rate 9"}));

        pages.calls.clear();
        p.applyWeaponsSpeed = 1;
        p.shapesSpeed = -1;
        p.targetsPerSecond = -1;
        p.shapesSize = 0;
        module.setLevelParameters(p);
        module.applyLevelParameters(pages);
        QCOMPARE(pages.calls, QStringList({"weapons 7", "size 303e 0"}));
    }
};

VAZAZO_TEST(TestLModule)
#include "test_LModule.moc"
