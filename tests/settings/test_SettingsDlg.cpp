#include "support/TestMain.h"
#include "settings/GameLevels.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsTab.h"
#include "settings/TabAllShapes.h"
#include "settings/TabWeapons.h"
#include "support/DialogFixture.h"
#include "support/ShownDialog.h"
#include "support/Waiting.h"

#include <QSlider>
#include <QtTest>

using namespace SettingKeys;
using namespace WindowMessages;

namespace {
GameSettings storedCopy(const SettingsStore& store, const QString& prefix) {
    GameSettings settings;
    settings.load(store, prefix);
    return settings;
}
} // namespace

class TestSettingsDlg : public QObject, private DialogFixture {
    Q_OBJECT

    std::unique_ptr<SettingsDlg> makeDlg(bool shown = false) {
        return shown ? shownDialog<SettingsDlg>(*store, mainWindow.get())
                     : std::make_unique<SettingsDlg>(*store, mainWindow.get());
    }

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

    void okStoresTheEditedCopyInOneRewriteAndTheOtherWaysRestoreIt() {
        const std::pair<QString, bool> ways[] = {
            {"Cancel", true}, {"Escape", false}, {"close box", false}, {"OK", true}, {"OK", false}};
        for (const auto& [how, custom] : ways) {
            mainWindow->received.clear();
            store->write("Gun Speed", "2");
            store->write("CustomGun Speed", "2");
            const auto dlg = makeDlg(true);
            if (custom) {
                dlg->switchMode(1);
            }
            const GameSettings stored = dlg->current();
            const GameSettings otherCopy = storedCopy(*store, custom ? "" : customPrefix);
            const int rewrites = store->diskWrites();
            dlg->setShapeSpeed(0x3000, 8);
            QTest::keyClick(dlg->tab()->weaponsPage()->speedSlider(), Qt::Key_Right);
            // The game reads the field, which follows the slider only on commit.
            QCOMPARE(dlg->current().weapons.gunSpeed, 2);
            // Volumes are heard at once: each slider posts its group and position.
            QTest::keyClick(dlg->tab()->weaponsPage()->volumeSlider(), Qt::Key_Right);
            QTest::keyClick(dlg->tab()->allShapesPage()->volumeSlider(), Qt::Key_Left);
            if (how == "OK" || how == "Cancel") {
                QTest::mouseClick(how == "OK" ? dlg->okButton() : dlg->cancelButton(), Qt::LeftButton);
            } else if (how == "Escape") {
                QTest::keyClick(dlg->okButton(), Qt::Key_Escape);
            } else {
                dlg->close();
            }
            QVERIFY(dlg->isHidden() && waitUntil([&] { return mainWindow->count(WM_DIALOG_CLOSED) == 1; }));
            // Restoring the sliders posts no further volume.
            const auto& sent = mainWindow->received;
            QCOMPARE((QList<qint64>{sent[0].message, sent[0].wParam, sent[0].lParam, sent[1].message,
                                    sent[1].wParam, sent[1].lParam, mainWindow->count(WM_SET_VOLUME)}),
                     (QList<qint64>{WM_SET_VOLUME, 0x1000, 81, WM_SET_VOLUME, 0x2000, 79, 2}));
            QCOMPARE(store->diskWrites() - rewrites, how == "OK" ? 1 : 0);
            QCOMPARE(storedCopy(*store, custom ? "" : customPrefix), otherCopy);
            const GameSettings now = dlg->current();
            QVERIFY(how == "OK"
                        ? now.weapons.gunSpeed == 3 && storedCopy(*store, custom ? customPrefix : "") == now
                        : now == stored && dlg->tab()->weaponsPage()->speedSlider()->value() == 2);
        }
    }

