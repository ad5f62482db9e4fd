#include "settings/Tab3DShapes.h"

namespace {
constexpr int widthDu = 404;
constexpr int heightDu = 340;
} // namespace

Tab3DShapes::Tab3DShapes(SettingsStore& store, QWidget* parent)
    : TabShapes(store, {{"Spheres", SettingKeys::sphereIndex}, {"Cylinders", SettingKeys::cylinderIndex}},
                widthDu, heightDu, parent) {}
