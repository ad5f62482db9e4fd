#pragma once

#include "settings/GameSettings.h"

#include <QTabWidget>

#include <array>

class QObject;
class SettingsStore;
class TabAllShapes;
class TabDlg;
class Tab2DShapes;
class Tab3DShapes;
class TabWeapons;

// The tab control of the game settings dialog with its four pages, which hold the settings of the
// game being played. The operations below change controls and fields in memory only.
class SettingsTab : public QTabWidget {
    Q_OBJECT
public:
    // Creates the pages, each loaded from the current copy; volume moves go to messageTarget.
    SettingsTab(SettingsStore& store, QObject* messageTarget, QWidget* parent = nullptr);

    // Every page in the order Weapons, All Shapes, 2D Shapes, 3D Shapes.
    void loadPages(const QString& prefix);
    void savePages(const QString& prefix);
    void commitPages();
    void refreshPages();

    // What the pages hold now: fields where a page keeps them, controls elsewhere.
    GameSettings current() const;

    // For all five target kinds.
    void showAllShapes();
    void rotateAllShapes();
    void colourAllShapes();
    void clearOneAtATime();
    void clearDistractors();

    // For every kind whose type code shares a bit with kindMask: 0x1000 the flat kinds, 0x2000
    // the solid ones, 0x0002 the triangle alone.
    void setShapeSpeed(int kindMask, int position);
    void setShapeSize(int kindMask, int position);
    void setWeaponsSpeed(int position);
    void setTargetsPerSecond(int position);

    TabWeapons* weaponsPage() const { return weapons; }
    TabAllShapes* allShapesPage() const { return allShapes; }
    Tab2DShapes* shapes2DPage() const { return shapes2D; }
    Tab3DShapes* shapes3DPage() const { return shapes3D; }

private:
    std::array<TabDlg*, 4> pages() const;
    template <typename Action> void forEachGroup(Action action) const;

    TabWeapons* weapons;
    TabAllShapes* allShapes;
    Tab2DShapes* shapes2D;
    Tab3DShapes* shapes3D;
};
