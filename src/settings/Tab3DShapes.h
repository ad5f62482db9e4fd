#pragma once

#include "settings/TabShapes.h"

// The "3D Shapes" page: spheres and cylinders.
class Tab3DShapes : public TabShapes {
    Q_OBJECT
public:
    explicit Tab3DShapes(SettingsStore& store, QWidget* parent = nullptr);
};
