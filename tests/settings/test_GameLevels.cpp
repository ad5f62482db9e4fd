#include "support/TestMain.h"
#include "settings/GameLevels.h"
#include "settings/GameSettingsPages.h"

#include <QtTest>

#include <climits>
#include <vector>

using namespace GameLevels;

namespace {

// Settings as a played custom level might leave them: everything a preset touches is off its mark.
GameSettings playedSettings() {
    GameSettings settings;
    settings.weapons.gunSpeed = 1;
    settings.weapons.oneWeaponAtATime = true;
    settings.allShapes.shapesPerSecond = 10;
    for (ShapeSettings& s : settings.shapes) {
        s.show = s.rotate = s.colour = false;
        s.oneAtATime = s.distractor = true;
        s.speed = 3;
    }
    return settings;
}

// The settings pages, holding their values in a plain GameSettings and counting every change.
class FakePages : public GameSettingsPages {
public:
    GameSettings current() const override { return held; }
    void showAllShapes() override { allShapes(&ShapeSettings::show, true); }
    void rotateAllShapes() override { allShapes(&ShapeSettings::rotate, true); }
    void colourAllShapes() override { allShapes(&ShapeSettings::colour, true); }
    void clearOneAtATime() override { allShapes(&ShapeSettings::oneAtATime, false); }
    void clearDistractors() override { allShapes(&ShapeSettings::distractor, false); }
    bool oneWeaponAtATime() const override { return held.weapons.oneWeaponAtATime; }
    void setOneWeaponAtATime(bool on) override {
        ++changes;
        held.weapons.oneWeaponAtATime = on;
    }
    bool isCustom() const override { return false; }
    void switchMode(int) override { ++changes; }
    void setWeaponsSpeed(int position) override {
        ++changes;
        held.weapons.gunSpeed = position;
    }
    void setShapeSpeed(int kindMask, int position) override {
        ++changes;
        speedMasks.push_back(kindMask);
        for (ShapeSettings& s : held.shapes) {
            s.speed = (s.typeCode() & kindMask) != 0 ? position : s.speed;
        }
    }
    void setShapeSize(int, int) override { ++changes; }
    void setTargetsPerSecond(int position) override {
        ++changes;
        held.allShapes.shapesPerSecond = position;
    }

    GameSettings held = playedSettings();
    int changes = 0;
    std::vector<int> speedMasks;

private:
    void allShapes(bool ShapeSettings::*field, bool on) {
        ++changes;
        for (ShapeSettings& s : held.shapes) {
            s.*field = on;
        }
    }
};

void verifyEveryKindTickedAndCleared(const GameSettings& settings) {
    for (const ShapeSettings& s : settings.shapes) {
        QVERIFY(s.show && s.rotate && s.colour);
        QVERIFY(!s.oneAtATime && !s.distractor);
    }
}

LevelSelection selection(int level, int difficulty, bool oneShot = false, bool vulnerable = false) {
    LevelSelection s;
    s.gameLevel = level;
    s.difficulty = difficulty;
    s.oneShot = oneShot;
    s.vulnerablePaddle = vulnerable;
    return s;
}

} // namespace

class TestGameLevels : public QObject {
    Q_OBJECT

private slots:
    void presetLevelsTickEveryKindAndApplyTheDifficulty_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<bool>("oneShot");
        QTest::addColumn<int>("gunSpeed");
        QTest::addColumn<int>("shapeSpeed");
        QTest::addColumn<int>("rate");
        QTest::newRow("Get'em all, Auto") << 0 << 0 << false << 8 << 0 << 0;
        QTest::newRow("30 s, Beginner") << 1 << 1 << true << 8 << 0 << 0;
        QTest::newRow("60 s, Novice") << 2 << 2 << false << 7 << 2 << 2;
        QTest::newRow("90 s, Intermediate") << 3 << 3 << true << 6 << 4 << 5;
        QTest::newRow("120 s, Advanced") << 4 << 4 << false << 5 << 6 << 7;
        QTest::newRow("30 s, Expert") << 1 << 5 << true << 4 << 8 << 8;
        QTest::newRow("180 s, Expert") << 5 << 5 << false << 4 << 8 << 8;
    }
    void presetLevelsTickEveryKindAndApplyTheDifficulty() {
        QFETCH(int, level);
        QFETCH(int, difficulty);
        QFETCH(bool, oneShot);
        QFETCH(int, gunSpeed);
        QFETCH(int, shapeSpeed);
        QFETCH(int, rate);
        FakePages pages;

        const LevelStart start = applyLevel(selection(level, difficulty, oneShot, !oneShot), pages);

        verifyEveryKindTickedAndCleared(pages.held);
        QCOMPARE(pages.held.weapons.gunSpeed, gunSpeed);
        QCOMPARE(pages.held.allShapes.shapesPerSecond, rate);
        QCOMPARE(pages.speedMasks, std::vector<int>{0x303E});
        for (const ShapeSettings& s : pages.held.shapes) {
            QCOMPARE(s.speed, shapeSpeed);
        }
        QCOMPARE(pages.held.weapons.oneWeaponAtATime, oneShot);
        QCOMPARE(start.vulnerablePaddle, std::optional<bool>(!oneShot));
        QCOMPARE(start.adaptive, difficulty == 0);
    }

    void otherLevelsLeaveThePagesAlone() {
        for (int level : {6, 7, 8, 9, 10, -1, 11, INT_MAX}) {
            FakePages pages;
            const LevelStart start = applyLevel(selection(level, level % 2, false, true), pages);
            QCOMPARE(pages.changes, 0);
            QCOMPARE(pages.held, playedSettings());
            QVERIFY(!start.vulnerablePaddle.has_value());
            QCOMPARE(start.adaptive, level % 2 == 0);
        }
    }

    void aDifficultyWithoutPresetStillPreparesTheKinds() {
        for (int difficulty : {-1, 6, 12, INT_MAX, INT_MIN}) {
            FakePages pages;
            const LevelStart start = applyLevel(selection(2, difficulty, false, true), pages);
            verifyEveryKindTickedAndCleared(pages.held);
            QVERIFY(pages.speedMasks.empty());
            QCOMPARE(pages.held.weapons.gunSpeed, 1);
            QCOMPARE(pages.held.allShapes.shapesPerSecond, 10);
            QCOMPARE(pages.held.weapons.oneWeaponAtATime, false);
            QCOMPARE(start.vulnerablePaddle, std::optional<bool>(true));
        }
    }

    void timedLevelsRunOneSecondLongerThanTheirNames() {
        const int expected[] = {0, 31000, 61000, 91000, 121000, 181000, 31000, 61000, 91000, 121000, 181000};
        for (int level = 0; level < levelCount; ++level) {
            FakePages pages;
            QCOMPARE(applyLevel(selection(level, 3), pages).timeLimitMs, expected[level]);
        }
        QCOMPARE(timeLimitMs(11), 0);
    }
};

VAZAZO_TEST(TestGameLevels)
#include "test_GameLevels.moc"
