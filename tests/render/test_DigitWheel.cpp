#include "support/TestMain.h"
#include "render/DigitWheel.h"

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
} // namespace

class TestDigitWheel : public QObject {
    Q_OBJECT
private slots:
    void theTableGivesTextureAndAngle_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("texture");
        QTest::addColumn<double>("angle");
        QTest::newRow("9.9") << 9.9 << 6 << -102.0;
        QTest::newRow("0.5") << 0.5 << 6 << -30.0;
        QTest::newRow("5.0") << 5.0 << 3 << -30.0;
        QTest::newRow("9.75 first row") << 9.75 << 6 << -120.0;
        QTest::newRow("0.75") << 0.75 << 5 << -180.0;
        QTest::newRow("0") << 0.0 << 6 << -90.0;
        QTest::newRow("12.5 wraps to 2.5") << 12.5 << 4 << -150.0;
    }
    void theTableGivesTextureAndAngle() {
        QFETCH(double, value);
        QFETCH(int, texture);
        QFETCH(double, angle);
        DigitWheel wheel;
        wheel.setValue(value);
        QCOMPARE(wheel.textureIndex, texture);
        QVERIFY(std::fabs(wheel.wheelAngle - angle) < 1e-9);
        QVERIFY(std::fabs(wheel.digitValue - std::fmod(value, 10.0)) < 1e-12);
    }

    // Every texture switch must keep the same digit facing the viewer, or the wheel would jump.
    void theFacingDigitFollowsTheValueAcrossEveryTextureSwitch() {
        DigitWheel wheel;
        for (double d = 0.0; d < 10.0; d += 0.01) {
            wheel.setValue(d);
            QVERIFY2(circularGap(facingDigit(wheel), d) < 1e-9, qPrintable(QString::number(d)));
        }
        for (double edge : {0.75, 2.25, 3.75, 5.25, 6.75, 8.25, 9.75}) {
            wheel.setValue(edge - 1e-9);
            const int textureBelow = wheel.textureIndex;
            wheel.setValue(edge);
            QVERIFY(wheel.textureIndex != textureBelow);
            QVERIFY(circularGap(facingDigit(wheel), edge) < 1e-9);
        }
    }
};

VAZAZO_TEST(TestDigitWheel)
#include "test_DigitWheel.moc"
