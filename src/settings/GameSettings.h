#pragma once

#include "settings/AllShapesSettings.h"
#include "settings/SettingKeys.h"
#include "settings/ShapeSettings.h"
#include "settings/WeaponSettings.h"

#include <QString>

#include <array>

class SettingsStore;

// The settings of the game being played. The store holds two copies: the current one under the
// plain keys and the custom level's under keys with "Custom" directly in front.
class GameSettings {
public:
    // Every field at its default.
    GameSettings();

    // All parts in page order: Weapons, All Shapes, 2D Shapes, 3D Shapes.
    void load(const SettingsStore& store, const QString& prefix);
    void save(SettingsStore& store, const QString& prefix) const;

    // The flat kinds (triangle, rectangle, circle) and the solid ones (sphere, cylinder), as the
    // two shape pages load and save them.
    void load2DShapes(const SettingsStore& store, const QString& prefix);
    void save2DShapes(SettingsStore& store, const QString& prefix) const;
    void load3DShapes(const SettingsStore& store, const QString& prefix);
    void save3DShapes(SettingsStore& store, const QString& prefix) const;

    // Null for a type code that is not a target kind.
    ShapeSettings* shapeByType(int typeCode);
    const ShapeSettings* shapeByType(int typeCode) const;

    bool operator==(const GameSettings&) const = default;

    WeaponSettings weapons;
    AllShapesSettings allShapes;
    // In storage order, indexed by SettingKeys::triangleIndex and the rest.
    std::array<ShapeSettings, SettingKeys::shapeKindCount> shapes;
};
