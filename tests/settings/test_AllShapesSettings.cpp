#include "support/TestMain.h"
#include "settings/AllShapesSettings.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestAllShapesSettings : public QObject {
    Q_OBJECT

private slots:
    void positionsOutsideTheSliderTakeTheNearestEnd() {
        QCOMPARE(SliderTables::rateAt(-1), 0.2);
        QCOMPARE(SliderTables::rateAt(11), 5.0);
        QCOMPARE(SliderTables::rateAt(INT_MIN), 0.2);
        QCOMPARE(SliderTables::sensitivityAt(-5), 0.025);
        QCOMPARE(SliderTables::sensitivityAt(INT_MAX), 1.0);
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

VAZAZO_TEST(TestAllShapesSettings)
#include "test_AllShapesSettings.moc"
