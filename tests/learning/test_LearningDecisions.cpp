#include "support/TestMain.h"
#include "learning/CLearning.h"

#include "learning/TLearning.h"
#include "records/DecisionLog.h"
#include "settings/LevelSettingsTarget.h"
#include "support/ManualCounter.h"
#include "support/MessageRecorder.h"

#include <QtTest>

namespace {
template <typename Module> struct Judged : Module {
    Judged(QObject* window, Clock& clock) : Module(window, clock) {}
    using Module::onPeriod;
    using Module::start;
    void periodOf(int shots, int missed, int hits, double distance) {
        this->period = PeriodStats{.periodStart = 5000.0, .periodLength = 5000.0, .shots = shots, .hits = hits,
                                   .missed = missed, .avgHitDistance = distance};
        onPeriod();
    }
};

struct NoPages : LevelSettingsTarget {
    void setWeaponsSpeed(int) override {}
    void setShapeSpeed(int, int) override {}
    void setShapeSize(int, int) override {}
    void setTargetsPerSecond(int) override {}
};
} // namespace

class TestLearningDecisions : public QObject {
    Q_OBJECT

private slots:
    void theClassicalMethodNotesEveryJudgedPeriodWithInputsLevelsChangesAndWhenTheyArrived() {
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        MessageRecorder window;
        Judged<CLearning> method(&window, clock);
        DecisionLog log;
        const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        log.setCalendar([&] { return noon; });
        log.reset("classical", 0.0);
        method.setDecisionLog(&log);
        ClassicalThresholds thresholds;
        thresholds.pm1Lower = 0;
        thresholds.pm1Upper = 2.5;
        thresholds.pm2Lower = 0.333;
        thresholds.pm2Upper = 0.666;
        thresholds.useDistance = true;
        method.setThresholds(thresholds);
        method.start();
        NoPages pages;
        method.applyLevelParameters(pages);

        method.periodOf(9, 0, 4, 0.2); // good: level 2 -> 3
        counter->ticks += 12 * Clock::initialTicksPerMs;
        method.applyLevelParameters(pages);
        method.periodOf(8, 1, 3, 0.2); // in between: stays
        method.periodOf(7, 3, 1, 0.5); // bad: 3 -> 2

        const QList<DecisionLog::Row> rows = log.rows();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].kind, QString("start"));
        QCOMPARE(rows[0].stateAfter["level"].toInt(), 2);
        QVERIFY(rows[0].reachedMs.has_value());

        const DecisionLog::Row& good = rows[1];
        QCOMPARE(good.kind, QString("period"));
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
        QVERIFY(good.reachedMs.has_value());
        QVERIFY(*good.reachedMs >= good.timeMs + 12.0);

        QVERIFY(rows[2].changes.isEmpty());
        QVERIFY(!rows[2].reachedMs);
        QCOMPARE(rows[3].stateAfter["level"].toInt(), 2);
        // Posted, not yet applied by the window.
        QVERIFY(!rows[3].reachedMs);
        QCOMPARE(DecisionLog::rowToJson(rows[2])["decision"].toString(), QString("unchanged"));

        const QList<DecisionLog::Row> back = DecisionLog::rowsFromJson(log.toJson());
        QCOMPARE(back.size(), 4);
        QCOMPARE(back[1].changes[0].from, std::optional<int>(8));
        QCOMPARE(back[1].inputs, good.inputs);
    }

    void theExperimentalMethodNotesEachStepAndThePeriodsAfterTheLast() {
        auto counter = std::make_shared<ManualCounter>();
        Clock clock(counter);
        MessageRecorder window;
        Judged<TLearning> method(&window, clock);
        method.setSeedSource([] { return 7u; });
        DecisionLog log;
        method.setDecisionLog(&log);
        method.start();
        for (int i = 0; i < 4; ++i) {
            method.periodOf(5, 1, 2, 0.1);
        }
        const QList<DecisionLog::Row> rows = log.rows();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[1].stateBefore["step"].toInt(), 0);
        QCOMPARE(rows[1].stateAfter["step"].toInt(), 1);
        QVERIFY(!rows[1].changes.isEmpty());
        QCOMPARE(rows[1].inputs["missed"].toInt(), 1);
        QCOMPARE(rows[3].stateBefore["step"].toInt(), 2);
        QVERIFY(rows[3].changes.isEmpty());
        QVERIFY(rows[4].changes.isEmpty());
    }
};

VAZAZO_TEST(TestLearningDecisions)
#include "test_LearningDecisions.moc"
