#include "support/TestMain.h"
#include "records/FrameTiming.h"

#include <QtTest>

namespace {
std::vector<FrameTiming::Frame> evenFrames(int count, double intervalMs, float targetMs) {
    std::vector<FrameTiming::Frame> frames;
    for (int i = 1; i <= count; ++i) {
        frames.push_back({intervalMs * i, intervalMs, targetMs, i > 150});
    }
    return frames;
}

QString figures(const FrameTiming::Quality& q) {
    return QString("from %1: %2 frames, %3 late, gap %4, %5")
        .arg(q.startMs)
        .arg(q.frames)
        .arg(q.late)
        .arg(q.longestGapMs)
        .arg(q.hitTest);
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
        QCOMPARE(figures(s.game), QString("from 0: 100 frames, 2 late, gap 55, CPU"));
        QCOMPARE(QList<double>({s.game.p50Ms, s.game.p99Ms, s.game.targetPeriodMs}),
                 QList<double>({10.0, 10.81, 9.0}));
        QCOMPARE(FrameTiming::lateLine(s), QString("timing: 2 of 100 frames late, longest gap 55.0 ms"));
    }

    void unlimitedFramesAreJudgedByTheGamesMedian() {
        auto frames = evenFrames(200, 4.0, 0.0f);
        frames[5].intervalMs = 4.9;
        frames[6].intervalMs = 4.7;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 0.0);
        QCOMPARE(s.medianLateLimitMs, 4.8);
        QCOMPARE(s.game.late, 1);
        // One in two hundred is not worth a line in the log, nor is a game without frames.
        QVERIFY(FrameTiming::lateLine(s).isEmpty());
        const FrameTiming::Summary none = FrameTiming::summarise({}, 5000.0);
        QVERIFY(none.game.frames == 0 && none.periods.isEmpty() && FrameTiming::lateLine(none).isEmpty());
    }

    void periodsAreCutByTheStatisticsIntervalWithTheirOwnFiguresAndHitTest() {
        auto frames = evenFrames(300, 10.0, 10.0f);
        frames[99].intervalMs = 40.0; // at 1000 ms: second period
        frames[250].intervalMs = 25.0;
        const FrameTiming::Summary s = FrameTiming::summarise(frames, 1000.0);
        QStringList periods;
        for (const FrameTiming::Quality& q : s.periods) {
            periods << figures(q);
        }
        QCOMPARE(periods, QStringList({"from 0: 99 frames, 0 late, gap 10, CPU",
                                       "from 1000: 100 frames, 1 late, gap 40, CPU and GPU",
                                       "from 2000: 100 frames, 1 late, gap 25, GPU",
                                       "from 3000: 1 frames, 0 late, gap 10, GPU"}));
        QCOMPARE(s.game.late, 2);
        QCOMPARE(figures(FrameTiming::qualityFromJson(FrameTiming::qualityToJson(s.periods[1]))), periods[1]);
    }
};

VAZAZO_TEST(TestFrameTiming)
#include "test_FrameTiming.moc"
