#include "support/TestMain.h"
#include "scene/Triangle.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {
SpawnContext onTheBottomLine() {
    SpawnContext context;
    context.minimumDistancePosition = 0;
    return context;
}

double cross(double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}
} // namespace

class TestTriangle : public QObject {
    Q_OBJECT
private slots:
    void init() { FieldScale::program() = FieldScale{}; }

    void everyTriangleMeetsItsAreaCentroidAndRadiusBounds() {
        for (double size : {0.0075, 0.02, 0.045}) {
            const double circleArea = 3.1415 * size * size;
            for (std::uint32_t seed = 1; seed <= 300; ++seed) {
                SceneRandom::seed(seed);
                Triangle t(onTheBottomLine(), false, false, true, 5.0, size);
                QVERIFY(t.area() >= 0.9 * circleArea && t.area() <= 1.1 * circleArea);
                QVERIFY(std::abs(t.x1 + t.x2 + t.x3) < 1e-12);
                QVERIFY(std::abs(t.y1 + t.y2 + t.y3) < 1e-12);
                const double farthest =
                    std::max({std::hypot(t.x1, t.y1), std::hypot(t.x2, t.y2), std::hypot(t.x3, t.y3)});
                QVERIFY(std::abs(t.radius - 1.1 * farthest) < 1e-15);
                QVERIFY(t.radius <= 3.3 * size + 1e-15);
                QCOMPARE(t.typeCode(), TypeCodes::triangle);
            }
        }
    }

    void newTrianglesStartJustAboveTheTopEdgeUnlessThePaddleIsFree() {
        SceneRandom::seed(8);
        Triangle falling(onTheBottomLine(), false, false, false, 0.0, 0.02);
        QCOMPARE(falling.y, -0.9 * falling.radius);
        QCOMPARE(falling.y0, falling.y);
        QVERIFY(falling.vy > 0.0);
        SpawnContext free = onTheBottomLine();
        free.paddleMovesFreely = true;
        SceneRandom::seed(8);
        Triangle placed(free, false, false, false, 0.0, 0.02);
        QVERIFY(placed.y >= -1.0 / 32767 && placed.y < 1.0);
    }

    void namesCountPerKindWithFourDigits() {
        ObjectNames::resetAll();
        SceneRandom::seed(1);
        QString tenth;
        QString last;
        for (int i = 0; i < 1001; ++i) {
            Triangle t(onTheBottomLine(), false, false, false, 0.0, 0.02);
            if (i == 10)
                tenth = t.getName();
            last = t.getName();
        }
        QCOMPARE(tenth, QString("t0010"));
        QCOMPARE(last, QString("t1000"));
        ObjectNames::resetAll();
        Triangle first(onTheBottomLine(), false, false, false, 0.0, 0.02);
        QCOMPARE(first.getName(), QString("t0000"));
    }

    void samplePointsLieOnOrInsideTheTriangle() {
        SceneRandom::seed(21);
        Triangle t(onTheBottomLine(), false, false, false, 0.0, 0.03);
        int count = 0;
        auto points = t.fragmentPoints(count);
        QCOMPARE(count, 32);
        QCOMPARE(points[0], t.x1);
        QCOMPARE(points[32 + 2], t.y3);
        const double orientation = cross(t.x1, t.y1, t.x2, t.y2, t.x3, t.y3);
        for (int i = 0; i < count; ++i) {
            const double px = points[i];
            const double py = points[32 + i];
            for (double side : {cross(t.x1, t.y1, t.x2, t.y2, px, py), cross(t.x2, t.y2, t.x3, t.y3, px, py),
                                cross(t.x3, t.y3, t.x1, t.y1, px, py)})
                QVERIFY(side * orientation >= -1e-12);
        }
    }

    void bakingARotationTurnsTheVerticesAsTheScreenShowsThem() {
        FieldScale::program() = FieldScale{800, 400};
        SceneRandom::seed(4);
        Triangle t(onTheBottomLine(), false, false, true, 0.0, 0.02);
        t.angle = 90.0;
        const double x1 = t.x1;
        const double y1 = t.y1;
        t.bakeRotation();
        QCOMPARE(t.angle, 0.0);
        // In pixels (X, Y) becomes (-Y, X); back in field units with the 2:1 scales.
        QVERIFY(std::abs(t.x1 - (-y1 * 400 / 800)) < 1e-12);
        QVERIFY(std::abs(t.y1 - (x1 * 800 / 400)) < 1e-12);
    }
};

VAZAZO_TEST(TestTriangle)
#include "test_Triangle.moc"
