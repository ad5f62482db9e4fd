#include "settings/GameSettings.h"

#include "settings/SettingsStore.h"

#include <algorithm>

GameSettings::GameSettings()
    : shapes{ShapeSettings(SettingKeys::shapeKinds[0]), ShapeSettings(SettingKeys::shapeKinds[1]),
             ShapeSettings(SettingKeys::shapeKinds[2]), ShapeSettings(SettingKeys::shapeKinds[3]),
             ShapeSettings(SettingKeys::shapeKinds[4])} {}

void GameSettings::load(const SettingsStore& store, const QString& prefix) {
    weapons.load(store, prefix);
    allShapes.load(store, prefix);
    load2DShapes(store, prefix);
    load3DShapes(store, prefix);
}

void GameSettings::save(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    weapons.save(store, prefix);
    allShapes.save(store, prefix);
    save2DShapes(store, prefix);
    save3DShapes(store, prefix);
}

void GameSettings::load2DShapes(const SettingsStore& store, const QString& prefix) {
    for (int i = 0; i < SettingKeys::flatShapeKindCount; ++i) {
        shapes[i].load(store, prefix);
    }
}

void GameSettings::save2DShapes(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    for (int i = 0; i < SettingKeys::flatShapeKindCount; ++i) {
        shapes[i].save(store, prefix);
    }
}

void GameSettings::load3DShapes(const SettingsStore& store, const QString& prefix) {
    for (int i = SettingKeys::flatShapeKindCount; i < SettingKeys::shapeKindCount; ++i) {
        shapes[i].load(store, prefix);
    }
}

void GameSettings::save3DShapes(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    for (int i = SettingKeys::flatShapeKindCount; i < SettingKeys::shapeKindCount; ++i) {
        shapes[i].save(store, prefix);
    }
}

ShapeSettings* GameSettings::shapeByType(int typeCode) {
    const auto found = std::find_if(shapes.begin(), shapes.end(), [typeCode](const ShapeSettings& shape) {
        return shape.typeCode() == typeCode;
    });
    return found != shapes.end() ? &*found : nullptr;
}

const ShapeSettings* GameSettings::shapeByType(int typeCode) const {
    return const_cast<GameSettings*>(this)->shapeByType(typeCode);
}
