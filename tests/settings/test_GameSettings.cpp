#include "support/TestMain.h"
#include "settings/GameSettings.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"

#include <QSettings>
#include <QtTest>

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
        shape.show = shape.rotate = shape.colour = false;
        shape.oneAtATime = shape.randomSize = true;
        shape.distractor = !shape.distractor;
        shape.speed = n;
        shape.size = 10 - n++;
    }
    return settings;
}

GameSettings loaded(const SettingsStore& store, const QString& prefix) {
    GameSettings settings = changedSettings();
    settings.load(store, prefix);
    return settings;
}

} // namespace

class TestGameSettings : public QObject, private DialogFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

    void anEmptyStoreGivesTheDefaultsToBothCopies() {
        const GameSettings defaults;
        QCOMPARE(loaded(*store, ""), defaults);
        // Not the current values: the custom copy has its own keys.
        changedSettings().save(*store, "");
        QCOMPARE(loaded(*store, customPrefix), defaults);
    }

    void eachCopySurvivesSaveAndLoadInOneRewriteWithoutTouchingTheOther() {
        const GameSettings changed = changedSettings();
        changed.save(*store, "");
        const int rewrites = store->diskWrites();
        GameSettings().save(*store, customPrefix);
        QCOMPARE(store->diskWrites() - rewrites, 1);
        store.reset();

        const SettingsStore reader(dir->filePath("s.ini"));
        QCOMPARE(loaded(reader, ""), changed);
        QCOMPARE(loaded(reader, customPrefix), GameSettings());
        // The prefix goes directly in front of the key, with no separator.
        QCOMPARE(reader.read("CustomGun Speed", ""), QString("5"));
    }

    void storedIntegersAreClampedIntoTheirRanges_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("speed above") << "Triangle Speed" << "12" << 10;
        QTest::newRow("size below") << "Cylinder Size" << "-1" << 0;
        QTest::newRow("volume above") << "Guns Volume" << "250" << 100;
        QTest::newRow("distance above") << "Minimum Distance From Paddle" << "60" << 50;
        QTest::newRow("distance in range") << "Minimum Distance From Paddle" << "49" << 49;
        QTest::newRow("rate above") << "Shapes Per Second" << "11" << 10;
    }
    void storedIntegersAreClampedIntoTheirRanges() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);
        store->write(key, stored);
        // Saved back, the loaded value shows under its key.
        loaded(*store, "").save(*store, "");
        QCOMPARE(store->read(key, ""), QString::number(expected));
        // Slider positions outside the tables take the nearest end.
        QVERIFY(SliderTables::rateAt(11) == 5.0 && SliderTables::sensitivityAt(INT_MIN) == 0.025);
    }

    void synchronisedSensitivitiesBothTakeTheHorizontalOne_data() {
        QTest::addColumn<QString>("synchronise");
        QTest::addColumn<int>("vertical");
        QTest::newRow("true") << "TRUE" << 3;
        QTest::newRow("absent, so the default true") << QString() << 3;
        QTest::newRow("false") << "false" << 9;
    }
    void synchronisedSensitivitiesBothTakeTheHorizontalOne() {
        QFETCH(QString, synchronise);
        QFETCH(int, vertical);
        store->write("Horizontal Mouse Sensitivity", "3");
        store->write("Vertical Mouse Sensitivity", "9");
        if (!synchronise.isNull()) {
            store->write("Synchronize Mouse Sensitivity", synchronise);
        }
        const GameSettings settings = loaded(*store, "");
        QCOMPARE(settings.allShapes.horizontalMouseSensitivity, 3);
        QCOMPARE(settings.allShapes.verticalMouseSensitivity, vertical);
        // The stored vertical value is unused, not lost.
        QCOMPARE(store->read("Vertical Mouse Sensitivity", ""), QString("9"));
    }

    void pagesLoadAndSaveOnlyTheirOwnPart() {
        GameSettings().save2DShapes(*store, "");
        QSettings raw(store->fileName(), QSettings::IniFormat);
        raw.beginGroup("Vazazo");
        QCOMPARE(raw.childKeys().size(), flatShapeKindCount * int(shapeFields.size()));
        QVERIFY(raw.childKeys().contains("Circle Random Size"));

        store->write("Sphere Speed", "1");
        store->write("Circle Speed", "2");
        store->write("Gun Speed", "3");
        GameSettings settings;
        settings.load3DShapes(*store, "");
        QVERIFY(settings.shapes[sphereIndex].speed == 1 && settings.shapes[circleIndex].speed == 5);
        settings.load2DShapes(*store, "");
        QVERIFY(settings.shapes[circleIndex].speed == 2 && settings.weapons.gunSpeed == 5);
    }
};

VAZAZO_TEST(TestGameSettings)
#include "test_GameSettings.moc"
