#include "support/TestMain.h"
#include "learning/LearningMethods.h"

#include "learning/CLearning.h"
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

#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

using namespace WindowMessages;

namespace {
// Runs the hooks on the test's thread, one chosen period at a time.
template <typename Module> struct Driven : Module {
    explicit Driven(QObject* window, Clock& clock = Clock::program()) : Module(window, clock) {}
    using Module::onPeriod;
    using Module::start;
    void periodOf(int missed, int hits, double distance, double ageMs = 0.0) {
        this->period = PeriodStats{.periodStart = 5000.0,
                                   .periodLength = 5000.0,
                                   .shots = hits + 5,
                                   .hits = hits,
                                   .missed = missed,
                                   .avgHitDistance = distance,
                                   .avgHitTime = ageMs};
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

struct NoPages : LevelSettingsTarget {
    void setWeaponsSpeed(int) override {}
    void setShapeSpeed(int, int) override {}
    void setShapeSize(int, int) override {}
    void setTargetsPerSecond(int) override {}
};
} // namespace

class TestLearningMethods : public QObject {
    Q_OBJECT
private slots:
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
        NoPages pages;
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
        QCOMPARE(good.inputs["shots"].toInt(), 9);
        QCOMPARE(good.inputs["hits"].toInt(), 4);
        QCOMPARE(good.inputs["pm2"].toDouble(), 0.2);
        QCOMPARE(good.inputs["measure"].toString(), QString("distance"));
        QCOMPARE(good.stateBefore["level"].toInt(), 2);
        QCOMPARE(good.stateAfter["level"].toInt(), 3);
        QCOMPARE(good.changes.size(), 3);
        QCOMPARE(good.changes[0].parameter, QString("weaponsSpeed"));
        QCOMPARE(good.changes[0].from, std::optional<int>(8));
        QCOMPARE(good.changes[0].to, 7);
        QVERIFY(*good.reachedMs >= good.timeMs + 12.0);
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

VAZAZO_TEST(TestLearningMethods)
#include "test_LearningMethods.moc"
