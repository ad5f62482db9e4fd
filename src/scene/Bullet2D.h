#pragma once

#include "scene/Shape.h"

// A shape that flies in a straight line without turning.
class Bullet2D : public Shape {
public:
    // Black, not yet placed and at rest.
    Bullet2D() = default;

    // The first call only records the time.
    void update(double now) override;
    // No test against the bottom edge: bullets only fly away from the paddle's side.
    bool isInField() override;

    double vx = 0.0;
    double vy = 0.0;
};
