#pragma once

#include "scene/Target3D.h"

struct GLUquadric;

// A wire-frame ball turning about its random axis.
class Sphere : public Target3D {
public:
    Sphere(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
           double size);
    ~Sphere() override;
    Sphere(const Sphere&) = delete;
    Sphere& operator=(const Sphere&) = delete;

    int typeCode() override;
    void drawShape() override;

    double sphereRadius = 0.0;

private:
    GLUquadric* quadric;
};
