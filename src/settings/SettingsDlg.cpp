#include "settings/SettingsDlg.h"

#include "core/WindowMessages.h"
#include "dialogs/DialogUnits.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTab.h"
#include "settings/TabWeapons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 408;
constexpr int heightDu = 386;
// The strip under the tab control that holds the buttons.
constexpr int buttonStripPx = 44;
constexpr int firstCustomLevel = 6;
constexpr int lastCustomLevel = 10;

enum Mode { currentMode = 0, customMode = 1, copyToCustomMode = 2 };
} // namespace

SettingsDlg::SettingsDlg(SettingsStore& store, QObject* messageTarget, QWidget* parent)
    : QDialog(parent), store(store), messageTarget(messageTarget),
      settingsTab(new SettingsTab(store, messageTarget, this)), ok(new QPushButton("OK", this)),
      cancel(new QPushButton("Cancel", this)) {
    setWindowTitle("Game Settings");
    setModal(false);

    auto* buttonStrip = new QWidget(this);
    buttonStrip->setFixedHeight(buttonStripPx);
    auto* buttons = new QHBoxLayout(buttonStrip);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(settingsTab, 1);
    layout->addWidget(buttonStrip);
    resize(DialogUnits::toPixels(widthDu, heightDu, font()));

    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SettingsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &SettingsDlg::reject);

    const int level = store.readInt(SettingKeys::gameLevel);
    if (level >= firstCustomLevel && level <= lastCustomLevel) {
        custom = true;
        settingsTab->commitPages();
        {
            const SettingsStore::Batch batch(store);
            settingsTab->savePages({});
        }
        settingsTab->loadPages(SettingKeys::customPrefix);
        settingsTab->refreshPages();
    }
}

QString SettingsDlg::prefix() const {
    return custom ? QString(SettingKeys::customPrefix) : QString();
}

void SettingsDlg::accept() {
    settingsTab->commitPages();
    {
        const SettingsStore::Batch batch(store);
        settingsTab->savePages(prefix());
    }
    postWindowMessage(messageTarget, WindowMessages::WM_DIALOG_CLOSED);
    QDialog::accept();
}

void SettingsDlg::reject() {
    settingsTab->loadPages(prefix());
    settingsTab->refreshPages();
    postWindowMessage(messageTarget, WindowMessages::WM_DIALOG_CLOSED);
    QDialog::reject();
}

void SettingsDlg::switchMode(int mode) {
    if (mode != currentMode && mode != customMode && mode != copyToCustomMode) {
        return;
    }
    custom = mode != currentMode;
    const SettingsStore::Batch batch(store);
    if (mode == copyToCustomMode) {
        settingsTab->savePages(SettingKeys::customPrefix);
    } else {
        settingsTab->commitPages();
    }
    // Leaving a copy stores it first, so neither copy loses its edits.
    settingsTab->savePages(mode == currentMode ? QString(SettingKeys::customPrefix) : QString());
    if (mode != copyToCustomMode) {
        settingsTab->loadPages(prefix());
        settingsTab->refreshPages();
    }
}

GameSettings SettingsDlg::current() const {
    return settingsTab->current();
}

void SettingsDlg::showAllShapes() {
    settingsTab->showAllShapes();
}

void SettingsDlg::rotateAllShapes() {
    settingsTab->rotateAllShapes();
}

void SettingsDlg::colourAllShapes() {
    settingsTab->colourAllShapes();
}

void SettingsDlg::clearOneAtATime() {
    settingsTab->clearOneAtATime();
}

void SettingsDlg::clearDistractors() {
    settingsTab->clearDistractors();
}

bool SettingsDlg::oneWeaponAtATime() const {
    return settingsTab->weaponsPage()->settings().oneWeaponAtATime;
}

void SettingsDlg::setOneWeaponAtATime(bool on) {
    settingsTab->weaponsPage()->setOneWeaponAtATime(on);
}

void SettingsDlg::setWeaponsSpeed(int position) {
    settingsTab->setWeaponsSpeed(position);
}

void SettingsDlg::setShapeSpeed(int kindMask, int position) {
    settingsTab->setShapeSpeed(kindMask, position);
}

void SettingsDlg::setShapeSize(int kindMask, int position) {
    settingsTab->setShapeSize(kindMask, position);
}

void SettingsDlg::setTargetsPerSecond(int position) {
    settingsTab->setTargetsPerSecond(position);
}
