#include "support/TestMain.h"
#include "records/FrameTiming.h"

#include <QtTest>

namespace {
std::vector<FrameTiming::Frame> evenFrames(int count, double intervalMs, float targetMs) {
    std::vector<FrameTiming::Frame> frames;
    for (int i = 1; i <= count; ++i) {
        frames.push_back({intervalMs * i, intervalMs, targetMs, false});
    }
    return frames;
}
} // namespace

class TestFrameTiming : public QObject {
    Q_OBJECT

private slots:
    void pacedFramesAreLateBeyondATwentiethMoreThanTheirTargetPeriod() {
        auto frames = evenFrames(100, 10.0, 9.0f);
        frames[10].intervalMs = 10.79;
        frames[20].intervalMs = 10.81;
        frames[30].intervalMs = 55.0;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 0.0);
        QCOMPARE(s.game.frames, 100);
        QCOMPARE(s.game.late, 2);
        QCOMPARE(s.game.longestGapMs, 55.0);
        QCOMPARE(s.game.p50Ms, 10.0);
        QCOMPARE(s.game.p99Ms, 10.81);
        QCOMPARE(s.game.targetPeriodMs, 9.0);
        QCOMPARE(s.game.hitTest, QString("CPU"));
        QCOMPARE(FrameTiming::lateLine(s), QString("timing: 2 of 100 frames late, longest gap 55.0 ms"));
    }

    void unlimitedFramesAreJudgedByTheGamesMedian() {
        auto frames = evenFrames(200, 4.0, 0.0f);
        frames[5].intervalMs = 4.9;
        frames[6].intervalMs = 4.7;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 0.0);
        QCOMPARE(s.medianLateLimitMs, 4.8);
        QCOMPARE(s.game.late, 1);
        // One in two hundred is not worth a line in the log.
        QVERIFY(FrameTiming::lateLine(s).isEmpty());
    }

    void periodsAreCutByTheStatisticsIntervalWithTheirOwnFiguresAndHitTest() {
        std::vector<FrameTiming::Frame> frames;
        for (int i = 1; i <= 300; ++i) {
            frames.push_back({10.0 * i, 10.0, 10.0f, i > 150});
        }
        frames[99].intervalMs = 40.0;   // at 1000 ms: second period
        frames[250].intervalMs = 25.0;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 1000.0);
        QCOMPARE(s.periods.size(), 4);
        QCOMPARE(s.periods[0].frames, 99);
        QCOMPARE(s.periods[0].late, 0);
        QCOMPARE(s.periods[1].startMs, qint64(1000));
        QCOMPARE(s.periods[1].frames, 100);
        QCOMPARE(s.periods[1].late, 1);
        QCOMPARE(s.periods[1].longestGapMs, 40.0);
        QCOMPARE(s.periods[1].hitTest, QString("CPU and GPU"));
        QCOMPARE(s.periods[2].late, 1);
        QCOMPARE(s.periods[2].hitTest, QString("GPU"));
        QCOMPARE(s.periods[3].frames, 1);
        QCOMPARE(s.game.late, 2);
        const FrameTiming::Quality back = FrameTiming::qualityFromJson(FrameTiming::qualityToJson(s.periods[1]));
        QCOMPARE(back.late, 1);
        QCOMPARE(back.longestGapMs, 40.0);
        QCOMPARE(back.hitTest, QString("CPU and GPU"));
    }

    void aGameWithoutFramesHasEmptyFigures() {
        const FrameTiming::Summary s = FrameTiming::summarise({}, 5000.0);
        QCOMPARE(s.game.frames, 0);
        QVERIFY(s.periods.isEmpty());
        QVERIFY(FrameTiming::lateLine(s).isEmpty());
    }
};

VAZAZO_TEST(TestFrameTiming)
#include "test_FrameTiming.moc"
