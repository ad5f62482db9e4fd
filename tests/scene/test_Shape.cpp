#include "support/TestMain.h"
#include "scene/Gun.h"
#include "scene/Target2D.h"

#include "scene/ObjectNames.h"
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

bool near(double a, double b) {
    return std::abs(a - b) < 1e-9;
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
            // Random colours stay translucent at most 30 %.
            const Plain coloured(context(), true, false, false, 0.0);
            QVERIFY(coloured.alpha >= 0.7 && coloured.alpha <= 1.0 && coloured.red <= 1.0 &&
                    coloured.blue >= 0.0);
        }
        // With a paddle on the bottom line new shapes start on the top edge.
        SpawnContext c = context();
        c.now = 1234.5;
        const Plain shape(c, false, true, false, 0.0);
        QVERIFY(shape.y == 0.0 && shape.x0 == shape.x && shape.spawnTime == 1234.5);
    }

    void collidesUpToTheSumOfRadiiOver1Point1() {
        Plain shape(context(), false, false, false, 0.0);
        shape.x = shape.y = 0.0;
        shape.radius = 0.033;
        const double reach = (0.033 + 0.011) / 1.1;
        QVERIFY(shape.collides(reach, 0.0, 0.011) && !shape.collides(reach * (1 + 1e-9), 0.0, 0.011));
        QVERIFY(!shape.collides(0.8 * reach, 0.8 * reach, 0.011));
        QVERIFY(shape.collides(0.7 * reach, -0.7 * reach, 0.011));
        // A sample point has no radius of its own.
        QVERIFY(shape.collides(0.03, 0.0, 0.0) && !shape.collides(0.0301, 0.0, 0.0));
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
        QVERIFY(copy.radius == 0.02 && copy.alpha == original.alpha && copy.distractor);
        QVERIFY(copy.lastUpdate == -1.0 && copy.getName().isEmpty() && copy.spawnTime == 0.0);
    }

    void targetsAndGunsMoveFromTheirSecondUpdateAndTargetsWrapTheirAngleOnceEachWay() {
        SceneRandom::seed(5);
        Plain target(context(), false, false, true, 3.0);
        const double x = target.x;
        const double angle = target.angle;
        target.update(1000.0);
        QVERIFY(target.x == x && target.angle == angle);
        target.update(1010.0);
        QCOMPARE(target.x, x + target.vx * 10.0);
        QCOMPARE(target.angle, angle + target.spin * 10.0);
        const struct {
            double angle, spin, wrapped;
        } turns[] = {
            {359.9, 0.05, 0.4}, {-359.9, -0.05, -0.4}, {350.0, 1.0, 360.0}}; // a full turn is not past
        double now = 1010.0;
        for (const auto& turn : turns) {
            target.angle = turn.angle;
            target.spin = turn.spin;
            target.update(now += 10.0);
            QVERIFY2(near(target.angle, turn.wrapped), qPrintable(QString::number(target.angle)));
        }

        Gun gun(Gun::firedRadius, 0.3, 0.9);
        QCOMPARE(gun.radius, 1.1 * Gun::firedRadius);
        gun.vx = 0.0001;
        gun.vy = -0.0007;
        gun.update(500.0);
        QCOMPARE(QPointF(gun.x, gun.y), QPointF(0.3, 0.9));
        gun.update(510.0);
        QVERIFY(near(gun.x, 0.301) && near(gun.y, 0.893));
    }

    // Guns leave only over the top and the sides: nothing below the paddle's side ends them.
    void theFieldTestIsStrictOnEverySide() {
        Plain target(context(), false, false, false, 0.0);
        target.radius = 0.25;
        Gun gun(Gun::firedRadius, 0.5, 1.5);
        QVERIFY(gun.isInField());
        const double eps = 1e-9;
        for (Shape* shape : std::initializer_list<Shape*>{&target, &gun}) {
            const double r = shape->radius;
            for (const QPointF& edge :
                 {QPointF(1 + r, 0.5), QPointF(-r, 0.5), QPointF(0.5, 1 + r), QPointF(0.5, -r)}) {
                if (shape == &gun && edge.y() > 1) {
                    continue;
                }
                shape->x = edge.x();
                shape->y = edge.y();
                QVERIFY(!shape->isInField());
                // Just inside.
                shape->x += edge.x() > 1 ? -eps : edge.x() < 0 ? eps : 0.0;
                shape->y += edge.y() > 1 ? -eps : edge.y() < 0 ? eps : 0.0;
                QVERIFY(shape->isInField());
            }
        }
    }

    void gunsShowAgainstTheBackground() {
        QCOMPARE(Gun::colourAgainst(0.5, 0.5, 0.5), 0.0);
        QCOMPARE(Gun::colourAgainst(0.49, 0.49, 0.49), 1.0);
        QCOMPARE(Gun::colourAgainst(0.0, 0.0, 0.6), 0.0);
        Gun gun(Gun::firedRadius, 0.5, 0.5);
        gun.alpha = 0.5;
        gun.setColour(1.0);
        QCOMPARE(QColor::fromRgbF(gun.red, gun.green, gun.blue, gun.alpha), QColor::fromRgbF(1, 1, 1, 0.5));
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
            QVERIFY(falling.vx == 0.0 && falling.vy > 0.0);
        }
        // Each speed step adds 30 % to a field per 4 seconds.
        for (double speed : {0.0, 5.0, 10.0}) {
            SceneRandom::seed(11);
            const Plain target(context(0, true), false, false, true, speed);
            const double factor = 1.0 + 0.3 * speed;
            QVERIFY(std::abs(std::hypot(target.vx, target.vy) - factor / 4000.0) < 1e-15);
            QVERIFY(std::abs(target.spin) <= 0.03 * factor && std::abs(target.angle) <= 1.0);
        }
    }
};

VAZAZO_TEST(TestShape)
#include "test_Shape.moc"
