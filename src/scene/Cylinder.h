#pragma once

#include "scene/Target3D.h"

// A wire-frame tube from the centre along its local z axis, seen through its random rotation.
class Cylinder : public Target3D {
public:
    Cylinder(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
             double size);

    int typeCode() override;
    void drawShape() override;

    double cylinderRadius = 0.0;
    double length = 0.0;
    int slices = 0;
    int stacks = 0;
};
