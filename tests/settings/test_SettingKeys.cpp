#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QSet>
#include <QtTest>

using namespace SettingKeys;

namespace {

bool isColourText(const QString& text) {
    const QStringList parts = text.split(' ');
    if (parts.size() != 3) {
        return false;
    }
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || value > 255) {
            return false;
        }
    }
    return true;
}

// Empty when the default text suits the encoding and range, otherwise what is wrong.
QString defaultProblem(const QString& key, Encoding encoding, const QString& text, int minimum, int maximum) {
    switch (encoding) {
    case Encoding::Integer: {
        const int value = SettingsStore::parseInt(text);
        if (SettingsStore::formatInt(value) != text) {
            return key + ": default is not written as an integer";
        }
        if (value < minimum || value > maximum) {
            return key + ": default outside its range";
        }
        return {};
    }
    case Encoding::Boolean:
        return text == "true" || text == "false" ? QString() : key + ": boolean default not true/false";
    case Encoding::Flag:
        return text == "0" || text == "1" ? QString() : key + ": flag default not 0/1";
    case Encoding::Code:
        return text.isEmpty() ? QString() : key + ": code default must be empty";
    case Encoding::Colour:
        return isColourText(text) ? QString() : key + ": colour default not three integers";
    case Encoding::Text:
        return {};
    }
    return key + ": unknown encoding";
}

} // namespace

class TestSettingKeys : public QObject {
    Q_OBJECT

private slots:
    void everyFixedKeyIsNamedOnce() {
        QSet<QString> seen;
        for (const Entry& entry : fixedEntries) {
            const QString key = QString::fromLatin1(entry.key);
            QVERIFY(!key.isEmpty());
            QVERIFY2(!seen.contains(key), qPrintable(key));
            seen.insert(key);
        }
    }

    void everyDefaultSuitsItsEncodingAndRange() {
        for (const Entry& entry : fixedEntries) {
            QVERIFY(entry.minimum <= entry.maximum);
            const QString problem =
                defaultProblem(entry.key, entry.encoding, entry.defaultText, entry.minimum, entry.maximum);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        for (const ShapeKind& kind : shapeKinds) {
            for (const ShapeField& field : shapeFields) {
                const QString problem =
                    defaultProblem(shapeKey(field, kind), field.encoding, shapeDefault(field, kind),
                                   field.minimum, field.maximum);
                QVERIFY2(problem.isEmpty(), qPrintable(problem));
            }
        }
        for (const Entry& suffixed : {customColour, bestName, bestScore, bestScoreUniqueNumber}) {
            const QString problem = defaultProblem(suffixed.key, suffixed.encoding, suffixed.defaultText,
                                                   suffixed.minimum, suffixed.maximum);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

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

    void flatKindsComeFirstAndAreTheDistractorsByDefault() {
        QCOMPARE(shapeKinds[triangleIndex].typeCode, 0x1002);
        QCOMPARE(shapeKinds[rectangleIndex].typeCode, 0x1008);
        QCOMPARE(shapeKinds[circleIndex].typeCode, 0x1004);
        QCOMPARE(shapeKinds[sphereIndex].typeCode, 0x2010);
        QCOMPARE(shapeKinds[cylinderIndex].typeCode, 0x2020);
        for (int i = 0; i < shapeKindCount; ++i) {
            const bool flat = i < flatShapeKindCount;
            const ShapeKind& kind = shapeKinds[i];
            QCOMPARE(bool(kind.typeCode & 0x1000), flat);
            QCOMPARE(bool(kind.typeCode & 0x2000), !flat);
            QCOMPARE(SettingsStore::parseBool(shapeDefault(shapeDistractor, kind)), flat);
            QCOMPARE(shapeKindByType(kind.typeCode), &kind);
        }
    }

    void unknownTypeCodesFindNoKind() {
        QVERIFY(shapeKindByType(0x0001) == nullptr); // gun
        QVERIFY(shapeKindByType(0x1040) == nullptr); // line
        QVERIFY(shapeKindByType(0) == nullptr);
        QVERIFY(shapeKindByType(-1) == nullptr);
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

    void noKeyOfEitherCopyCollidesWithAnother() {
        QStringList keys;
        for (const Entry& entry : fixedEntries) {
            keys << entry.key;
        }
        for (const Entry& entry :
             {gunSpeed, gunsVolume, oneWeaponAtATime, explosionsVolume, shapesPerSecond,
              horizontalMouseSensitivity, verticalMouseSensitivity, synchronizeMouseSensitivity,
              noHorizontalMovementOfTargets, minimumDistanceFromPaddle}) {
            keys << QString(customPrefix) + entry.key;
        }
        for (const ShapeKind& kind : shapeKinds) {
            for (const ShapeField& field : shapeFields) {
                keys << shapeKey(field, kind) << QString(customPrefix) + shapeKey(field, kind);
            }
        }
        for (int i = 0; i < customColourCount; ++i) {
            keys << customColourKey(i);
        }
        const QSet<QString> distinct(keys.begin(), keys.end());
        QCOMPARE(distinct.size(), keys.size());
        QCOMPARE(keys.size(), 32 + 10 + 5 * 8 * 2 + 16);
    }
};

QTEST_GUILESS_MAIN(TestSettingKeys)
#include "test_SettingKeys.moc"
