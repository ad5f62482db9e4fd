#include "support/TestMain.h"
#include "scene/ObjectNames.h"

#include <QtTest>

class TestObjectNames : public QObject {
    Q_OBJECT
private slots:
    void numbersArePaddedToFourDigitsOnly() {
        QCOMPARE(ObjectNames::format('r', 42), QString("r0042"));
        QCOMPARE(ObjectNames::format('c', 1234), QString("c1234"));
        QCOMPARE(ObjectNames::format('s', 12345), QString("s12345"));
    }

    void eachKindCountsOnItsOwnUntilTheGameResetsThem() {
        ObjectNames::resetAll();
        QCOMPARE(ObjectNames::take(ObjectNames::gun), QString("g0000"));
        QCOMPARE(ObjectNames::take(ObjectNames::gun), QString("g0001"));
        QCOMPARE(ObjectNames::take(ObjectNames::cylinder), QString("y0000"));
        QCOMPARE(ObjectNames::take(ObjectNames::sphere), QString("s0000"));
        ObjectNames::resetAll();
        QCOMPARE(ObjectNames::take(ObjectNames::gun), QString("g0000"));
    }
};

VAZAZO_TEST(TestObjectNames)
#include "test_ObjectNames.moc"
