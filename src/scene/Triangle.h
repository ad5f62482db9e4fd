#pragma once

#include "scene/Target2D.h"

// A random flat triangle with about the area of a circle of radius size.
class Triangle : public Target2D {
public:
    Triangle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
             double size);

    int typeCode() override;
    void drawShape() override;
    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    void bakeRotation() override;

    // Heron's formula on the current vertices.
    double area() const;

    // Vertices relative to the centroid, field units.
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    double x3 = 0.0;
    double y3 = 0.0;
};
