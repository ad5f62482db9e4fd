#pragma once

#include "settings/GameSettingsPages.h"

#include <QDialog>

class QObject;
class QPushButton;
class SettingsStore;
class SettingsTab;

// The "Game Settings" dialog: a persistent modeless window, created hidden, whose pages hold the
// settings of the game being played. It edits either the current copy or the custom level's copy.
// "OK" stores the pages, "Cancel" (also Escape and the close box) reloads them; both post
// WM_DIALOG_CLOSED to the main window and hide the dialog.
class SettingsDlg : public QDialog, public GameSettingsPages {
    Q_OBJECT
public:
    // messageTarget (the main window) receives WM_DIALOG_CLOSED and WM_SET_VOLUME. When the stored
    // "Game Level" is a custom level the dialog starts on the custom copy.
    SettingsDlg(SettingsStore& store, QObject* messageTarget, QWidget* parent = nullptr);

    GameSettings current() const override;

    void showAllShapes() override;
    void rotateAllShapes() override;
    void colourAllShapes() override;
    void clearOneAtATime() override;
    void clearDistractors() override;

    bool oneWeaponAtATime() const override;
    void setOneWeaponAtATime(bool on) override;

    void setWeaponsSpeed(int position) override;
    void setShapeSpeed(int kindMask, int position) override;
    void setShapeSize(int kindMask, int position) override;
    void setTargetsPerSecond(int position) override;

    bool isCustom() const override { return custom; }
    // 0: back to the current copy, 1: to the custom copy, 2: copy the current values to the custom
    // level and edit that. Other modes are ignored.
    void switchMode(int mode) override;

    SettingsTab* tab() const { return settingsTab; }
    QPushButton* okButton() const { return ok; }
    QPushButton* cancelButton() const { return cancel; }

public slots:
    void accept() override;
    void reject() override;

private:
    QString prefix() const;

    SettingsStore& store;
    QObject* messageTarget;
    SettingsTab* settingsTab;
    QPushButton* ok;
    QPushButton* cancel;
    bool custom = false;
};
