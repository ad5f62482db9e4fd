#pragma once

#include "scene/Target2D.h"

// A flat disc; its radius is scaled by the field's width in both directions, so it stays round.
class Circle : public Target2D {
public:
    Circle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
           double size);

    int typeCode() override;
    void drawShape() override;
    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    void bakeRotation() override;

    double circleRadius = 0.0;
};
