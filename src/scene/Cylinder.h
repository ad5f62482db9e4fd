#pragma once

#include "scene/Target3D.h"

struct GLUquadric;

// A wire-frame tube from the centre along its local z axis, seen through its random rotation.
class Cylinder : public Target3D {
public:
    Cylinder(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
             double size);
    ~Cylinder() override;
    Cylinder(const Cylinder&) = delete;
    Cylinder& operator=(const Cylinder&) = delete;

    int typeCode() override;
    void drawShape() override;

    double cylinderRadius = 0.0;
    double length = 0.0;
    int slices = 0;
    int stacks = 0;

private:
    GLUquadric* quadric;
};
