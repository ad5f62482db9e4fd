#include "support/TestMain.h"
#include "scene/Gun.h"

#include "scene/ObjectNames.h"
#include "scene/TypeCodes.h"

#include <QtTest>

class TestGun : public QObject {
    Q_OBJECT
private slots:
    void aNewGunIsAnOpaqueBlackBallAtRestWhereItWasFired() {
        ObjectNames::resetAll();
        Gun first(Gun::firedRadius, 0.3, 0.9);
        const Gun second(Gun::firedRadius, 0.4, 0.8);
        QCOMPARE(first.getName(), QString("g0000"));
        QCOMPARE(second.getName(), QString("g0001"));
        QCOMPARE(first.typeCode(), TypeCodes::gun);
        QCOMPARE(QPointF(first.x, first.y), QPointF(0.3, 0.9));
        QCOMPARE(first.radius, 1.1 * Gun::firedRadius);
        QCOMPARE(QColor::fromRgbF(first.red, first.green, first.blue, first.alpha), QColor(Qt::black));
        // It flies straight from its second update.
        first.vx = 0.0001;
        first.vy = -0.0007;
        first.update(500.0);
        QCOMPARE(QPointF(first.x, first.y), QPointF(0.3, 0.9));
        first.update(510.0);
        QVERIFY(std::abs(first.x - 0.301) < 1e-9 && std::abs(first.y - 0.893) < 1e-9);
    }

    void itLeavesOnlyOverTheTopAndTheSides() {
        Gun gun(Gun::firedRadius, 0.5, 1.5);
        // Nothing below the paddle's side ends it.
        QVERIFY(gun.isInField());
        const double r = gun.radius;
        const double eps = 1e-9;
        for (const QPointF& edge : {QPointF(0.5, -r), QPointF(-r, 0.5), QPointF(1.0 + r, 0.5)}) {
            gun.x = edge.x();
            gun.y = edge.y();
            QVERIFY(!gun.isInField());
            gun.x += edge.x() > 1.0 ? -eps : edge.x() < 0.0 ? eps : 0.0;
            gun.y += edge.y() < 0.0 ? eps : 0.0;
            QVERIFY(gun.isInField());
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
};

VAZAZO_TEST(TestGun)
#include "test_Gun.moc"
