#include "settings/ShapeSettings.h"

#include "settings/SettingsStore.h"

namespace {

using SettingKeys::ShapeField;
using SettingKeys::ShapeKind;

bool defaultBool(const ShapeField& field, const ShapeKind& kind) {
    return SettingsStore::parseBool(SettingKeys::shapeDefault(field, kind));
}

int defaultInt(const ShapeField& field, const ShapeKind& kind) {
    return SettingsStore::clamp(SettingsStore::parseInt(SettingKeys::shapeDefault(field, kind)),
                                field.minimum, field.maximum);
}

bool readBool(const SettingsStore& store, const QString& prefix, const ShapeField& field,
              const ShapeKind& kind) {
    return store.readSettingBool(prefix + SettingKeys::shapeKey(field, kind),
                                 SettingKeys::shapeDefault(field, kind));
}

int readInt(const SettingsStore& store, const QString& prefix, const ShapeField& field,
            const ShapeKind& kind) {
    return store.readSettingInt(prefix + SettingKeys::shapeKey(field, kind),
                                SettingKeys::shapeDefault(field, kind), field.minimum, field.maximum);
}

void writeBool(SettingsStore& store, const QString& prefix, const ShapeField& field, const ShapeKind& kind,
               bool value) {
    store.write(prefix + SettingKeys::shapeKey(field, kind), SettingsStore::formatBool(value));
}

void writeInt(SettingsStore& store, const QString& prefix, const ShapeField& field, const ShapeKind& kind,
              int value) {
    store.write(prefix + SettingKeys::shapeKey(field, kind), SettingsStore::formatInt(value));
}

} // namespace

ShapeSettings::ShapeSettings(const SettingKeys::ShapeKind& kind)
    : show(defaultBool(SettingKeys::shapeShow, kind)), rotate(defaultBool(SettingKeys::shapeRotate, kind)),
      colour(defaultBool(SettingKeys::shapeColour, kind)),
      oneAtATime(defaultBool(SettingKeys::shapeOneAtATime, kind)),
      speed(defaultInt(SettingKeys::shapeSpeed, kind)), size(defaultInt(SettingKeys::shapeSize, kind)),
      distractor(defaultBool(SettingKeys::shapeDistractor, kind)),
      randomSize(defaultBool(SettingKeys::shapeRandomSize, kind)), shapeKind(kind) {}

void ShapeSettings::load(const SettingsStore& store, const QString& prefix) {
    show = readBool(store, prefix, SettingKeys::shapeShow, shapeKind);
    rotate = readBool(store, prefix, SettingKeys::shapeRotate, shapeKind);
    colour = readBool(store, prefix, SettingKeys::shapeColour, shapeKind);
    oneAtATime = readBool(store, prefix, SettingKeys::shapeOneAtATime, shapeKind);
    speed = readInt(store, prefix, SettingKeys::shapeSpeed, shapeKind);
    size = readInt(store, prefix, SettingKeys::shapeSize, shapeKind);
    distractor = readBool(store, prefix, SettingKeys::shapeDistractor, shapeKind);
    randomSize = readBool(store, prefix, SettingKeys::shapeRandomSize, shapeKind);
}

void ShapeSettings::save(SettingsStore& store, const QString& prefix) const {
    const SettingsStore::Batch batch(store);
    writeBool(store, prefix, SettingKeys::shapeShow, shapeKind, show);
    writeBool(store, prefix, SettingKeys::shapeRotate, shapeKind, rotate);
    writeBool(store, prefix, SettingKeys::shapeColour, shapeKind, colour);
    writeBool(store, prefix, SettingKeys::shapeOneAtATime, shapeKind, oneAtATime);
    writeInt(store, prefix, SettingKeys::shapeSpeed, shapeKind, speed);
    writeInt(store, prefix, SettingKeys::shapeSize, shapeKind, size);
    writeBool(store, prefix, SettingKeys::shapeDistractor, shapeKind, distractor);
    writeBool(store, prefix, SettingKeys::shapeRandomSize, shapeKind, randomSize);
}
