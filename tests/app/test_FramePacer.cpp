#include "support/TestMain.h"
#include "app/FramePacer.h"

#include "core/WindowMessages.h"

#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

#include <algorithm>

using WindowMessages::WM_TICK;

namespace {
double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<double> intervals(const std::vector<double>& times) {
    std::vector<double> result;
    for (std::size_t i = 1; i < times.size(); ++i) {
        result.push_back(times[i] - times[i - 1]);
    }
    return result;
}
} // namespace

class TestFramePacer : public QObject {
    Q_OBJECT
private slots:
    void ticksArriveAtTheSetPeriod() {
        MessageRecorder window;
        FramePacer pacer(&window);
        // The window answers each tick with a finished frame at once.
        window.onMessage = [&](const MessageRecorder::Received&) { pacer.frameDone(); };
        pacer.framePeriodMs = 40;
        pacer.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) >= 15; }));
        pacer.stopAndWait();
        const double typical = median(intervals(window.times(WM_TICK)));
        QVERIFY2(typical >= 39.0 && typical < 80.0, qPrintable(QString::number(typical)));
    }

    // A tick's paint runs inside the period, not after it: a cycle is the longer of the two.
    void aCycleIsThePeriodOrThePaintWhicheverIsLongerNeverTheirSum() {
        for (const auto& [period, paintMs] : {std::pair{40, 30}, std::pair{10, 30}}) {
            MessageRecorder window;
            FramePacer pacer(&window);
            window.onMessage = [&](const MessageRecorder::Received&) {
                pacer.beginPaint();
                QTimer::singleShot(paintMs, Qt::PreciseTimer, [&] { pacer.frameDone(); });
            };
            pacer.framePeriodMs = period;
            pacer.startIfIdle();
            QVERIFY(waitUntil([&] { return window.count(WM_TICK) >= 12; }));
            pacer.stopAndWait();
            const double typical = median(intervals(window.times(WM_TICK)));
            const double longer = std::max(period, paintMs);
            QVERIFY2(typical >= longer - 1.0 && typical < longer + 0.5 * std::min(period, paintMs) + 5.0,
                     qPrintable(QString("period %1, paint %2: %3 ms").arg(period).arg(paintMs).arg(typical)));
        }
    }

    void noTickIsPostedWhileAFrameIsPainting() {
        MessageRecorder window;
        FramePacer pacer(&window);
        bool painting = false;
        window.onMessage = [&](const MessageRecorder::Received&) {
            // A tick that was on its way when the paint began has its frame in that paint.
            if (!painting) {
                pacer.frameDone();
            }
        };
        pacer.framePeriodMs = 1;
        pacer.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) >= 3; }));
        painting = true;
        pacer.beginPaint();
        const int before = window.count(WM_TICK);
        QTest::qWait(200);
        // At most the tick that was already on its way when the paint began.
        QVERIFY(window.count(WM_TICK) <= before + 1);
        window.received.clear();
        painting = false;
        pacer.frameDone();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) >= 3; }));
        pacer.stopAndWait();
    }

    void theNextTickWaitsForTheFrameOfThePreviousOne() {
        MessageRecorder window;
        FramePacer pacer(&window);
        pacer.framePeriodMs = 1;
        pacer.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) == 1; }));
        QTest::qWait(100);
        QCOMPARE(window.count(WM_TICK), 1);
        pacer.frameDone();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) == 2; }));
        pacer.stopAndWait();
    }

    void aFrameThatNeverComesDoesNotStallTheGame() {
        MessageRecorder window;
        FramePacer pacer(&window);
        pacer.framePeriodMs = 1;
        pacer.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) >= 3; }));
        pacer.stopAndWait();
        const double typical = median(intervals(window.times(WM_TICK)));
        QVERIFY(typical >= FramePacer::frameWaitLimitMs - 5);
    }

    void aStopEndsThePacerEvenWhileItWaitsForAFrame() {
        MessageRecorder window;
        FramePacer pacer(&window);
        pacer.framePeriodMs = 66;
        pacer.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(WM_TICK) == 1; }));
        QElapsedTimer timer;
        timer.start();
        pacer.stopAndWait();
        QVERIFY(timer.elapsed() < FramePacer::frameWaitLimitMs);
        QVERIFY(!pacer.running);
    }
};

VAZAZO_TEST(TestFramePacer)
#include "test_FramePacer.moc"
