#include "support/TestMain.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QtTest>

using namespace SettingKeys;

class TestSettingKeys : public QObject {
    Q_OBJECT

private slots:
    void shapeKeysAreBuiltFromTheKindsWords() {
        const ShapeKind& triangle = shapeKinds[triangleIndex];
        QStringList triangleKeys;
        for (const ShapeField& field : shapeFields) {
            triangleKeys << shapeKey(field, triangle);
        }
        QCOMPARE(triangleKeys, (QStringList{"Show Triangles", "Rotate Triangles", "Colour Triangles",
                                            "One Triangle at a Time", "Triangle Speed", "Triangle Size",
                                            "Triangle Distractor", "Triangle Random Size"}));

        const ShapeKind& cylinder = shapeKinds[cylinderIndex];
        QCOMPARE(shapeKey(shapeShow, cylinder), QString("Show Cylinders"));
        QCOMPARE(shapeKey(shapeOneAtATime, cylinder), QString("One Cylinder at a Time"));
        QCOMPARE(shapeKey(shapeRandomSize, cylinder), QString("Cylinder Random Size"));
    }

    void customColourKeysUseLowerHexWithAZeroBelowTen_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::newRow("first") << 0 << "Custom colour 00";
        QTest::newRow("nine") << 9 << "Custom colour 09";
        QTest::newRow("ten") << 10 << "Custom colour a";
        QTest::newRow("slot twelve") << 12 << "Custom colour c";
        QTest::newRow("last") << 15 << "Custom colour f";
        QTest::newRow("below range") << -4 << "Custom colour 00";
        QTest::newRow("above range") << 16 << "Custom colour f";
    }
    void customColourKeysUseLowerHexWithAZeroBelowTen() {
        QFETCH(int, index);
        QFETCH(QString, key);
        QCOMPARE(customColourKey(index), key);
    }

    void bestScoreKeysJoinThreeNumbersWithHyphens() {
        QCOMPARE(bestNameKey(3, 7, 0), QString("Best Name 3-7-0"));
        QCOMPARE(bestScoreKey(10, 11, 9), QString("Best Score 10-11-9"));
        QCOMPARE(bestScoreUniqueNumberKey(0, 0, 0), QString("Best Score Unique Number 0-0-0"));
        // Two-digit parts stay apart: level 1, index 11 differs from level 11, index 1.
        QVERIFY(bestScoreKey(1, 11, 0) != bestScoreKey(11, 1, 0));
    }
};

VAZAZO_TEST(TestSettingKeys)
#include "test_SettingKeys.moc"
