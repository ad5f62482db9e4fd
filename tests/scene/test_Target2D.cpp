#include "support/TestMain.h"
#include "scene/Target2D.h"

#include "scene/SceneRandom.h"

#include <QtTest>

#include <cmath>

namespace {
class Stub : public Target2D {
public:
    using Target2D::Target2D;
    int typeCode() override { return 0; }
    void drawShape() override {}
    std::unique_ptr<double[]> fragmentPoints(int&) override { return nullptr; }
    void bakeRotation() override {}
};

SpawnContext onTheBottomLine() {
    SpawnContext context;
    context.minimumDistancePosition = 0;
    return context;
}
} // namespace

class TestTarget2D : public QObject {
    Q_OBJECT
private slots:
    void theFirstUpdateOnlyRecordsTheTime() {
        SceneRandom::seed(5);
        Stub target(onTheBottomLine(), false, false, true, 3.0);
        const double x = target.x;
        const double y = target.y;
        const double angle = target.angle;
        target.update(1000.0);
        QCOMPARE(target.x, x);
        QCOMPARE(target.y, y);
        QCOMPARE(target.angle, angle);
        QCOMPARE(target.lastUpdate, 1000.0);
        target.update(1010.0);
        QCOMPARE(target.x, x + target.vx * 10.0);
        QCOMPARE(target.y, y + target.vy * 10.0);
        QCOMPARE(target.angle, angle + target.spin * 10.0);
    }

    void theAngleWrapsOnceEachWay() {
        SceneRandom::seed(5);
        Stub target(onTheBottomLine(), false, false, false, 0.0);
        target.update(0.0);
        target.angle = 359.9;
        target.spin = 0.05;
        target.update(10.0);
        QVERIFY(std::abs(target.angle - 0.4) < 1e-9);
        target.angle = -359.9;
        target.spin = -0.05;
        target.update(20.0);
        QVERIFY(std::abs(target.angle + 0.4) < 1e-9);
        // Exactly a full turn is not past it.
        target.angle = 350.0;
        target.spin = 1.0;
        target.update(30.0);
        QCOMPARE(target.angle, 360.0);
    }

    void theFieldTestIsStrictOnEverySide() {
        SceneRandom::seed(5);
        Stub target(onTheBottomLine(), false, false, false, 0.0);
        target.radius = 0.25;
        target.y = 0.5;
        const double eps = 1e-9;
        for (double x : {1.25, -0.25}) {
            target.x = x;
            QVERIFY(!target.isInField());
        }
        for (double x : {1.25 - eps, -0.25 + eps}) {
            target.x = x;
            QVERIFY(target.isInField());
        }
        target.x = 0.5;
        for (double y : {1.25, -0.25}) {
            target.y = y;
            QVERIFY(!target.isInField());
        }
        for (double y : {1.25 - eps, -0.25 + eps}) {
            target.y = y;
            QVERIFY(target.isInField());
        }
    }

    void fallingTargetsMoveDownAndCrossThePaddleLineInsideTheField() {
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            SceneRandom::seed(seed);
            Stub target(onTheBottomLine(), false, false, false, 0.0);
            QVERIFY(target.vy > 0.0);
            const double xAtBottom = target.x + target.vx * (1.0 - target.y) / target.vy;
            QVERIFY(0.0 < xAtBottom && xAtBottom < 1.0);
        }
    }

    void withoutHorizontalMovementTargetsFallStraight() {
        SpawnContext context = onTheBottomLine();
        context.noHorizontalMovement = true;
        for (std::uint32_t seed = 1; seed <= 100; ++seed) {
            SceneRandom::seed(seed);
            Stub target(context, false, false, true, 4.0);
            QCOMPARE(target.vx, 0.0);
            QVERIFY(target.vy > 0.0);
        }
    }

    void eachSpeedStepAdds30PercentToAFieldPer4Seconds() {
        SpawnContext free;
        free.paddleMovesFreely = true;
        free.minimumDistancePosition = 0;
        for (double speed : {0.0, 5.0, 10.0}) {
            SceneRandom::seed(11);
            Stub target(free, false, false, true, speed);
            const double factor = 1.0 + 0.3 * speed;
            QVERIFY(std::abs(std::hypot(target.vx, target.vy) - factor / 4000.0) < 1e-15);
            QVERIFY(std::abs(target.spin) <= 0.03 * factor);
            QVERIFY(std::abs(target.angle) <= 1.0);
        }
    }
};

VAZAZO_TEST(TestTarget2D)
#include "test_Target2D.moc"
