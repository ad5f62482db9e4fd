#include "support/TestMain.h"
#include "app/FramePacer.h"

#include "core/WindowMessages.h"

#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

#include <algorithm>

using WindowMessages::WM_TICK;

namespace {
// A pacer started at periodMs on a window that, unless told otherwise, never shows a frame.
struct Paced {
    MessageRecorder window;
    FramePacer pacer{&window};

    explicit Paced(int periodMs) {
        pacer.framePeriodMs = periodMs;
        pacer.startIfIdle();
    }
    bool ticked(int atLeast) {
        return waitUntil([&] { return window.count(WM_TICK) >= atLeast; });
    }
    // The median time between ticks.
    double typicalInterval() const {
        const std::vector<double> times = window.times(WM_TICK);
        std::vector<double> intervals;
        for (std::size_t i = 1; i < times.size(); ++i) {
            intervals.push_back(times[i] - times[i - 1]);
        }
        std::sort(intervals.begin(), intervals.end());
        return intervals[intervals.size() / 2];
    }
};
} // namespace

class TestFramePacer : public QObject {
    Q_OBJECT
private slots:
    // A tick's paint runs inside the period, not after it: a cycle is the longer of the two.
    void aCycleIsThePeriodOrThePaintWhicheverIsLongerNeverTheirSum() {
        for (const auto& [period, paintMs] : {std::pair{40, 0}, std::pair{40, 30}, std::pair{10, 30}}) {
            Paced paced(period);
            paced.window.onMessage = [&](const MessageRecorder::Received&) {
                paced.pacer.beginPaint();
                QTimer::singleShot(paintMs, Qt::PreciseTimer, &paced.window, [&] { paced.pacer.frameDone(); });
            };
            QVERIFY(paced.ticked(12));
            paced.pacer.stopAndWait();
            const double typical = paced.typicalInterval();
            const double longer = std::max(period, paintMs);
            const double slack = paintMs > 0 ? 0.5 * std::min(period, paintMs) + 5.0 : longer;
            QVERIFY2(typical >= longer - 1.0 && typical < longer + slack,
                     qPrintable(QString("period %1, paint %2: %3 ms").arg(period).arg(paintMs).arg(typical)));
        }
    }

    // A paint no tick asked for (the window resized, say) holds the next tick as a tick's paint does.
    void noTickIsPostedWhileAFrameIsPainting() {
        Paced paced(1);
        paced.window.onMessage = [&](const MessageRecorder::Received&) {
            paced.pacer.frameDone();
            paced.pacer.beginPaint();
        };
        QVERIFY(paced.ticked(1));
        QTest::qWait(300);
        QVERIFY2(paced.window.count(WM_TICK) < 10, qPrintable(QString::number(paced.window.count(WM_TICK))));
    }

    // The next tick waits for the previous one's frame, but a frame that never comes only slows
    // the game to the wait's limit, and a stop ends the wait at once.
    void aFrameThatNeverComesHoldsTheNextTickOnlyUntilTheLimit() {
        Paced paced(1);
        QVERIFY(paced.ticked(1));
        QTest::qWait(100);
        QCOMPARE(paced.window.count(WM_TICK), 1);
        QVERIFY(paced.ticked(3));
        QVERIFY(paced.typicalInterval() >= FramePacer::frameWaitLimitMs - 5);
        QElapsedTimer timer;
        timer.start();
        paced.pacer.stopAndWait();
        // Generous on a loaded machine; a stop that waits out the frame takes the whole limit.
        QVERIFY2(timer.elapsed() < FramePacer::frameWaitLimitMs / 2 && !paced.pacer.running,
                 qPrintable(QString::number(timer.elapsed())));
    }
};

VAZAZO_TEST(TestFramePacer)
#include "test_FramePacer.moc"
