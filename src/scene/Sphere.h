#pragma once

#include "scene/Target3D.h"

// A wire-frame ball turning about its random axis.
class Sphere : public Target3D {
public:
    Sphere(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
           double size);

    int typeCode() override;
    void drawShape() override;

    double sphereRadius = 0.0;
};