    // A stored custom level opens the custom copy, which stores the current copy first, unchanged.
    void aStoredCustomLevelAndEachModeSwitchKeepBothCopiesInOneRewrite() {
        store->write("Gun Speed", "3");
        store->write("CustomGun Speed", "8");
        std::unique_ptr<SettingsDlg> dlg;
        int rewrites = 0;
        for (const auto& [level, custom] :
             {std::pair{"5", false}, {"11", false}, {"10", true}, {"6", true}}) {
            store->write("Game Level", level);
            rewrites = store->diskWrites();
            dlg = makeDlg();
            QVERIFY2(dlg->isCustom() == custom && dlg->current().weapons.gunSpeed == (custom ? 8 : 3) &&
                         store->read("Gun Speed", "") == "3" && store->diskWrites() - rewrites == int(custom),
                     level);
        }
        // A reload always reads the current copy.
        postWindowMessage(dlg->tab()->weaponsPage(), WM_RELOAD_SETTINGS);
        QVERIFY(waitUntil([&] { return dlg->current().weapons.gunSpeed == 3; }));
        dlg->setWeaponsSpeed(9);
        dlg->switchMode(0);
        QVERIFY(!dlg->isCustom() && store->diskWrites() == rewrites + 2 &&
                dlg->current().weapons.gunSpeed == 3);
        QCOMPARE(store->read("CustomGun Speed", ""), QString("9"));

        // Copying writes both copies and keeps the values shown.
        dlg->setShapeSpeed(0x3000, 7);
        dlg->setOneWeaponAtATime(true);
        const GameSettings shown = dlg->current();
        dlg->switchMode(2);
        QVERIFY(dlg->isCustom() && store->diskWrites() == rewrites + 3);
        QCOMPARE(dlg->current(), shown);
        QVERIFY(storedCopy(*store, "") == shown && storedCopy(*store, customPrefix) == shown);
    }

    void shapeSpeedAndSizeFollowTheTypeCodeMask() {
        for (const auto& [mask, changed] : {std::pair{0x2000, QList<int>{sphereType, cylinderType}},
                                            {0x0002, QList<int>{triangleType}},
                                            {0x1002, QList<int>{triangleType, rectangleType, circleType}}}) {
            const auto dlg = makeDlg();
            dlg->setShapeSpeed(mask, 7);
            dlg->setShapeSize(mask, 2);
            const GameSettings now = dlg->current();
            for (const ShapeSettings& shape : now.shapes) {
                QCOMPARE(std::pair(shape.speed, shape.size),
                         changed.contains(shape.typeCode()) ? std::pair(7, 2) : std::pair(5, 5));
            }
        }
        QCOMPARE(store->diskWrites(), 0);
    }

    // The level applied to real settings pages that hold what a played custom level might leave:
    // everything a preset touches is off its mark.
    void theLevelPreparesThePagesAndTheTimeLimit() {
        GameSettings played;
        played.weapons.gunSpeed = 1;
        played.weapons.oneWeaponAtATime = true;
        played.allShapes.shapesPerSecond = 10;
        for (ShapeSettings& s : played.shapes) {
            s.show = s.rotate = s.colour = false;
            s.oneAtATime = s.distractor = true;
            s.speed = 3;
        }
        played.save(*store, "");
        // Level, difficulty, one shot; gun speed, shape speed and rate (none: pages untouched), time limit.
        const std::tuple<int, int, bool, QList<int>, int> cases[] = {{0, 0, false, {8, 0, 0}, 0},
                                                                     {2, 2, false, {7, 2, 2}, 61000},
                                                                     {5, 5, true, {4, 8, 8}, 181000},
                                                                     {1, -1, false, {1, 3, 10}, 31000},
                                                                     {10, 0, true, {}, 181000},
                                                                     {-1, 2, false, {}, 0},
                                                                     {11, 2, false, {}, 0}};
        for (const auto& [level, difficulty, oneShot, gunShapesRate, limitMs] : cases) {
            const auto pages = makeDlg();
            // The paddle is vulnerable unless one shot at a time was chosen.
            const LevelSelection chosen{level, difficulty, oneShot, !oneShot};
            const GameLevels::LevelStart start = GameLevels::applyLevel(chosen, *pages);
            const GameSettings now = pages->current();
            // The pages change in memory only.
            QVERIFY(store->diskWrites() == 1 && start.timeLimitMs == limitMs &&
                    start.adaptive == (difficulty == 0));
            if (gunShapesRate.isEmpty()) {
                QVERIFY(now == played && !start.vulnerablePaddle.has_value());
                continue;
            }
            for (const ShapeSettings& s : now.shapes) {
                QVERIFY(s.show && s.rotate && s.colour && !s.oneAtATime && !s.distractor &&
                        s.speed == gunShapesRate[1]);
            }
            QCOMPARE((QList<int>{now.weapons.gunSpeed, now.allShapes.shapesPerSecond,
                                 now.weapons.oneWeaponAtATime}),
                     (QList<int>{gunShapesRate[0], gunShapesRate[2], oneShot}));
            QCOMPARE(start.vulnerablePaddle, std::optional<bool>(!oneShot));
        }
    }
};

VAZAZO_TEST(TestSettingsDlg)
#include "test_SettingsDlg.moc"
