#include "support/TestMain.h"
#include "settings/GameSettings.h"
#include "settings/SettingsStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace SettingKeys;

namespace {

// Every field away from its default (and the two sensitivities apart, so synchronising shows).
GameSettings changedSettings() {
    GameSettings settings;
    settings.weapons.gunSpeed = 9;
    settings.weapons.gunsVolume = 33;
    settings.weapons.oneWeaponAtATime = true;
    settings.allShapes.explosionsVolume = 44;
    settings.allShapes.shapesPerSecond = 7;
    settings.allShapes.horizontalMouseSensitivity = 2;
    settings.allShapes.verticalMouseSensitivity = 8;
    settings.allShapes.synchronizeMouseSensitivity = false;
    settings.allShapes.noHorizontalMovementOfTargets = true;
    settings.allShapes.minimumDistanceFromPaddle = 37;
    int n = 0;
    for (ShapeSettings& shape : settings.shapes) {
        shape.show = !shape.show;
        shape.rotate = !shape.rotate;
        shape.colour = !shape.colour;
        shape.oneAtATime = !shape.oneAtATime;
        shape.speed = n;
        shape.size = 10 - n;
        shape.distractor = !shape.distractor;
        shape.randomSize = !shape.randomSize;
        ++n;
    }
    return settings;
}

GameSettings loaded(const SettingsStore& store, const QString& prefix) {
    GameSettings settings = changedSettings();
    settings.load(store, prefix);
    return settings;
}

} // namespace

