#pragma once

#include "settings/TabDlg.h"
#include "settings/WeaponSettings.h"

class QCheckBox;
class QComboBox;
class QObject;
class QSlider;

// The "Weapons" page: gun speed (kept in a field), "One at a time" and the guns' volume.
class TabWeapons : public TabDlg {
    Q_OBJECT
public:
    // Volume moves are posted to messageTarget (the main window) as WM_SET_VOLUME.
    TabWeapons(SettingsStore& store, QObject* messageTarget, QWidget* parent = nullptr);

    void loadPage(const QString& prefix) override;
    void savePage(const QString& prefix) override;
    void commitControls() override;
    void refreshControls() override;

    // What the page holds: the speed from its field, the rest from the controls.
    WeaponSettings settings() const;
    // Moves the speed slider and takes it into the field.
    void setGunSpeed(int position);
    void setOneWeaponAtATime(bool on);

    QComboBox* weaponList() const { return weapons; }
    QSlider* speedSlider() const { return speed; }
    QCheckBox* oneAtATimeBox() const { return oneAtATime; }
    QSlider* volumeSlider() const { return volume; }

private:
    QObject* messageTarget;
    QComboBox* weapons;
    QSlider* speed;
    QCheckBox* oneAtATime;
    QSlider* volume;
    int gunSpeed;
};
