#include "support/TestMain.h"
#include "render/DigitCounter.h"

#include "core/Notice.h"
#include "render/FramePainter.h"
#include "render/ZornOpenGL.h"

#include <QtTest>

#include <cmath>

namespace {
bool near(double a, double b) {
    return std::fabs(a - b) < 1e-9;
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

class TestDigitCounter : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Notice::setHandler({}); }

    void animateMovesAtThreeDigitsPerSecondTowardTheTarget() {
        DigitCounter counter;
        counter.restart(1000.0);
        counter.add(5.0, 1000.0);
        counter.animate(1100.0);
        QVERIFY(near(counter.shownValue, 0.3));
        QVERIFY(near(counter.wheels[0].digitValue, 0.3));
        // A clock that goes back leaves everything as it was.
        counter.animate(1050.0);
        QVERIFY(near(counter.shownValue, 0.3));
        QCOMPARE(counter.lastTime, 1100.0);
        counter.add(-5.0, 1200.0); // target 0: moving down now
        counter.animate(1200.0);
        QVERIFY(near(counter.shownValue, 0.0));
    }

    void nineToTenTurnsTheTensWheelWithTheUnits() {
        DigitCounter counter;
        restAt(counter, 9.0, 0.0);
        counter.add(1.0, 5000.0);
        counter.animate(5000.0 + 1000.0 / 6.0);
        QVERIFY(near(counter.wheels[0].digitValue, 9.5));
        QVERIFY(near(counter.wheels[1].digitValue, 0.5));
        QVERIFY(near(counter.wheels[2].digitValue, 0.0));
        counter.animate(5000.0 + 1000.0 / 3.0);
        counter.animate(5000.0 + 1000.0 / 3.0);
        QCOMPARE(counter.shownValue, 10.0);
        QVERIFY(near(counter.wheels[0].digitValue, 0.0));
        QVERIFY(near(counter.wheels[1].digitValue, 1.0));
        QCOMPARE(counter.displayedValue(), 10);
    }

    void theCarryRunsUpEveryWheelThatShowsNine() {
        DigitCounter counter;
        restAt(counter, 999.0, 0.0);
        counter.add(1.0, 1e6);
        counter.animate(1e6 + 1000.0 / 6.0);
        QVERIFY(near(counter.wheels[1].digitValue, 9.5));
        QVERIFY(near(counter.wheels[2].digitValue, 9.5));
        QVERIFY(near(counter.wheels[3].digitValue, 0.5));
        // Below 9 on the lower wheel there is no carry.
        restAt(counter, 18.5, 0.0);
        QVERIFY(near(counter.wheels[1].digitValue, 1.0));
    }

    void aGapUnderTwoHundredthsSnapsInOneStep() {
        DigitCounter counter;
        restAt(counter, 7.0, 0.0);
        counter.add(0.01, 10000.0);
        counter.animate(10000.0);
        QCOMPARE(counter.shownValue, counter.targetValue);
        QVERIFY(near(counter.wheels[0].digitValue, 7.01));
    }

    void aLongGapStopsAtTheTargetInsteadOfRunningPast() {
        DigitCounter counter;
        counter.restart(0.0);
        counter.add(5.0, 0.0);
        counter.animate(60000.0); // a minute's worth of steps after a pause
        QCOMPARE(counter.shownValue, 5.0);
        QCOMPARE(counter.displayedValue(), 5);
    }

    void displayedValueReadsTheWheels() {
        DigitCounter counter;
        restAt(counter, 1234.0, 0.0);
        QCOMPARE(counter.displayedValue(), 1234);
        counter.wheels[0].setValue(0.6);
        counter.wheels[1].setValue(0.0);
        counter.wheels[2].setValue(0.0);
        counter.wheels[3].setValue(0.0);
        QCOMPARE(counter.displayedValue(), 1);
        counter.wheels[0].setValue(0.4);
        QCOMPARE(counter.displayedValue(), 0);
        // Mid-carry the units round up while the tens wheel counts only its whole part.
        restAt(counter, 9.0, 0.0);
        counter.add(1.0, 1e6);
        counter.animate(1e6 + 200.0);
        QVERIFY(near(counter.wheels[1].digitValue, 0.6));
        QCOMPARE(counter.displayedValue(), 10);
    }

    void addNeverLeavesTheTargetNegativeAndTimesOnlyFromRest() {
        DigitCounter counter;
        restAt(counter, 2.0, 0.0);
        counter.add(-5.0, 3000.0);
        QCOMPARE(counter.targetValue, 0.0);
        QCOMPARE(counter.lastTime, 3000.0);
        counter.add(4.0, 4000.0); // still moving: the step keeps counting from 3000
        QCOMPARE(counter.lastTime, 3000.0);
        QCOMPARE(counter.targetValue, 4.0);
    }

    void restartReturnsToZeroAtOnce() {
        DigitCounter counter;
        restAt(counter, 1234.0, 0.0);
        counter.add(50.0, 9000.0);
        counter.restart(12000.0);
        QCOMPARE(counter.targetValue, 0.0);
        QCOMPARE(counter.shownValue, 0.0);
        QCOMPARE(counter.lastTime, 12000.0);
        for (const DigitWheel& wheel : counter.wheels) {
            QCOMPARE(wheel.digitValue, 0.0);
        }
        QCOMPARE(counter.displayedValue(), 0);
    }

    void aMissingImageIsReportedAndLeavesBlankWheels() {
        QStringList messages;
        Notice::setHandler([&](const QString& message) { messages << message; });
        NoPainter painter;
        ZornOpenGL view(painter);
        DigitCounter counter;
        counter.load(view, "no_such_counter.png");
        QCOMPARE(messages, QStringList{"Cannot load image no_such_counter.png\n"});
        QCOMPARE(counter.view, &view);
        for (const DigitWheel& wheel : counter.wheels) {
            for (GLuint texture : wheel.textures) {
                QCOMPARE(texture, 0u);
            }
        }
    }
};

VAZAZO_TEST(TestDigitCounter)
#include "test_DigitCounter.moc"