class TestGameSettings : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString iniPath() const { return dir->filePath("store.ini"); }
    QStringList storedKeys() const {
        QSettings raw(iniPath(), QSettings::IniFormat);
        raw.beginGroup("Vazazo");
        return raw.childKeys();
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { dir.reset(); }

    void emptyStoreGivesEveryDefault() {
        const SettingsStore store(iniPath());
        const GameSettings defaults;
        QCOMPARE(loaded(store, ""), defaults);
        QCOMPARE(loaded(store, customPrefix), defaults);

        QCOMPARE(defaults.weapons.gunSpeed, 5);
        QCOMPARE(defaults.weapons.gunsVolume, 80);
        QCOMPARE(defaults.allShapes.shapesPerSecond, 2);
        QCOMPARE(defaults.allShapes.minimumDistanceFromPaddle, 10);
        QVERIFY(defaults.allShapes.synchronizeMouseSensitivity);
        QVERIFY(defaults.shapes[circleIndex].distractor);
        QVERIFY(!defaults.shapes[sphereIndex].distractor);
        QVERIFY(defaults.shapes[cylinderIndex].show);
        QVERIFY(!defaults.shapes[triangleIndex].randomSize);
        QVERIFY(storedKeys().isEmpty());
    }

    void customCopyOfAnEmptyStoreEqualsTheDefaultsNotTheCurrentValues() {
        SettingsStore store(iniPath());
        changedSettings().save(store, "");
        QCOMPARE(loaded(store, customPrefix), GameSettings());
    }

    void everyFieldSurvivesSaveAndLoadThroughAnotherStore() {
        const GameSettings changed = changedSettings();
        {
            SettingsStore writer(iniPath());
            changed.save(writer, "");
            changed.save(writer, customPrefix);
        }
        const SettingsStore reader(iniPath());
        GameSettings current;
        current.load(reader, "");
        GameSettings custom;
        custom.load(reader, customPrefix);
        QCOMPARE(current, changed);
        QCOMPARE(custom, changed);
    }

    void storedIntegersAreClampedIntoTheirRanges_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("speed above") << "Triangle Speed"
                                     << "12" << 10;
        QTest::newRow("speed below") << "Triangle Speed"
                                     << "-3" << 0;
        QTest::newRow("speed letters") << "Triangle Speed"
                                       << "abc" << 0;
        QTest::newRow("speed trailing letter") << "Triangle Speed"
                                               << "7x" << 7;
        QTest::newRow("volume above") << "Guns Volume"
                                      << "250" << 100;
        QTest::newRow("volume in range") << "Guns Volume"
                                         << "99" << 99;
        QTest::newRow("distance above") << "Minimum Distance From Paddle"
                                        << "60" << 50;
        QTest::newRow("distance in range") << "Minimum Distance From Paddle"
                                           << "49" << 49;
        QTest::newRow("size below") << "Cylinder Size"
                                    << "-1" << 0;
        QTest::newRow("rate above") << "Shapes Per Second"
                                    << "11" << 10;
    }
    void storedIntegersAreClampedIntoTheirRanges() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);
        SettingsStore store(iniPath());
        store.write(key, stored);
        const GameSettings settings = loaded(store, "");
        const QHash<QString, int> fields{
            {"Triangle Speed", settings.shapes[triangleIndex].speed},
            {"Guns Volume", settings.weapons.gunsVolume},
            {"Minimum Distance From Paddle", settings.allShapes.minimumDistanceFromPaddle},
            {"Cylinder Size", settings.shapes[cylinderIndex].size},
            {"Shapes Per Second", settings.allShapes.shapesPerSecond},
        };
        QCOMPARE(fields.value(key, -999), expected);
    }

    void synchronisedSensitivitiesBothTakeTheHorizontalOne_data() {
        QTest::addColumn<QString>("synchronise");
        QTest::addColumn<int>("vertical");
        QTest::newRow("true") << "true" << 3;
        QTest::newRow("upper case") << "TRUE" << 3;
        QTest::newRow("absent, so the default true") << QString() << 3;
        QTest::newRow("false") << "false" << 9;
        QTest::newRow("unparsable") << "1" << 9;
    }
    void synchronisedSensitivitiesBothTakeTheHorizontalOne() {
        QFETCH(QString, synchronise);
        QFETCH(int, vertical);
        SettingsStore store(iniPath());
        store.write("Horizontal Mouse Sensitivity", "3");
        store.write("Vertical Mouse Sensitivity", "9");
        if (!synchronise.isNull()) {
            store.write("Synchronize Mouse Sensitivity", synchronise);
        }
        const GameSettings settings = loaded(store, "");
        QCOMPARE(settings.allShapes.horizontalMouseSensitivity, 3);
        QCOMPARE(settings.allShapes.verticalMouseSensitivity, vertical);
    }

    void eachCopyIsSavedWithoutTouchingTheOther_data() {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("overwritten");
        QTest::newRow("custom save keeps current") << ""
                                                   << "Custom";
        QTest::newRow("current save keeps custom") << "Custom"
                                                   << "";
    }
    void eachCopyIsSavedWithoutTouchingTheOther() {
        QFETCH(QString, kept);
        QFETCH(QString, overwritten);
        SettingsStore store(iniPath());
        const GameSettings changed = changedSettings();
        changed.save(store, kept);
        GameSettings().save(store, overwritten);
        QCOMPARE(loaded(store, kept), changed);
        QCOMPARE(loaded(store, overwritten), GameSettings());
        // The prefix goes directly in front of the key, with no separator.
        QCOMPARE(store.read("CustomGun Speed", "absent"),
                 SettingsStore::formatInt(kept == "Custom" ? changed.weapons.gunSpeed : 5));
        QCOMPARE(store.read("Custom Gun Speed", "absent"), QString("absent"));
    }

    void pagesLoadAndSaveOnlyTheirOwnPart() {
        SettingsStore store(iniPath());
        GameSettings saved;
        saved.save2DShapes(store, "");
        QStringList expected;
        for (int i = 0; i < flatShapeKindCount; ++i) {
            for (const ShapeField& field : shapeFields) {
                expected << shapeKey(field, shapeKinds[i]);
            }
        }
        QStringList keys = storedKeys();
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);

        store.write("Sphere Speed", "1");
        store.write("Circle Speed", "2");
        store.write("Gun Speed", "3");
        GameSettings settings;
        settings.load3DShapes(store, "");
        QCOMPARE(settings.shapes[sphereIndex].speed, 1);
        QCOMPARE(settings.shapes[circleIndex].speed, 5);
        QCOMPARE(settings.weapons.gunSpeed, 5);
        settings.load2DShapes(store, "");
        QCOMPARE(settings.shapes[circleIndex].speed, 2);
        QCOMPARE(settings.weapons.gunSpeed, 5);
        settings.weapons.load(store, "");
        QCOMPARE(settings.weapons.gunSpeed, 3);
    }
};

VAZAZO_TEST(TestGameSettings)
#include "test_GameSettings.moc"
