#pragma once

#include "settings/TabShapes.h"

// The "2D Shapes" page: triangles, rectangles and circles.
class Tab2DShapes : public TabShapes {
    Q_OBJECT
public:
    explicit Tab2DShapes(SettingsStore& store, QWidget* parent = nullptr);
};
