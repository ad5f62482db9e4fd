#include "support/TestMain.h"
#include "scene/Gun.h"

#include "scene/ObjectNames.h"
#include "scene/TypeCodes.h"

#include <QtTest>

namespace {
constexpr double eps = 1e-9;
}

class TestGun : public QObject {
    Q_OBJECT
private slots:
    void aNewGunIsABlackBallAtRestWhereItWasFired() {
        ObjectNames::resetAll();
        Gun first(Gun::firedRadius, 0.3, 0.9);
        Gun second(Gun::firedRadius, 0.4, 0.8);
        QCOMPARE(first.getName(), QString("g0000"));
        QCOMPARE(second.getName(), QString("g0001"));
        QCOMPARE(first.typeCode(), TypeCodes::gun);
        QCOMPARE(first.typeCode() & (TypeCodes::flatBit | TypeCodes::solidBit), 0);
        QCOMPARE(first.x, 0.3);
        QCOMPARE(first.y, 0.9);
        QCOMPARE(first.radius, 1.1 * Gun::firedRadius);
        QCOMPARE(first.vx, 0.0);
        QCOMPARE(first.vy, 0.0);
        QCOMPARE(first.red + first.green + first.blue, 0.0);
        QCOMPARE(first.alpha, 1.0);
        QCOMPARE(first.lastUpdate, -1.0);
    }

    void itFliesStraightFromItsSecondUpdate() {
        Gun gun(Gun::firedRadius, 0.5, 0.9);
        gun.vx = 0.0001;
        gun.vy = -0.0007;
        gun.update(500.0);
        QCOMPARE(gun.x, 0.5);
        QCOMPARE(gun.y, 0.9);
        gun.update(510.0);
        QVERIFY(std::abs(gun.x - 0.501) < eps);
        QVERIFY(std::abs(gun.y - 0.893) < eps);
    }

    void itLeavesOnlyOverTheTopAndTheSides() {
        Gun gun(Gun::firedRadius, 0.5, 1.5);
        // Nothing below the paddle's side ends it.
        QVERIFY(gun.isInField());
        const double r = gun.radius;
        gun.y = -r;
        QVERIFY(!gun.isInField());
        gun.y = -r + eps;
        QVERIFY(gun.isInField());
        gun.y = 0.5;
        for (double x : {-r, 1.0 + r}) {
            gun.x = x;
            QVERIFY(!gun.isInField());
        }
        for (double x : {-r + eps, 1.0 + r - eps}) {
            gun.x = x;
            QVERIFY(gun.isInField());
        }
    }

    void gunsShowAgainstTheBackground() {
        QCOMPARE(Gun::colourAgainst(0.5, 0.5, 0.5), 0.0);
        QCOMPARE(Gun::colourAgainst(0.49, 0.49, 0.49), 1.0);
        QCOMPARE(Gun::colourAgainst(0.0, 0.0, 0.6), 0.0);
        Gun gun(Gun::firedRadius, 0.5, 0.5);
        gun.alpha = 0.5;
        gun.setColour(Gun::colourAgainst(0.1, 0.2, 0.3));
        QCOMPARE(gun.red + gun.green + gun.blue, 3.0);
        QCOMPARE(gun.alpha, 0.5);
    }
};

VAZAZO_TEST(TestGun)
#include "test_Gun.moc"
