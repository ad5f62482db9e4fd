#pragma once

#include "scene/Bullet2D.h"

#include <vector>

// The ball the paddle fires. The firing code sets its velocity and colour.
class Gun : public Bullet2D {
public:
    // The radius every fired gun has, in field units.
    static constexpr double firedRadius = 0.002;

    Gun(double gunRadius, double x, double y);

    int typeCode() override;
    // A wire-frame ball, scaled by the field's width in both directions.
    void draw() override;

    // The colour component, shared by red, green and blue, that shows against a background:
    // white on a dark one, black once any component reaches one half.
    static double colourAgainst(double backgroundRed, double backgroundGreen, double backgroundBlue);
    void setColour(double component);

    double gunRadius = 0.0;
};

// Guns drawn together, every wire of every ball in one draw: a software renderer pays for each
// draw, and the wires are those the ball's own draw makes.
class GunBatch {
public:
    void add(const Gun& gun);
    // Draws what was added and empties the batch.
    void draw();

private:
    std::vector<float> vertices;
    std::vector<float> colours;
};
