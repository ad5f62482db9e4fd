#include "settings/SettingsTab.h"

#include "settings/ShapeGroup.h"
#include "settings/Tab2DShapes.h"
#include "settings/Tab3DShapes.h"
#include "settings/TabAllShapes.h"
#include "settings/TabWeapons.h"

#include <QCheckBox>

SettingsTab::SettingsTab(SettingsStore& store, QObject* messageTarget, QWidget* parent)
    : QTabWidget(parent), weapons(new TabWeapons(store, messageTarget)),
      allShapes(new TabAllShapes(store, messageTarget)), shapes2D(new Tab2DShapes(store)),
      shapes3D(new Tab3DShapes(store)) {
    addTab(weapons, "Weapons");
    addTab(allShapes, "All Shapes");
    addTab(shapes2D, "2D Shapes");
    addTab(shapes3D, "3D Shapes");
    setCurrentIndex(0);
}

std::array<TabDlg*, 4> SettingsTab::pages() const {
    return {weapons, allShapes, shapes2D, shapes3D};
}

template <typename Action> void SettingsTab::forEachGroup(Action action) const {
    for (const TabShapes* page : std::array<const TabShapes*, 2>{shapes2D, shapes3D}) {
        for (ShapeGroup* group : page->groups()) {
            action(*group);
        }
    }
}

void SettingsTab::loadPages(const QString& prefix) {
    for (TabDlg* page : pages()) {
        page->loadPage(prefix);
    }
}

void SettingsTab::savePages(const QString& prefix) {
    for (TabDlg* page : pages()) {
        page->savePage(prefix);
    }
}

void SettingsTab::commitPages() {
    for (TabDlg* page : pages()) {
        page->commitControls();
    }
}

void SettingsTab::refreshPages() {
    for (TabDlg* page : pages()) {
        page->refreshControls();
    }
}

GameSettings SettingsTab::current() const {
    GameSettings result;
    result.weapons = weapons->settings();
    result.allShapes = allShapes->settings();
    forEachGroup([&result](const ShapeGroup& group) {
        if (ShapeSettings* shape = result.shapeByType(group.typeCode())) {
            *shape = group.settings();
        }
    });
    return result;
}

void SettingsTab::showAllShapes() {
    forEachGroup([](ShapeGroup& group) { group.showBox()->setChecked(true); });
}

void SettingsTab::rotateAllShapes() {
    forEachGroup([](ShapeGroup& group) { group.rotateBox()->setChecked(true); });
}

void SettingsTab::colourAllShapes() {
    forEachGroup([](ShapeGroup& group) { group.colourBox()->setChecked(true); });
}

void SettingsTab::clearOneAtATime() {
    forEachGroup([](ShapeGroup& group) { group.oneAtATimeBox()->setChecked(false); });
}

void SettingsTab::clearDistractors() {
    forEachGroup([](ShapeGroup& group) { group.distractorBox()->setChecked(false); });
}

void SettingsTab::setShapeSpeed(int kindMask, int position) {
    forEachGroup([=](ShapeGroup& group) {
        if ((group.typeCode() & kindMask) != 0) {
            group.setSpeed(position);
        }
    });
}

void SettingsTab::setShapeSize(int kindMask, int position) {
    forEachGroup([=](ShapeGroup& group) {
        if ((group.typeCode() & kindMask) != 0) {
            group.setSize(position);
        }
    });
}

void SettingsTab::setWeaponsSpeed(int position) {
    weapons->setGunSpeed(position);
}

void SettingsTab::setTargetsPerSecond(int position) {
    allShapes->setTargetsPerSecond(position);
}
