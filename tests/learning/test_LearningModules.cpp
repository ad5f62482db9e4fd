#include "support/TestMain.h"
#include "learning/LearningMethods.h"

#include "learning/CLearning.h"
#include "learning/Stats.h"
#include "learning/TLearning.h"
#include "records/DecisionLog.h"
#include "scene/SceneRandom.h"
#include "settings/LevelSettingsTarget.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "settings/TabClassicalLearning.h"
#include "support/ManualCounter.h"
#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace WindowMessages;

namespace {
// Runs the hooks on the test's thread, one chosen period at a time.
template <typename Module> struct Driven : Module {
    explicit Driven(QObject* window, Clock& clock = Clock::program()) : Module(window, clock) {}
    using Module::onPeriod;
    using Module::start;
    void periodOf(int missed, int hits, double distance, double ageMs = 0.0) {
        // start, length, frequency, shots, hits, missed, weapons and shapes speed, distance, age
        this->period = PeriodStats{5000.0, 5000.0, 0.0, hits + 5, hits, missed, 0, 0, distance, ageMs};
        onPeriod();
    }
};

// What the module asks for: apply flag, weapons speed, shapes speed, size, rate, for all kinds.
QList<int> posted(const LModule& m) {
    const LevelParameters p = m.levelParameters();
    return {p.applyWeaponsSpeed, p.weaponsSpeed,     p.shapesSpeed,
            p.shapesSize,        p.targetsPerSecond, p.shapeKinds == LevelParameters::allShapeKinds};
}

int applies(MessageRecorder& window) {
    QCoreApplication::processEvents();
    return window.count(WM_APPLY_LEVEL_PARAMETERS);
}

// Offers the totals every 10 ms of game time, as the game's ticks do, until the module has taken
// one period. Call it only once the loop is running, or its fresh start would drop the offer.
bool feedPeriod(LModule& m, double& now) {
    for (int tick = 0; tick < 1000; ++tick, now += 10.0) {
        if (m.wantsHandOff(now)) {
            m.put(now, 0, 0, 0, 5, 5, 1.0, 0.0, 0.0);
            if (!m.noFreshData) {
                return waitUntil([&] { return m.noFreshData.load(); });
            }
        }
    }
    return false;
}

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

class TestLearningModules : public QObject {
    Q_OBJECT
private slots:
    void theLoopStartsOnceCallsOnePeriodPerHandOffAndFinishesOnce() {
        CallLog log;
        RecordingModule module(log, 2000);
        module.startIfIdle();
        QVERIFY(waitUntil([&] { return log.calls() == "s"; }));

        // Ticks from 1 s of game time; the first hand-off only fixes the base.
        double now = 1000.0;
        for (int period = 0; period < 3; ++period) {
            QVERIFY(feedPeriod(module, now));
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

    void classicalLevelFollowsTheMeasuresAndNotesEachJudgedPeriod() {
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        MessageRecorder window;
        Driven<CLearning> c(&window, clock);
        DecisionLog log;
        const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        log.setCalendar([&] { return noon; });
        log.reset("classical", 0.0);
        c.setDecisionLog(&log);
        c.start();
        RecordingPages pages;
        c.applyLevelParameters(pages);
        QCOMPARE(applies(window), 1);
        QCOMPARE(window.received.back().lParam, reinterpret_cast<std::intptr_t>(static_cast<LModule*>(&c)));
        QCOMPARE(posted(c), QList<int>({1, 8, 2, 8, -1, 1}));

        c.periodOf(0, 4, 0.2, 900.0); // good by distance: harder
        QCOMPARE(c.level(), 3);
        QCOMPARE(applies(window), 2);
        QCOMPARE(posted(c), QList<int>({1, 7, 3, 7, -1, 1}));
        // The window applies it 12 ms later on the controlled clock.
        counter->ticks += 12 * Clock::initialTicksPerMs;
        c.applyLevelParameters(pages);
        c.periodOf(1, 4, 0.2, 900.0); // between the missed thresholds
        c.periodOf(0, 4, 0.5, 900.0); // between the distance thresholds
        QCOMPARE(c.level(), 3);
        QCOMPARE(applies(window), 2);
        c.periodOf(3, 4, 0.0); // too many missed, whatever the distance
        QCOMPARE(c.level(), 2);

        const QList<DecisionLog::Row> rows = log.rows();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].stateAfter["level"].toInt(), 2);
        QVERIFY(rows[0].reachedMs.has_value());
        const DecisionLog::Row& good = rows[1];
        QCOMPARE(good.time, noon);
        QCOMPARE(QJsonArray({good.inputs["shots"], good.inputs["hits"], good.inputs["pm2"],
                             good.inputs["measure"], good.stateBefore["level"], good.stateAfter["level"]}),
                 QJsonArray({9, 4, 0.2, "distance", 2, 3}));
        QCOMPARE(good.changes.size(), 3);
        QCOMPARE(DecisionLog::rowToJson(good)["decision"][0],
                 QJsonValue(QJsonObject{{"parameter", "weaponsSpeed"}, {"from", 8}, {"to", 7}}));
        QVERIFY(good.reachedMs >= good.timeMs + 12.0);
        QVERIFY(rows[2].changes.isEmpty() && !rows[2].reachedMs);
        QCOMPARE(DecisionLog::rowToJson(rows[2])["decision"].toString(), QString("unchanged"));
        // Posted, not yet applied by the window.
        QCOMPARE(rows[4].stateAfter["level"].toInt(), 2);
        QVERIFY(!rows[4].reachedMs);
        const QList<DecisionLog::Row> back = DecisionLog::rowsFromJson(log.toJson());
        QCOMPARE(back.size(), 5);
        QCOMPARE(back[1].changes[0].from, std::optional<int>(8));
        QCOMPARE(back[1].inputs, good.inputs);

        // By time, ages in ms exceed the thresholds whenever there was a hit; without hits only
        // the missed count decides.
        c.setThresholds({2.5, 0.0, 0.666, 0.333, false});
        c.periodOf(0, 4, 0.1, 800.0);
        QCOMPARE(c.level(), 1);
        for (int i = 0; i < 13; ++i) {
            c.periodOf(0, 0, 0.0);
        }
        QCOMPARE(c.level(), 10);
        QCOMPARE(applies(window), 4 + 9);
        for (int i = 0; i < 12; ++i) {
            c.periodOf(5, 0, 0.0);
        }
        QCOMPARE(c.level(), 0);
        QCOMPARE(applies(window), 13 + 10);
        QCOMPARE(posted(c), QList<int>({1, 10, 0, 10, -1, 1}));
    }

