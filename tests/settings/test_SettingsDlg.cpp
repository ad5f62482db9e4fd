#include "support/TestMain.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTab.h"
#include "settings/ShapeGroup.h"
#include "settings/Tab2DShapes.h"
#include "settings/Tab3DShapes.h"
#include "settings/TabAllShapes.h"
#include "settings/TabWeapons.h"
#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

using namespace SettingKeys;
using namespace WindowMessages;

namespace {

using Snapshot = std::map<QString, QString>;

ShapeGroup* group(const SettingsDlg& dlg, int typeCode) {
    if (ShapeGroup* found = dlg.tab()->shapes2DPage()->groupByType(typeCode)) {
        return found;
    }
    return dlg.tab()->shapes3DPage()->groupByType(typeCode);
}

// On the box's indicator: a box may be wider than the part that takes clicks.
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

GameSettings storedCopy(const SettingsStore& store, const QString& prefix) {
    GameSettings settings;
    settings.load(store, prefix);
    return settings;
}

} // namespace

class TestSettingsDlg : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MessageRecorder> recorder;

    std::unique_ptr<SettingsDlg> makeDlg() { return std::make_unique<SettingsDlg>(*store, recorder.get()); }

    Snapshot snapshot() const {
        QSettings raw(store->fileName(), QSettings::IniFormat);
        raw.beginGroup(SettingsStore::section);
        Snapshot result;
        for (const QString& key : raw.childKeys()) {
            result[key] = raw.value(key).toString();
        }
        return result;
    }

    // The keys whose value differs between the two snapshots, including new ones.
    static QStringList changedKeys(const Snapshot& before, const Snapshot& after) {
        QStringList keys;
        for (const auto& [key, value] : after) {
            const auto old = before.find(key);
            if (old == before.end() || old->second != value) {
                keys << key;
            }
        }
        return keys;
    }

    static void showAndWait(SettingsDlg& dlg) {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        store = std::make_unique<SettingsStore>(dir->filePath("s.ini"));
        recorder = std::make_unique<MessageRecorder>();
    }
    void cleanup() {
        recorder.reset();
        store.reset();
        dir.reset();
    }

    void anEmptyStoreShowsTheDefaultsInTheControls() {
        const auto dlg = makeDlg();
        QVERIFY(dlg->isHidden());
        QVERIFY(!dlg->isModal());
        QVERIFY(!dlg->isCustom());
        QCOMPARE(dlg->windowTitle(), QString("Game Settings"));
        const QStringList tabs{"Weapons", "All Shapes", "2D Shapes", "3D Shapes"};
        for (int i = 0; i < tabs.size(); ++i) {
            QCOMPARE(dlg->tab()->tabText(i), tabs[i]);
        }
        QCOMPARE(dlg->current(), GameSettings());

        const TabWeapons* weapons = dlg->tab()->weaponsPage();
        QCOMPARE(weapons->weaponList()->currentText(), QString("Gun"));
        QCOMPARE(weapons->speedSlider()->value(), 5);
        QCOMPARE(weapons->volumeSlider()->value(), 80);
        const TabAllShapes* all = dlg->tab()->allShapesPage();
        QCOMPARE(all->rateSlider()->value(), 2);
        QCOMPARE(all->distanceSlider()->value(), 10);
        QCOMPARE(all->distanceSlider()->maximum(), 50);
        QCOMPARE(all->distanceSlider()->tickInterval(), 5);
        QVERIFY(all->synchronizeBox()->isChecked());
        QCOMPARE(dlg->tab()->shapes2DPage()->groups().front()->title(), QString("Traingles"));
        for (const ShapeKind& kind : shapeKinds) {
            const ShapeGroup* shape = group(*dlg, kind.typeCode);
            QCOMPARE(shape->speedSlider()->value(), 5);
            QCOMPARE(shape->sizeSlider()->value(), 5);
            QVERIFY(shape->sizeSlider()->isEnabled());
            QCOMPARE(shape->distractorBox()->isChecked(), kind.typeCode < sphereType);
        }
        QVERIFY(snapshot().empty());
    }

    void aStoredCustomLevelStartsOnTheCustomCopy_data() {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("custom");
        QTest::newRow("last time attack") << "5" << false;
        QTest::newRow("first custom") << "6" << true;
        QTest::newRow("custom") << "7" << true;
        QTest::newRow("last custom") << "10" << true;
        QTest::newRow("beyond the table") << "11" << false;
        QTest::newRow("unparsable") << "x" << false;
    }
    void aStoredCustomLevelStartsOnTheCustomCopy() {
        QFETCH(QString, level);
        QFETCH(bool, custom);
        store->write("Game Level", level);
        store->write("Gun Speed", "3");
        store->write("CustomGun Speed", "8");
        const auto dlg = makeDlg();
        QCOMPARE(dlg->isCustom(), custom);
        QCOMPARE(dlg->current().weapons.gunSpeed, custom ? 8 : 3);
        QCOMPARE(dlg->tab()->weaponsPage()->speedSlider()->value(), custom ? 8 : 3);
        // The switch stores the current copy first, unchanged.
        QCOMPARE(store->read("Gun Speed", ""), QString("3"));
        QCOMPARE(store->read("Show Cylinders", "").isEmpty(), !custom);
    }

    void okCommitsTheSlidersAndStoresOnlyTheEditedCopy_data() {
        QTest::addColumn<bool>("custom");
        QTest::newRow("current") << false;
        QTest::newRow("custom") << true;
    }
    void okCommitsTheSlidersAndStoresOnlyTheEditedCopy() {
        QFETCH(bool, custom);
        const auto dlg = makeDlg();
        if (custom) {
            dlg->switchMode(1);
        }
        const QString prefix = custom ? customPrefix : "";
        const Snapshot before = snapshot();
        showAndWait(*dlg);
        QSlider* speed = group(*dlg, circleType)->speedSlider();
        QTest::keyClick(speed, Qt::Key_Right);
        // The game reads the field, which follows the slider only on commit.
        QCOMPARE(dlg->current().shapes[circleIndex].speed, 5);

        QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
        QVERIFY(dlg->isHidden());
        QCOMPARE(dlg->current().shapes[circleIndex].speed, 6);
        const QStringList changed = changedKeys(before, snapshot());
        QCOMPARE(changed.size(), 50);
        for (const QString& key : changed) {
            QCOMPARE(key.startsWith(customPrefix), custom);
        }
        QCOMPARE(storedCopy(*store, prefix), dlg->current());
        QVERIFY(waitUntil([&] { return recorder->count(WM_DIALOG_CLOSED) == 1; }));
    }

    void cancelEscapeAndCloseBoxRestoreTheStoredCopy_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelEscapeAndCloseBoxRestoreTheStoredCopy() {
        QFETCH(int, how);
        store->write("Gun Speed", "2");
        store->write("Triangle Speed", "1");
        store->write("Shapes Per Second", "6");
        const auto dlg = makeDlg();
        const GameSettings stored = dlg->current();
        const Snapshot before = snapshot();
        // A preset as a game at "Expert" applies it, and a user's move.
        dlg->setWeaponsSpeed(4);
        dlg->setShapeSpeed(0x3000, 8);
        dlg->setTargetsPerSecond(8);
        dlg->clearDistractors();
        QTest::keyClick(dlg->tab()->weaponsPage()->volumeSlider(), Qt::Key_Left);
        QVERIFY(dlg->current() != stored);

        showAndWait(*dlg);
        if (how == 0) {
            QTest::mouseClick(dlg->cancelButton(), Qt::LeftButton);
        } else if (how == 1) {
            QTest::keyClick(dlg->okButton(), Qt::Key_Escape);
        } else {
            dlg->close();
        }
        QVERIFY(dlg->isHidden());
        QCOMPARE(dlg->current(), stored);
        QCOMPARE(dlg->tab()->weaponsPage()->speedSlider()->value(), 2);
        QCOMPARE(snapshot(), before);
        QVERIFY(waitUntil([&] { return recorder->count(WM_DIALOG_CLOSED) == 1; }));
    }

    void switchingModesKeepsEachCopysEdits() {
        store->write("Gun Speed", "3");
        store->write("CustomGun Speed", "8");
        const auto dlg = makeDlg();
        dlg->switchMode(1);
        QVERIFY(dlg->isCustom());
        QCOMPARE(dlg->current().weapons.gunSpeed, 8);
        dlg->setWeaponsSpeed(9);
        dlg->switchMode(0);
        QVERIFY(!dlg->isCustom());
        QCOMPARE(dlg->current().weapons.gunSpeed, 3);
        QCOMPARE(store->read("CustomGun Speed", ""), QString("9"));
        QCOMPARE(store->read("Gun Speed", ""), QString("3"));
    }

    void copyingWritesBothCopiesAndKeepsTheValuesShown() {
        store->write("CustomGun Speed", "1");
        const auto dlg = makeDlg();
        dlg->setShapeSpeed(0x3000, 7);
        dlg->setOneWeaponAtATime(true);
        const GameSettings shown = dlg->current();
        dlg->switchMode(2);
        QVERIFY(dlg->isCustom());
        QCOMPARE(dlg->current(), shown);
        QCOMPARE(storedCopy(*store, ""), shown);
        QCOMPARE(storedCopy(*store, customPrefix), shown);
    }

    void aReloadMessageLoadsAPageFromTheCurrentCopy() {
        store->write("Gun Speed", "3");
        store->write("CustomGun Speed", "8");
        const auto dlg = makeDlg();
        dlg->switchMode(1);
        postWindowMessage(dlg->tab()->weaponsPage(), WM_RELOAD_SETTINGS);
        QVERIFY(waitUntil([&] { return dlg->current().weapons.gunSpeed == 3; }));
    }

    void shapeSpeedAndSizeFollowTheTypeCodeMask_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QList<int>>("changed");
        QTest::newRow("solid group") << 0x2000 << QList<int>{sphereType, cylinderType};
        QTest::newRow("triangle bit alone") << 0x0002 << QList<int>{triangleType};
        QTest::newRow("triangle's code") << 0x1002 << QList<int>{triangleType, rectangleType, circleType};
        QTest::newRow("both groups") << 0x3000
                                     << QList<int>{triangleType, rectangleType, circleType, sphereType,
                                                   cylinderType};
        QTest::newRow("no kind") << 0x0001 << QList<int>{};
    }
    void shapeSpeedAndSizeFollowTheTypeCodeMask() {
        QFETCH(int, mask);
        QFETCH(QList<int>, changed);
        const auto dlg = makeDlg();
        dlg->setShapeSpeed(mask, 7);
        dlg->setShapeSize(mask, 99);
        const GameSettings settings = dlg->current();
        for (const ShapeKind& kind : shapeKinds) {
            const bool hit = changed.contains(kind.typeCode);
            QCOMPARE(settings.shapeByType(kind.typeCode)->speed, hit ? 7 : 5);
            QCOMPARE(settings.shapeByType(kind.typeCode)->size, hit ? 10 : 5);
            QCOMPARE(group(*dlg, kind.typeCode)->speedSlider()->value(), hit ? 7 : 5);
        }
        QVERIFY(snapshot().empty());
    }

    void synchronisedSensitivitiesMoveTogetherUntilUnticked() {
        store->write("Synchronize Mouse Sensitivity", "false");
        store->write("Vertical Mouse Sensitivity", "9");
        const auto dlg = makeDlg();
        const TabAllShapes* page = dlg->tab()->allShapesPage();
        showAndWait(*dlg);
        dlg->tab()->setCurrentWidget(dlg->tab()->allShapesPage());
        QTRY_VERIFY(page->synchronizeBox()->isVisible());
        QCOMPARE(page->verticalSlider()->value(), 9);

        clickBox(page->synchronizeBox());
        QCOMPARE(page->verticalSlider()->value(), 5);
        QTest::keyClick(page->horizontalSlider(), Qt::Key_Right);
        QCOMPARE(page->verticalSlider()->value(), 6);
        QTest::keyClick(page->verticalSlider(), Qt::Key_Left);
        QTest::keyClick(page->verticalSlider(), Qt::Key_Left);
        QCOMPARE(page->horizontalSlider()->value(), 4);

        clickBox(page->synchronizeBox());
        QTest::keyClick(page->horizontalSlider(), Qt::Key_Right);
        QCOMPARE(page->horizontalSlider()->value(), 5);
        QCOMPARE(page->verticalSlider()->value(), 4);
        QCOMPARE(dlg->current().allShapes.verticalMouseSensitivity, 4);
    }

    void randomSizeDisablesSizeAtCreationAndWhenClicked() {
        store->write("Circle Random Size", "true");
        const auto dlg = makeDlg();
        ShapeGroup* circle = group(*dlg, circleType);
        ShapeGroup* triangle = group(*dlg, triangleType);
        QVERIFY(!circle->sizeSlider()->isEnabled());
        QVERIFY(triangle->sizeSlider()->isEnabled());

        showAndWait(*dlg);
        dlg->tab()->setCurrentWidget(dlg->tab()->shapes2DPage());
        QTRY_VERIFY(triangle->randomSizeBox()->isVisible());
        clickBox(triangle->randomSizeBox());
        QVERIFY(!triangle->sizeSlider()->isEnabled());
        clickBox(circle->randomSizeBox());
        QVERIFY(circle->sizeSlider()->isEnabled());

        // A later load leaves the sliders as the clicks left them.
        store->write("Triangle Random Size", "false");
        QTest::mouseClick(dlg->cancelButton(), Qt::LeftButton);
        QVERIFY(!triangle->randomSizeBox()->isChecked());
        QVERIFY(circle->randomSizeBox()->isChecked());
        QVERIFY(!triangle->sizeSlider()->isEnabled());
        QVERIFY(circle->sizeSlider()->isEnabled());
    }

    void volumeSlidersPostTheirGroupAndPosition() {
        const auto dlg = makeDlg();
        QTest::keyClick(dlg->tab()->weaponsPage()->volumeSlider(), Qt::Key_Right);
        QTest::keyClick(dlg->tab()->allShapesPage()->volumeSlider(), Qt::Key_Left);
        QVERIFY(waitUntil([&] { return recorder->count(WM_SET_VOLUME) == 2; }));
        QCOMPARE(recorder->received[0].wParam, 0x1000);
        QCOMPARE(recorder->received[0].lParam, 81);
        QCOMPARE(recorder->received[1].wParam, 0x2000);
        QCOMPARE(recorder->received[1].lParam, 79);

        // Loading moves the sliders back without a message.
        dlg->reject();
        QVERIFY(waitUntil([&] { return recorder->count(WM_DIALOG_CLOSED) == 1; }));
        QCOMPARE(recorder->count(WM_SET_VOLUME), 2);
        QCOMPARE(dlg->tab()->weaponsPage()->volumeSlider()->value(), 80);
    }

    void escapeAndEnterOnAPageCloseNothing() {
        const auto dlg = makeDlg();
        showAndWait(*dlg);
        QCheckBox* box = dlg->tab()->weaponsPage()->oneAtATimeBox();
        box->setFocus();
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(box, key);
        }
        QTest::keyClick(dlg->tab()->weaponsPage()->speedSlider(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(dlg->isVisible());
        QVERIFY(dlg->tab()->weaponsPage()->isVisible());
        QCOMPARE(recorder->count(WM_DIALOG_CLOSED), 0);
        QVERIFY(snapshot().empty());
    }
};

VAZAZO_TEST(TestSettingsDlg)
#include "test_SettingsDlg.moc"
