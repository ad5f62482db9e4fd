#pragma once

#include "scene/Target2D.h"

// A solid target: it spins about its own random axis and explodes without sample points.
class Target3D : public Target2D {
public:
    Target3D(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed);

    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    void bakeRotation() override;

    // Rotation axis for angle; deliberately not normalised.
    double axisX = 0.0;
    double axisY = 0.0;
    double axisZ = 0.0;

protected:
    void applyRotation() override;
};
