#include "settings/AllShapesSettings.h"

#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

AllShapesSettings::AllShapesSettings()
    : explosionsVolume(SettingsStore::defaultInt(SettingKeys::explosionsVolume)),
      shapesPerSecond(SettingsStore::defaultInt(SettingKeys::shapesPerSecond)),
      horizontalMouseSensitivity(SettingsStore::defaultInt(SettingKeys::horizontalMouseSensitivity)),
      verticalMouseSensitivity(SettingsStore::defaultInt(SettingKeys::verticalMouseSensitivity)),
      synchronizeMouseSensitivity(SettingsStore::defaultBool(SettingKeys::synchronizeMouseSensitivity)),
      noHorizontalMovementOfTargets(SettingsStore::defaultBool(SettingKeys::noHorizontalMovementOfTargets)),
      minimumDistanceFromPaddle(SettingsStore::defaultInt(SettingKeys::minimumDistanceFromPaddle)) {}

void AllShapesSettings::load(const SettingsStore& store, const QString& prefix) {
    explosionsVolume = store.readInt(SettingKeys::explosionsVolume, prefix);
    shapesPerSecond = store.readInt(SettingKeys::shapesPerSecond, prefix);
    horizontalMouseSensitivity = store.readInt(SettingKeys::horizontalMouseSensitivity, prefix);
    verticalMouseSensitivity = store.readInt(SettingKeys::verticalMouseSensitivity, prefix);
    synchronizeMouseSensitivity = store.readBool(SettingKeys::synchronizeMouseSensitivity, prefix);
    if (synchronizeMouseSensitivity) {
        verticalMouseSensitivity = horizontalMouseSensitivity;
    }
    noHorizontalMovementOfTargets = store.readBool(SettingKeys::noHorizontalMovementOfTargets, prefix);
    minimumDistanceFromPaddle = store.readInt(SettingKeys::minimumDistanceFromPaddle, prefix);
}

void AllShapesSettings::save(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    store.writeInt(SettingKeys::explosionsVolume, explosionsVolume, prefix);
    store.writeInt(SettingKeys::shapesPerSecond, shapesPerSecond, prefix);
    store.writeInt(SettingKeys::horizontalMouseSensitivity, horizontalMouseSensitivity, prefix);
    store.writeInt(SettingKeys::verticalMouseSensitivity, verticalMouseSensitivity, prefix);
    store.writeBool(SettingKeys::synchronizeMouseSensitivity, synchronizeMouseSensitivity, prefix);
    store.writeBool(SettingKeys::noHorizontalMovementOfTargets, noHorizontalMovementOfTargets, prefix);
    store.writeInt(SettingKeys::minimumDistanceFromPaddle, minimumDistanceFromPaddle, prefix);
}

double AllShapesSettings::minimumDistance() const {
    const SettingKeys::Entry& entry = SettingKeys::minimumDistanceFromPaddle;
    return SettingsStore::clamp(minimumDistanceFromPaddle, entry.minimum, entry.maximum) /
           double(entry.maximum);
}
