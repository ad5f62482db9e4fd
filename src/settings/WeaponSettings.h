#pragma once

#include <QString>

class SettingsStore;

// The "Weapons" page's part of GameSettings.
class WeaponSettings {
public:
    // Every field at its default.
    WeaponSettings();

    // Reads every field from prefix + key, clamping integers into their ranges.
    void load(const SettingsStore& store, const QString& prefix);
    void save(SettingsStore& store, const QString& prefix) const;

    bool operator==(const WeaponSettings&) const = default;

    int gunSpeed;
    int gunsVolume;
    bool oneWeaponAtATime;
};
