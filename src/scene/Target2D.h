#pragma once

#include "scene/Shape.h"

#include <memory>

// A target that moves in a straight line and spins about the axis normal to the screen.
class Target2D : public Shape {
public:
    static constexpr int fragmentPointCount = 32;

    // speed is the kind's speed setting 0..10.
    Target2D(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed);

    // Translates to the position, rotates by angle, sets the colour and calls drawShape.
    void draw() override;
    // The first call only records the time.
    void update(double now) override;
    bool isInField() override;

    // The geometry in the object's own frame, in pixels.
    virtual void drawShape() = 0;
    // fragmentPointCount x values, then as many y values, relative to the centre in field units;
    // sets count. Null, with count untouched, for kinds whose explosion needs no points.
    virtual std::unique_ptr<double[]> fragmentPoints(int& count) = 0;
    // Folds angle into the geometry where the kind can, then sets it to 0.
    virtual void bakeRotation() = 0;

    double vx = 0.0;
    double vy = 0.0;
    double spin = 0.0;
    double angle = 0.0;

protected:
    // Still, uncoloured and at the origin: stand-ins that only serve as a fragment source.
    Target2D() = default;
    // Rotates a field-unit offset by angleDegrees as it appears on screen, where x and y have
    // different pixel scales.
    static void rotateAsDrawn(double& px, double& py, double angleDegrees);
    // Unless the paddle moves freely, new targets start just above the top edge; called by each
    // kind once its radius is known.
    void enterFromAbove(const SpawnContext& context);
    // Between translating and drawShape; the solid kinds rotate about their own axis.
    virtual void applyRotation();
};
