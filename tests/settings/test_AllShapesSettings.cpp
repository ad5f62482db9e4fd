#include "settings/AllShapesSettings.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestAllShapesSettings : public QObject {
    Q_OBJECT

private slots:
    void rateTableRisesFromOneFifthToFivePerSecond() {
        QCOMPARE(SliderTables::rateAt(0), 0.2);
        QCOMPARE(SliderTables::rateAt(2), 0.33); // as printed, not one third
        QCOMPARE(SliderTables::rateAt(5), 1.0);
        QCOMPARE(SliderTables::rateAt(10), 5.0);
        for (int position = 1; position < SliderTables::positionCount; ++position) {
            QVERIFY(SliderTables::rateAt(position) > SliderTables::rateAt(position - 1));
        }
    }

    void sensitivityTableRisesFromOneFortiethToOne() {
        QCOMPARE(SliderTables::sensitivityAt(0), 0.025);
        QCOMPARE(SliderTables::sensitivityAt(8), 1.0 / 3);
        QCOMPARE(SliderTables::sensitivityAt(10), 1.0);
        for (int position = 1; position < SliderTables::positionCount; ++position) {
            QVERIFY(SliderTables::sensitivityAt(position) > SliderTables::sensitivityAt(position - 1));
        }
    }

    void positionsOutsideTheSliderTakeTheNearestEnd() {
        QCOMPARE(SliderTables::rateAt(-1), 0.2);
        QCOMPARE(SliderTables::rateAt(11), 5.0);
        QCOMPARE(SliderTables::rateAt(INT_MIN), 0.2);
        QCOMPARE(SliderTables::sensitivityAt(-5), 0.025);
        QCOMPARE(SliderTables::sensitivityAt(INT_MAX), 1.0);
    }

    void fieldsTranslateThroughTheTables() {
        AllShapesSettings settings;
        QCOMPARE(settings.targetsPerSecond(), 0.33);
        QCOMPARE(settings.horizontalFactor(), 1.0 / 8);
        settings.horizontalMouseSensitivity = 0;
        settings.verticalMouseSensitivity = 10;
        QCOMPARE(settings.horizontalFactor(), 0.025);
        QCOMPARE(settings.verticalFactor(), 1.0);
        QCOMPARE(settings.minimumDistance(), 0.2);
        settings.minimumDistanceFromPaddle = 50;
        QCOMPARE(settings.minimumDistance(), 1.0);
        settings.minimumDistanceFromPaddle = 80;
        QCOMPARE(settings.minimumDistance(), 1.0);
    }

    void savingKeepsAnUnsynchronisedVerticalSensitivity() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SettingsStore store(dir.filePath("store.ini"));
        AllShapesSettings saved;
        saved.synchronizeMouseSensitivity = false;
        saved.horizontalMouseSensitivity = 1;
        saved.verticalMouseSensitivity = 6;
        saved.save(store, "");
        AllShapesSettings loaded;
        loaded.load(store, "");
        QCOMPARE(loaded, saved);

        // Synchronising later makes the stored vertical value unused, not lost.
        store.write("Synchronize Mouse Sensitivity", "true");
        loaded.load(store, "");
        QCOMPARE(loaded.verticalMouseSensitivity, 1);
        QCOMPARE(store.read("Vertical Mouse Sensitivity", ""), QString("6"));
    }
};

QTEST_GUILESS_MAIN(TestAllShapesSettings)
#include "test_AllShapesSettings.moc"
