#include "settings/TabWeapons.h"

#include "core/WindowMessages.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 269;
constexpr int heightDu = 202;
constexpr int volumeTick = 10;
// WM_SET_VOLUME's group for the gun sound.
constexpr int gunsVolumeGroup = 0x1000;
} // namespace

TabWeapons::TabWeapons(SettingsStore& store, QObject* messageTarget, QWidget* parent)
    : TabDlg(store, parent), messageTarget(messageTarget), weapons(new QComboBox(this)),
      speed(makeSlider(this, SettingKeys::gunSpeed.minimum, SettingKeys::gunSpeed.maximum)),
      oneAtATime(new QCheckBox("One at a time", this)),
      volume(makeSlider(this, SettingKeys::gunsVolume.minimum, SettingKeys::gunsVolume.maximum, volumeTick)),
      gunSpeed(SettingsStore::defaultInt(SettingKeys::gunSpeed)) {
    weapons->addItem("Gun");

    QVBoxLayout* layout = contentLayout(widthDu, heightDu);
    layout->addWidget(new QLabel("Choose weapon:", this));
    layout->addWidget(weapons);
    // One grid, so both sliders start at the same place.
    auto* rows = new QGridLayout;
    rows->addWidget(new QLabel("Speed:", this), 0, 0, Qt::AlignTop);
    rows->addWidget(withEndLabels(speed, "Slow", "Fast"), 0, 1);
    rows->addWidget(oneAtATime, 1, 0, 1, 2);
    rows->setRowMinimumHeight(2, fontMetrics().height());
    rows->addWidget(new QLabel("All weapons:", this), 3, 0, 1, 2);
    rows->addWidget(new QLabel("Volume:", this), 4, 0, Qt::AlignTop);
    rows->addWidget(withEndLabels(volume, "Mute", "Max"), 4, 1);
    layout->addLayout(rows);
    layout->addStretch();

    connect(volume, &QSlider::valueChanged, this, [this](int position) {
        postWindowMessage(this->messageTarget, WindowMessages::WM_SET_VOLUME, gunsVolumeGroup, position);
    });

    loadPage({});
}

void TabWeapons::loadPage(const QString& prefix) {
    WeaponSettings loaded;
    loaded.load(store(), prefix);
    weapons->setCurrentIndex(0);
    gunSpeed = loaded.gunSpeed;
    setPosition(speed, gunSpeed);
    oneAtATime->setChecked(loaded.oneWeaponAtATime);
    setPosition(volume, loaded.gunsVolume);
}

void TabWeapons::savePage(const QString& prefix) {
    settings().save(store(), prefix);
}

void TabWeapons::commitControls() {
    gunSpeed = speed->value();
}

void TabWeapons::refreshControls() {
    setPosition(speed, gunSpeed);
}

WeaponSettings TabWeapons::settings() const {
    WeaponSettings result;
    result.gunSpeed = gunSpeed;
    result.gunsVolume = volume->value();
    result.oneWeaponAtATime = oneAtATime->isChecked();
    return result;
}

void TabWeapons::setGunSpeed(int position) {
    setPosition(speed, position);
    gunSpeed = speed->value();
}

void TabWeapons::setOneWeaponAtATime(bool on) {
    oneAtATime->setChecked(on);
}
