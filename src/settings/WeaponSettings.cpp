#include "settings/WeaponSettings.h"

#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

WeaponSettings::WeaponSettings()
    : gunSpeed(SettingsStore::defaultInt(SettingKeys::gunSpeed)),
      gunsVolume(SettingsStore::defaultInt(SettingKeys::gunsVolume)),
      oneWeaponAtATime(SettingsStore::defaultBool(SettingKeys::oneWeaponAtATime)) {}

void WeaponSettings::load(const SettingsStore& store, const QString& prefix) {
    gunSpeed = store.readInt(SettingKeys::gunSpeed, prefix);
    gunsVolume = store.readInt(SettingKeys::gunsVolume, prefix);
    oneWeaponAtATime = store.readBool(SettingKeys::oneWeaponAtATime, prefix);
}

void WeaponSettings::save(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    store.writeInt(SettingKeys::gunSpeed, gunSpeed, prefix);
    store.writeInt(SettingKeys::gunsVolume, gunsVolume, prefix);
    store.writeBool(SettingKeys::oneWeaponAtATime, oneWeaponAtATime, prefix);
}
