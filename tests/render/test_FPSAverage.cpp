#include "support/TestMain.h"
#include "render/FPSAverage.h"
#include "render/Timer.h"

#include "support/MessageRecorder.h"

#include <QtTest>

// The frame rate and the countdown, which post to the main window.
class TestFPSAverage : public QObject {
    Q_OBJECT
private slots:
    void theAverageCoversTheNewestSamplesOfAtLeast1500MsInEightSlots() {
        FPSAverage meter(nullptr);
        QCOMPARE(meter.sample(60, 0.0), 0.0);
        QCOMPARE(meter.sample(60, 1000.0), 60.0);
        // After a reset the first sample is 0 again, and one at the same instant divides by nothing.
        meter.reset();
        QCOMPARE(meter.sample(60, 5000.0), 0.0);
        QCOMPARE(meter.sample(5, 5000.0), 0.0);
        // Old samples at 10 fps, newer ones at 50 fps: 400 ms each, so the newest four count.
        double now = 5000.0;
        for (int frames : {4, 4, 4, 20, 20, 20, 20}) {
            now += 400.0;
            meter.sample(frames, now);
        }
        QCOMPARE(meter.sample(20, now + 400.0), 80 * 1000.0 / 1600.0);

        meter.reset();
        meter.sample(0, 0.0);
        now = 0.0;
        for (int i = 0; i < 8; ++i) {
            now += 100.0;
            meter.sample(1, now); // 10 fps
        }
        // The ninth sample replaces the first; all eight slots together span only 800 ms.
        now += 100.0;
        QCOMPARE(meter.sample(9, now), 16 * 1000.0 / 800.0);
        now += 100.0;
        QCOMPARE(meter.sample(9, now), 24 * 1000.0 / 800.0);
    }

    void theCountdownShowsMinutesAndSecondsAndOnlyANegativeRemainderEndsItOnce() {
        const QStringList texts{Timer::text(65000), Timer::text(600000), Timer::text(9999),
                                Timer::text(42000.9), Timer::text(0)};
        QCOMPARE(texts, QStringList({"1:05", "10:00", "0:09", "0:42", "0:00"}));
        MessageRecorder window;
        Timer timer(&window);
        timer.start(1000.0, 31000.0);
        QVERIFY(!timer.advance(31000.0) && !timer.advance(32000.0)); // exactly 0 left
        QVERIFY(timer.running && timer.advance(32000.5));
        QVERIFY(!timer.running && timer.remaining == 0.0 && !timer.advance(40000.0));
        QCoreApplication::processEvents();
        QCOMPARE(window.count(WindowMessages::WM_TIME_UP), 1);
    }
};

VAZAZO_TEST(TestFPSAverage)
#include "test_FPSAverage.moc"
