#include "support/TestMain.h"
#include "scene/Cylinder.h"

#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <QtTest>

#include <algorithm>
#include <set>

class TestCylinder : public QObject {
    Q_OBJECT
private slots:
    void slicesAndStacksCoverTheirRangesAndNoMore() {
        SpawnContext context;
        context.minimumDistancePosition = 0;
        std::set<int> slices;
        std::set<int> stacks;
        for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
            SceneRandom::seed(seed);
            Cylinder c(context, true, false, true, 2.0, 0.02);
            slices.insert(c.slices);
            stacks.insert(c.stacks);
            QVERIFY(c.length >= 0.02 - 0.06 / 32767 && c.length <= 0.08);
            QCOMPARE(c.radius, 1.1 * std::max(c.length, c.cylinderRadius));
            QCOMPARE(c.y, -0.9 * c.radius);
        }
        QCOMPARE(slices, (std::set<int>{6, 7, 8, 9, 10}));
        QCOMPARE(stacks, (std::set<int>{4, 5, 6, 7}));
    }

    void solidKindsHaveNoSamplePointsAndKeepTheirAngle() {
        SceneRandom::seed(2);
        Cylinder c(SpawnContext{}, false, true, true, 0.0, 0.02);
        QCOMPARE(c.typeCode(), TypeCodes::cylinder);
        QVERIFY(c.typeCode() & TypeCodes::solidBit);
        c.angle = 45.0;
        c.bakeRotation();
        QCOMPARE(c.angle, 45.0);
        int count = -7;
        QVERIFY(!c.fragmentPoints(count));
        QCOMPARE(count, -7);
    }
};

VAZAZO_TEST(TestCylinder)
#include "test_Cylinder.moc"
