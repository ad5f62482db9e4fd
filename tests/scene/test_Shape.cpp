#include "support/TestMain.h"
#include "scene/Shape.h"

#include "scene/SceneRandom.h"

#include <QtTest>

#include <cmath>

namespace {
// The smallest concrete shape: placement and colour only.
class Plain : public Shape {
public:
    using Shape::Shape;
    void draw() override {}
    void update(double) override {}
    bool isInField() override { return true; }
    int typeCode() override { return 0; }
};

SpawnContext freePaddleAt(double px, double py, int distancePosition) {
    SpawnContext context;
    context.paddleX = px;
    context.paddleY = py;
    context.paddleMovesFreely = true;
    context.minimumDistancePosition = distancePosition;
    return context;
}
} // namespace

class TestShape : public QObject {
    Q_OBJECT
private slots:
    void placementEndsEvenWhenTheDistanceCannotBeMet() {
        // At position 50 the distance is the whole field; from the centre no point is that far.
        const SpawnContext context = freePaddleAt(0.5, 0.5, 50);
        for (std::uint32_t seed = 1; seed <= 200; ++seed) {
            SceneRandom::seed(seed);
            Plain shape(context, false, false);
            const double d = std::hypot(shape.x - 0.5, shape.y - 0.5);
            QVERIFY(d <= std::sqrt(0.5) + 1e-9);
            // Relaxing only every ninth try keeps accepted points well away from the paddle; a
            // relaxation on every try would let them come close.
            QVERIFY(d >= 0.45);
        }
    }

    void placementKeepsTheMinimumDistanceWhileItCanBeMet() {
        const SpawnContext context = freePaddleAt(0.0, 0.0, 10);
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            SceneRandom::seed(seed);
            Plain shape(context, false, false);
            // Nine tries against 0.2 before the first relaxation; a miss in all of them is unlikely.
            QVERIFY(std::hypot(shape.x, shape.y) >= 0.2);
        }
    }

    void aPaddleOnTheBottomLineKeepsNewShapesOnTheTopEdge() {
        SpawnContext context;
        context.now = 1234.5;
        SceneRandom::seed(7);
        Plain shape(context, false, true);
        QCOMPARE(shape.y, 0.0);
        QCOMPARE(shape.x0, shape.x);
        QCOMPARE(shape.y0, 0.0);
        QCOMPARE(shape.spawnTime, 1234.5);
        QVERIFY(shape.distractor);
        QCOMPARE(shape.lastUpdate, -1.0);
        QVERIFY(shape.name.isEmpty());
        QCOMPARE(shape.red, 1.0);
        QCOMPARE(shape.green, 0.5);
        QCOMPARE(shape.blue, 0.25);
    }

    void randomColoursAreDrawnBlueFirstAndStayTranslucentAtMost30Percent() {
        SpawnContext context;
        context.minimumDistancePosition = 0;
        SceneRandom::seed(99);
        const double expectedX = rand01();
        const double expectedBlue = rand01();
        const double expectedGreen = rand01();
        const double expectedRed = rand01();
        const double expectedAlpha = 0.7 + 0.3 * rand01();
        SceneRandom::seed(99);
        Plain shape(context, true, false);
        QCOMPARE(shape.x, expectedX);
        QCOMPARE(shape.blue, expectedBlue);
        QCOMPARE(shape.green, expectedGreen);
        QCOMPARE(shape.red, expectedRed);
        QCOMPARE(shape.alpha, expectedAlpha);
    }

    void collidesUpToTheSumOfRadiiOver1Point1() {
        SceneRandom::seed(1);
        Plain shape(SpawnContext{}, false, false);
        shape.x = 0.0;
        shape.y = 0.0;
        shape.radius = 0.033;
        const double reach = (0.033 + 0.011) / 1.1;
        QVERIFY(shape.collides(reach, 0.0, 0.011));
        QVERIFY(!shape.collides(reach * (1 + 1e-9), 0.0, 0.011));
        QVERIFY(shape.collides(0.0, -reach, 0.011));
        QVERIFY(!shape.collides(0.8 * reach, 0.8 * reach, 0.011));
        QVERIFY(shape.collides(0.7 * reach, -0.7 * reach, 0.011));
        // A sample point has no radius of its own.
        QVERIFY(shape.collides(0.03, 0.0, 0.0));
        QVERIFY(!shape.collides(0.0301, 0.0, 0.0));
    }

    void aCopyKeepsLookAndPlaceButNotIdentityOrHistory() {
        SpawnContext context;
        context.now = 500.0;
        SceneRandom::seed(3);
        Plain original(context, true, true);
        original.radius = 0.02;
        original.name = "t0003";
        original.lastUpdate = 700.0;
        original.x = 0.3;
        const Plain copy(original);
        QCOMPARE(copy.x, 0.3);
        QCOMPARE(copy.y, original.y);
        QCOMPARE(copy.radius, 0.02);
        QCOMPARE(copy.red, original.red);
        QCOMPARE(copy.alpha, original.alpha);
        QVERIFY(copy.distractor);
        QCOMPARE(copy.lastUpdate, -1.0);
        QVERIFY(copy.getName().isEmpty());
        QCOMPARE(copy.spawnTime, 0.0);
    }
};

VAZAZO_TEST(TestShape)
#include "test_Shape.moc"
