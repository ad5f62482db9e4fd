#include "support/TestMain.h"
#include "scene/Target2D.h"

#include "scene/SceneRandom.h"

#include <QtTest>

#include <cmath>

namespace {
// The smallest concrete target: placement, colour and movement only.
class Plain : public Target2D {
public:
    using Target2D::Target2D;
    int typeCode() override { return 0; }
    void drawShape() override {}
    std::unique_ptr<double[]> fragmentPoints(int&) override { return nullptr; }
    void bakeRotation() override {}
};

SpawnContext context(int distancePosition = 0, bool freePaddle = false, double px = 0.2, double py = 0.95) {
    SpawnContext c;
    c.minimumDistancePosition = distancePosition;
    c.paddleMovesFreely = freePaddle;
    c.paddleX = px;
    c.paddleY = py;
    return c;
}
} // namespace

class TestShape : public QObject {
    Q_OBJECT
private slots:
    void placementKeepsAwayFromThePaddleAndEndsEvenWhenItCannot() {
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            SceneRandom::seed(seed);
            // Nine tries against 0.2 before the first relaxation; a miss in all of them is unlikely.
            const Plain near(context(10, true, 0.0, 0.0), false, false, false, 0.0);
            QVERIFY(std::hypot(near.x, near.y) >= 0.2);
            // At position 50 the distance is the whole field; from the centre no point is that far.
            // Relaxing only every ninth try still keeps accepted points well away.
            const Plain far(context(50, true, 0.5, 0.5), false, false, false, 0.0);
            const double d = std::hypot(far.x - 0.5, far.y - 0.5);
            QVERIFY(d >= 0.45 && d <= std::sqrt(0.5) + 1e-9);
        }
    }

    void withAPaddleOnTheBottomLineNewShapesStartOnTheTopEdgeInTheDefaultColour() {
        SpawnContext c = context();
        c.now = 1234.5;
        SceneRandom::seed(7);
        const Plain shape(c, false, true, false, 0.0);
        QCOMPARE(shape.y, 0.0);
        QCOMPARE(shape.x0, shape.x);
        QCOMPARE(shape.spawnTime, 1234.5);
        QVERIFY(shape.distractor);
        QCOMPARE(shape.lastUpdate, -1.0);
        QCOMPARE(QColor::fromRgbF(shape.red, shape.green, shape.blue, shape.alpha),
                 QColor::fromRgbF(1, 0.5, 0.25));
    }

    void randomColoursAreDrawnBlueFirstAndStayTranslucentAtMost30Percent() {
        SceneRandom::seed(99);
        const double x = rand01();
        const double blue = rand01();
        const double green = rand01();
        const double red = rand01();
        const double alpha = 0.7 + 0.3 * rand01();
        SceneRandom::seed(99);
        const Plain shape(context(), true, false, false, 0.0);
        QCOMPARE(shape.x, x);
        QCOMPARE(QColor::fromRgbF(shape.red, shape.green, shape.blue, shape.alpha),
                 QColor::fromRgbF(red, green, blue, alpha));
    }

    void collidesUpToTheSumOfRadiiOver1Point1() {
        Plain shape(context(), false, false, false, 0.0);
        shape.x = 0.0;
        shape.y = 0.0;
        shape.radius = 0.033;
        const double reach = (0.033 + 0.011) / 1.1;
        QVERIFY(shape.collides(reach, 0.0, 0.011));
        QVERIFY(!shape.collides(reach * (1 + 1e-9), 0.0, 0.011));
        QVERIFY(!shape.collides(0.8 * reach, 0.8 * reach, 0.011));
        QVERIFY(shape.collides(0.7 * reach, -0.7 * reach, 0.011));
        // A sample point has no radius of its own.
        QVERIFY(shape.collides(0.03, 0.0, 0.0));
        QVERIFY(!shape.collides(0.0301, 0.0, 0.0));
    }

    void aCopyKeepsLookAndPlaceButNotIdentityOrHistory() {
        SceneRandom::seed(3);
        Plain original(context(), true, true, false, 0.0);
        original.radius = 0.02;
        original.name = "t0003";
        original.lastUpdate = 700.0;
        original.spawnTime = 500.0;
        const Shape& copy = Plain(original);
        QCOMPARE(QPointF(copy.x, copy.y), QPointF(original.x, original.y));
        QCOMPARE(copy.radius, 0.02);
        QCOMPARE(copy.alpha, original.alpha);
        QVERIFY(copy.distractor);
        QCOMPARE(copy.lastUpdate, -1.0);
        QVERIFY(copy.getName().isEmpty());
        QCOMPARE(copy.spawnTime, 0.0);
    }

    void targetsMoveFromTheirSecondUpdateAndWrapTheirAngleOnceEachWay() {
        SceneRandom::seed(5);
        Plain target(context(), false, false, true, 3.0);
        const double x = target.x;
        const double angle = target.angle;
        target.update(1000.0);
        QCOMPARE(target.x, x);
        QCOMPARE(target.angle, angle);
        target.update(1010.0);
        QCOMPARE(target.x, x + target.vx * 10.0);
        QCOMPARE(target.angle, angle + target.spin * 10.0);
        target.angle = 359.9;
        target.spin = 0.05;
        target.update(1020.0);
        QVERIFY(std::abs(target.angle - 0.4) < 1e-9);
        target.angle = -359.9;
        target.spin = -0.05;
        target.update(1030.0);
        QVERIFY(std::abs(target.angle + 0.4) < 1e-9);
        // Exactly a full turn is not past it.
        target.angle = 350.0;
        target.spin = 1.0;
        target.update(1040.0);
        QCOMPARE(target.angle, 360.0);
    }

    void theFieldTestIsStrictOnEverySide() {
        Plain target(context(), false, false, false, 0.0);
        target.radius = 0.25;
        const double eps = 1e-9;
        for (const QPointF& edge :
             {QPointF(1.25, 0.5), QPointF(-0.25, 0.5), QPointF(0.5, 1.25), QPointF(0.5, -0.25)}) {
            target.x = edge.x();
            target.y = edge.y();
            QVERIFY(!target.isInField());
            // Just inside.
            target.x += edge.x() > 1 ? -eps : edge.x() < 0 ? eps : 0.0;
            target.y += edge.y() > 1 ? -eps : edge.y() < 0 ? eps : 0.0;
            QVERIFY(target.isInField());
        }
    }

    void fallingTargetsCrossThePaddleLineInsideTheFieldAtTheSpeedOfTheirStep() {
        SpawnContext straight = context();
        straight.noHorizontalMovement = true;
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            SceneRandom::seed(seed);
            const Plain target(context(), false, false, false, 0.0);
            QVERIFY(target.vy > 0.0);
            const double xAtBottom = target.x + target.vx * (1.0 - target.y) / target.vy;
            QVERIFY(0.0 < xAtBottom && xAtBottom < 1.0);
            const Plain falling(straight, false, false, true, 4.0);
            QCOMPARE(falling.vx, 0.0);
            QVERIFY(falling.vy > 0.0);
        }
        // Each speed step adds 30 % to a field per 4 seconds.
        for (double speed : {0.0, 5.0, 10.0}) {
            SceneRandom::seed(11);
            const Plain target(context(0, true), false, false, true, speed);
            const double factor = 1.0 + 0.3 * speed;
            QVERIFY(std::abs(std::hypot(target.vx, target.vy) - factor / 4000.0) < 1e-15);
            QVERIFY(std::abs(target.spin) <= 0.03 * factor);
            QVERIFY(std::abs(target.angle) <= 1.0);
        }
    }
};

VAZAZO_TEST(TestShape)
#include "test_Shape.moc"
