#pragma once

#include "settings/SettingKeys.h"

#include <QString>

class SettingsStore;

// One target kind's part of GameSettings; its keys are built from the kind's words.
class ShapeSettings {
public:
    // Every field at the kind's default.
    explicit ShapeSettings(const SettingKeys::ShapeKind& kind);

    // Reads every field from prefix + key, clamping integers into their ranges.
    void load(const SettingsStore& store, const QString& prefix);
    void save(SettingsStore& store, const QString& prefix) const;

    const SettingKeys::ShapeKind& kind() const { return shapeKind; }
    int typeCode() const { return shapeKind.typeCode; }

    bool operator==(const ShapeSettings&) const = default;

    bool show;
    bool rotate;
    bool colour;
    bool oneAtATime;
    int speed;
    int size;
    bool distractor;
    bool randomSize;

private:
    SettingKeys::ShapeKind shapeKind;
};
