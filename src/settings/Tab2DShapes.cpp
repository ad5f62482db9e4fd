#include "settings/Tab2DShapes.h"

namespace {
constexpr int widthDu = 406;
constexpr int heightDu = 340;
} // namespace

// "Traingles" is the title the players know.
Tab2DShapes::Tab2DShapes(SettingsStore& store, QWidget* parent)
    : TabShapes(store,
                {{"Traingles", SettingKeys::triangleIndex},
                 {"Rectangles", SettingKeys::rectangleIndex},
                 {"Circles", SettingKeys::circleIndex}},
                widthDu, heightDu, parent) {}
