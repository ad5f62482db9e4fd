#include "support/TestMain.h"
#include "render/DigitCounter.h"

#include "core/Notice.h"
#include "render/FPSAverage.h"
#include "render/FramePainter.h"
#include "render/Timer.h"
#include "render/ZornOpenGL.h"

#include "support/MessageRecorder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {
// Digit whose place in the counter image faces the viewer. Strip k starts at column 164 * k and is
// 328 wide, wrapped once around the wheel whose front is 270 degrees past its seam; the image lays
// digit d at column 1148 - d * 328 / 3, so digits repeat every 3280 / 3 columns.
double facingDigit(const DigitWheel& wheel) {
    double s = 1.0 - (270.0 + wheel.wheelAngle) / 360.0;
    s -= std::floor(s);
    const double column = 164.0 * wheel.textureIndex + 328.0 * s;
    const double digit = (1148.0 - column) * 3.0 / 328.0;
    return digit - 10.0 * std::floor(digit / 10.0);
}

double circularGap(double a, double b) {
    const double gap = std::fabs(a - b);
    return std::min(gap, 10.0 - gap);
}

// The wheels' values, units first.
QString wheelsOf(const DigitCounter& counter) {
    QStringList values;
    for (const DigitWheel& wheel : counter.wheels)
        values << QString::number(wheel.digitValue, 'f', 2);
    return values.join(' ');
}

// Brings a fresh counter to rest at value.
void restAt(DigitCounter& counter, double value, double now) {
    counter.restart(now);
    counter.add(value, now);
    const double arrival = now + value / counter.rate * 1000.0;
    counter.animate(arrival);
    counter.animate(arrival);
}

class NoPainter : public FramePainter {
public:
    void renderFrame() override {}
};
} // namespace

// The score wheels, the frame rate and the countdown.
class TestCounters : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Notice::setHandler({}); }

    void animateMovesAtThreeDigitsPerSecondAndStopsAtTheTarget() {
        DigitCounter counter;
        counter.restart(1000.0);
        counter.add(5.0, 1000.0);
        counter.animate(1100.0);
        QCOMPARE(wheelsOf(counter), QString("0.30 0.00 0.00 0.00"));
        // A clock that goes back leaves everything as it was.
        counter.animate(1050.0);
        QCOMPARE(counter.lastTime, 1100.0);
        // A minute's worth of steps after a pause stops at the target instead of running past.
        counter.animate(61100.0);
        QCOMPARE(counter.shownValue, 5.0);
        // The target never goes below 0; a counter at rest starts timing anew, a moving one does not.
        counter.add(-9.0, 80000.0);
        QCOMPARE(counter.targetValue, 0.0);
        counter.add(4.0, 80050.0);
        counter.animate(80100.0);
        QCOMPARE(wheelsOf(counter), QString("4.70 0.00 0.00 0.00"));
    }

    void theCarryTurnsEveryWheelAboveANineWithTheUnitsAndTheUnitsRound() {
        DigitCounter counter;
        restAt(counter, 9.0, 0.0);
        counter.add(1.0, 5000.0);
        counter.animate(5200.0);
        QCOMPARE(wheelsOf(counter), QString("9.60 0.60 0.00 0.00"));
        // The units round, the wheels above them are truncated.
        QCOMPARE(counter.displayedValue(), 10);
        counter.animate(5000.0 + 1000.0 / 3.0);
        counter.animate(5000.0 + 1000.0 / 3.0);
        QCOMPARE(wheelsOf(counter), QString("0.00 1.00 0.00 0.00"));
        restAt(counter, 999.0, 0.0);
        counter.add(1.0, 1e6);
        counter.animate(1e6 + 1000.0 / 6.0);
        QCOMPARE(wheelsOf(counter), QString("9.50 9.50 9.50 0.50"));
        restAt(counter, 1234.0, 0.0);
        QCOMPARE(counter.displayedValue(), 1234);
    }

    void aCounterImageIsReportedOnceForBothCountersAndCutToTheTextureLimit() {
        QTemporaryDir dir;
        const QString narrow = dir.filePath("narrow.png"), tall = dir.filePath("tall.png");
        QImage image(3, 40, QImage::Format_RGB888);
        image.fill(Qt::white);
        QVERIFY(image.save(narrow) && image.scaled(8, 4000).save(tall));
        QStringList messages;
        Notice::setHandler([&](const QString& m) { messages << m; });
        NoPainter painter;
        ZornOpenGL view(painter);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        DigitCounter hits, misses;
        for (const QString& file : {dir.filePath("missing.png"), narrow}) {
            hits.load(view, file);
            misses.load(view, file);
        }
        QVERIFY(messages.size() == 2 && messages[0].contains("missing.png") && messages[1].contains(narrow) &&
                misses.wheels[3].textures[6] == 0u);

        hits.load(view, tall);
        // Left alone, the mipmap builder would have made it 4096 high.
        view.makeCurrent();
        glBindTexture(GL_TEXTURE_2D, hits.wheels[3].textures[6]);
        GLint height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        QCOMPARE(height, 2048);
    }

    // Every texture switch must keep the same digit facing the viewer, or the wheel would jump.
    void theFacingDigitFollowsTheValueAcrossEveryTextureSwitch() {
        DigitWheel wheel;
        for (double d = 0.0; d < 10.0; d += 0.01) {
            wheel.setValue(d);
            QVERIFY2(circularGap(facingDigit(wheel), d) < 1e-9, qPrintable(QString::number(d)));
        }
        // Values past ten show their units digit.
        wheel.setValue(12.5);
        QVERIFY(wheel.textureIndex == 4 && circularGap(facingDigit(wheel), 2.5) < 1e-9);
    }

    void theAverageCoversTheNewestSamplesOfAtLeast1500MsInEightSlots() {
        FPSAverage meter(nullptr);
        QVERIFY(meter.sample(60, 0.0) == 0.0 && meter.sample(60, 1000.0) == 60.0);
        // After a reset the first sample is 0 again, and one at the same instant divides by nothing.
        meter.reset();
        QVERIFY(meter.sample(60, 5000.0) == 0.0 && meter.sample(5, 5000.0) == 0.0);
        // Old samples at 10 fps, newer ones at 50 fps: 400 ms each, so the newest four count.
        double now = 5000.0;
        for (int frames : {4, 4, 4, 20, 20, 20, 20}) {
            now += 400.0;
            meter.sample(frames, now);
        }
        QCOMPARE(meter.sample(20, now + 400.0), 80 * 1000.0 / 1600.0);

        meter.reset();
        for (int i = 0; i <= 8; ++i) {
            meter.sample(1, i * 100.0); // 10 fps
        }
        // The ninth sample replaces the first; all eight slots together span only 800 ms: 16, then 24 frames.
        QVERIFY(meter.sample(9, 900.0) == 20.0 && meter.sample(9, 1000.0) == 30.0);
    }

    void theCountdownEndsOnceAndOnlyOnANegativeRemainder() {
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

VAZAZO_TEST(TestCounters)
#include "test_Counters.moc"
