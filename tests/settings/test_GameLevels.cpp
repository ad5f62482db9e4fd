#include "support/TestMain.h"
#include "settings/GameLevels.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"

#include <QtTest>

#include <climits>

using namespace GameLevels;

// The level applied to real settings pages that hold what a played custom level might leave:
// everything a preset touches is off its mark.
class TestGameLevels : public QObject, private DialogFixture {
    Q_OBJECT

    std::unique_ptr<SettingsDlg> pages;
    GameSettings played;

private slots:
    void init() {
        QVERIFY(setUp());
        GameSettings settings;
        settings.weapons.gunSpeed = 1;
        settings.weapons.oneWeaponAtATime = true;
        settings.allShapes.shapesPerSecond = 10;
        for (ShapeSettings& s : settings.shapes) {
            s.show = s.rotate = s.colour = false;
            s.oneAtATime = s.distractor = true;
            s.speed = 3;
        }
        settings.save(*store, "");
        pages = std::make_unique<SettingsDlg>(*store, mainWindow.get());
        played = pages->current();
        QCOMPARE(played, settings);
    }
    void cleanup() {
        const int rewrites = store->diskWrites();
        pages.reset();
        tearDown();
        // The pages change in memory only.
        QCOMPARE(rewrites, 1);
    }

    void theLevelPreparesThePagesAndTheTimeLimit_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<bool>("oneShot");
        QTest::addColumn<bool>("prepared");
        QTest::addColumn<QList<int>>("gunShapesRate");
        QTest::addColumn<int>("limitMs");
        QTest::newRow("Get'em all, Auto") << 0 << 0 << false << true << QList<int>{8, 0, 0} << 0;
        QTest::newRow("60 s, Novice") << 2 << 2 << false << true << QList<int>{7, 2, 2} << 61000;
        QTest::newRow("90 s, Intermediate") << 3 << 3 << true << true << QList<int>{6, 4, 5} << 91000;
        QTest::newRow("120 s, Advanced") << 4 << 4 << false << true << QList<int>{5, 6, 7} << 121000;
        QTest::newRow("180 s, Expert") << 5 << 5 << true << true << QList<int>{4, 8, 8} << 181000;
        QTest::newRow("no difficulty") << 1 << -1 << false << true << QList<int>{1, 3, 10} << 31000;
        QTest::newRow("difficulty beyond") << 2 << INT_MIN << true << true << QList<int>{1, 3, 10} << 61000;
        QTest::newRow("custom 30 s") << 6 << 1 << false << false << QList<int>{} << 31000;
        QTest::newRow("custom 180 s, Auto") << 10 << 0 << true << false << QList<int>{} << 181000;
        QTest::newRow("no level") << -1 << 2 << false << false << QList<int>{} << 0;
        QTest::newRow("level beyond") << 11 << 2 << false << false << QList<int>{} << 0;
    }
    void theLevelPreparesThePagesAndTheTimeLimit() {
        QFETCH(int, level);
        QFETCH(int, difficulty);
        QFETCH(bool, oneShot);
        QFETCH(bool, prepared);
        QFETCH(QList<int>, gunShapesRate);
        QFETCH(int, limitMs);
        const LevelSelection selection{
            .gameLevel = level, .difficulty = difficulty, .oneShot = oneShot, .vulnerablePaddle = !oneShot};
        const LevelStart start = applyLevel(selection, *pages);
        QCOMPARE(start.timeLimitMs, limitMs);
        QCOMPARE(start.adaptive, difficulty == 0);
        const GameSettings now = pages->current();
        if (!prepared) {
            QCOMPARE(now, played);
            QVERIFY(!start.vulnerablePaddle.has_value());
            return;
        }
        for (const ShapeSettings& s : now.shapes) {
            QVERIFY(s.show && s.rotate && s.colour && !s.oneAtATime && !s.distractor);
            QCOMPARE(s.speed, gunShapesRate[1]);
        }
        QCOMPARE(now.weapons.gunSpeed, gunShapesRate[0]);
        QCOMPARE(now.allShapes.shapesPerSecond, gunShapesRate[2]);
        QCOMPARE(now.weapons.oneWeaponAtATime, oneShot);
        QCOMPARE(start.vulnerablePaddle, std::optional<bool>(!oneShot));
    }
};

VAZAZO_TEST(TestGameLevels)
#include "test_GameLevels.moc"