    void thresholdsAreReadFromThePage() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("settings.ini"));
        TabClassicalLearning page(store);
        page.findChild<QLineEdit*>("pm2Upper")->setText("lots");
        page.findChild<QLineEdit*>("pm1Lower")->setText("1.5");
        for (QRadioButton* r : page.findChildren<QRadioButton*>()) {
            r->setChecked(r->text() == "time for which target lived");
        }
        const ClassicalThresholds t = readClassicalThresholds(page);
        QCOMPARE(QList<double>({t.pm1Lower, t.pm1Upper, t.pm2Lower, t.pm2Upper}),
                 QList<double>({1.5, 2.5, 0.333, 0.0}));
        QVERIFY(!t.useDistance);
    }

    void experimentalPostsThreeDistinctSettingsNotesEachStepAndLeavesTheGameGeneratorAlone() {
        std::set<int> firstRows;
        for (std::uint32_t seed = 1; seed <= 40; ++seed) {
            MessageRecorder window;
            Driven<TLearning> t(&window);
            t.setSeedSource([seed] { return seed; });
            DecisionLog log;
            t.setDecisionLog(&log);
            SceneRandom::seed(77);
            t.start();
            const int gameDraw = SceneRandom::next();
            SceneRandom::seed(77);
            QCOMPARE(gameDraw, SceneRandom::next());

            const auto rows = t.rows();
            const auto rates = t.rates();
            QCOMPARE(std::set<int>(rows.begin(), rows.end()).size(), std::size_t(3));
            QCOMPARE(std::set<int>(rates.begin(), rates.end()).size(), std::size_t(3));
            for (int step = 0; step < 5; ++step) {
                const int s = std::min(step, 2);
                QVERIFY(rows[s] % 2 == 0 && rows[s] >= 0 && rows[s] <= 8);
                const int weapons = TLearning::schedule[rows[s]];
                QCOMPARE(posted(t), QList<int>({1, weapons, TLearning::schedule[rows[s] + 1], 10 - weapons,
                                                rates[s], 1}));
                t.periodOf(1, 2, 0.1);
            }
            QCOMPARE(applies(window), 3);
            QCOMPARE(window.count(WM_CLEAR_FIELD), 2);
            // Each step is noted with its period; the periods after the last change nothing.
            const QList<DecisionLog::Row> notes = log.rows();
            QCOMPARE(notes.size(), 6);
            QCOMPARE(notes[1].inputs["missed"].toInt(), 1);
            QCOMPARE(notes[1].stateBefore["step"].toInt(), 0);
            QCOMPARE(notes[1].stateAfter["step"].toInt(), 1);
            QVERIFY(!notes[1].changes.isEmpty() && !notes[2].changes.isEmpty());
            QCOMPARE(notes[3].stateBefore["step"].toInt(), 2);
            QVERIFY(notes[3].changes.isEmpty() && notes[5].changes.isEmpty());
            firstRows.insert(rows[0]);
        }
        // The draw reaches every row, so it is not stuck on one candidate.
        QCOMPARE(firstRows.size(), std::size_t(5));
    }

    void onlyTheSelectedMethodRunsAndOnlyAtAuto() {
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        counter->ticks = 700 * Clock::initialTicksPerMs;
        MessageRecorder window;
        LearningMethods methods(&window, clock);
        QCOMPARE(LearningMethods::methodIndex(SettingKeys::learningMethodReinforcement), 1);
        QCOMPARE(LearningMethods::methodIndex(SettingKeys::learningMethodExperimental), 2);
        QCOMPARE(LearningMethods::methodIndex(0), 0);

        methods.startGame(LearningMethods::classicalMethod, 1, 50, {});
        QVERIFY(methods.active() == nullptr);

        // "Reinforcement learning" takes a period and changes nothing.
        methods.startGame(LearningMethods::reinforcementMethod, 0, 50, {});
        LModule* running = methods.active();
        QVERIFY(running == &methods.module(1));
        QVERIFY(waitUntil([&] { return running->moduleStartMs == 700; }));
        QTest::qWait(50);
        double now = 0.0;
        QVERIFY(feedPeriod(*running, now));
        QVERIFY(window.received.empty());

        // A closing dialog switches to the classical method, which starts afresh and reacts.
        methods.settingsClosed(LearningMethods::classicalMethod, 0, 50, {9.0, 9.0, 9.0, 9.0, true}, true);
        QVERIFY(!running->running);
        QCOMPARE(methods.active(), &methods.module(0));
        QCOMPARE(methods.classical().thresholds().pm1Upper, 9.0);
        QVERIFY(waitUntil([&] { return window.count(WM_APPLY_LEVEL_PARAMETERS) == 1; }));
        QVERIFY(feedPeriod(methods.classical(), now));
        QVERIFY(waitUntil([&] { return window.count(WM_APPLY_LEVEL_PARAMETERS) == 2; }));
        QCOMPARE(methods.classical().level(), 3);

        methods.stop();
        QVERIFY(methods.active() == nullptr);
        methods.settingsClosed(LearningMethods::experimentalMethod, 0, 50, {}, false);
        QCOMPARE(methods.selected(), 2);
        QVERIFY(methods.active() == nullptr);
    }
};

VAZAZO_TEST(TestLearningModules)
#include "test_LearningModules.moc"
