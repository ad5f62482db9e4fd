#include "support/TestMain.h"
#include "app/FramePacer.h"

#include "core/WindowMessages.h"

#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

#include <algorithm>

using WindowMessages::WM_TICK;

namespace {
// A pacer started at periodMs on a window that answers each tick with onTick (none: the frame never comes).
struct Paced {
    MessageRecorder window;
    FramePacer pacer{&window};

    explicit Paced(int periodMs, std::function<void()> onTick = {}) {
        if (onTick) {
            window.onMessage = [onTick](const MessageRecorder::Received&) { onTick(); };
        }
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
                QTimer::singleShot(paintMs, Qt::PreciseTimer, [&] { paced.pacer.frameDone(); });
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

    void noTickIsPostedWhileAFrameIsPainting() {
        bool painting = false;
        Paced paced(1);
        // A tick that was on its way when the paint began has its frame in that paint.
        paced.window.onMessage = [&](const MessageRecorder::Received&) {
            if (!painting) {
                paced.pacer.frameDone();
            }
        };
        QVERIFY(paced.ticked(3));
        painting = true;
        paced.pacer.beginPaint();
        const int before = paced.window.count(WM_TICK);
        QTest::qWait(200);
        QVERIFY(paced.window.count(WM_TICK) <= before + 1);
        paced.window.received.clear();
        painting = false;
        paced.pacer.frameDone();
        QVERIFY(paced.ticked(3));
        paced.pacer.stopAndWait();
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
        const qint64 stopMs = timer.elapsed();
        QVERIFY2(stopMs < FramePacer::frameWaitLimitMs / 2, qPrintable(QString::number(stopMs)));
        QVERIFY(!paced.pacer.running);
    }
};

VAZAZO_TEST(TestFramePacer)
#include "test_FramePacer.moc"
