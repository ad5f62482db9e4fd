#include "support/TestMain.h"
#include "scene/Rectangle.h"

#include "scene/FieldScale.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <QtTest>

#include <cmath>

namespace {
SpawnContext onTheBottomLine() {
    SpawnContext context;
    context.minimumDistancePosition = 0;
    return context;
}
} // namespace

class TestRectangle : public QObject {
    Q_OBJECT
private slots:
    void init() { FieldScale::program() = FieldScale{}; }

    void theRadiusIs1Point1SizeWhateverTheProportions() {
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            SceneRandom::seed(seed);
            Rectangle r(onTheBottomLine(), false, false, false, 0.0, 0.02);
            QVERIFY(std::abs(r.radius - 0.022) < 1e-15);
            QVERIFY(r.width > -1e-5 && r.height > 0.0);
            QCOMPARE(r.y, -0.9 * r.radius);
            QCOMPARE(r.typeCode(), TypeCodes::rectangle);
        }
    }

    void samplePointsStartWithTheCornersAndStayInside() {
        SceneRandom::seed(30);
        Rectangle r(onTheBottomLine(), false, false, false, 0.0, 0.02);
        int count = 0;
        auto points = r.fragmentPoints(count);
        QCOMPARE(count, 32);
        QCOMPARE(points[0], -r.width / 2);
        QCOMPARE(points[32], -r.height / 2);
        QCOMPARE(points[2], r.width / 2);
        QCOMPARE(points[34], r.height / 2);
        // Points 4..7 lie on the top edge.
        for (int i = 4; i < 8; ++i)
            QCOMPARE(points[32 + i], -r.height / 2);
        for (int i = 0; i < count; ++i) {
            QVERIFY(std::abs(points[i]) <= r.width / 2 + 1e-15);
            QVERIFY(std::abs(points[32 + i]) <= r.height / 2 + 1e-15);
        }
    }

    void aQuarterTurnInASquareFieldExchangesWidthAndHeight() {
        FieldScale::program() = FieldScale{600, 600};
        SceneRandom::seed(31);
        Rectangle r(onTheBottomLine(), false, false, true, 0.0, 0.02);
        r.angle = 90.0;
        r.bakeRotation();
        QCOMPARE(r.angle, 90.0);
        int count = 0;
        auto points = r.fragmentPoints(count);
        QCOMPARE(r.angle, 0.0);
        // The corner (-w/2, -h/2) turns to (h/2, -w/2).
        QVERIFY(std::abs(points[0] - r.height / 2) < 1e-12);
        QVERIFY(std::abs(points[32] + r.width / 2) < 1e-12);
        for (int i = 0; i < count; ++i) {
            QVERIFY(std::abs(points[i]) <= r.height / 2 + 1e-12);
            QVERIFY(std::abs(points[32 + i]) <= r.width / 2 + 1e-12);
        }
    }
};

VAZAZO_TEST(TestRectangle)
#include "test_Rectangle.moc"
