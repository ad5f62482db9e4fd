#pragma once

#include "scene/Target2D.h"

// A flat rectangle whose half-diagonal is size; only its proportions are random.
class Rectangle : public Target2D {
public:
    Rectangle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
               double size);

    int typeCode() override;
    void drawShape() override;
    // Also folds the angle into the points and sets it to 0.
    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    // Nothing: fragmentPoints folds the angle instead.
    void bakeRotation() override;

    double width = 0.0;
    double height = 0.0;
};
