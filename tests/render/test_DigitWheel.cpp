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
    void theTableGivesTextureAndAngle() {
        const struct {
            double value;
            int texture;
            double angle;
        } rows[] = {{9.9, 6, -102.0},  {0.5, 6, -30.0}, {5.0, 3, -30.0},  {9.75, 6, -120.0},
                    {8.25, 0, -180.0}, {0.0, 6, -90.0}, {12.5, 4, -150.0}};
        for (const auto& row : rows) {
            DigitWheel wheel;
            wheel.setValue(row.value);
            QCOMPARE(wheel.textureIndex, row.texture);
            QVERIFY2(std::fabs(wheel.wheelAngle - row.angle) < 1e-9, qPrintable(QString::number(row.value)));
        }
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
