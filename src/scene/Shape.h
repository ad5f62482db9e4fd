#pragma once

#include "scene/Frame.h"
#include "scene/SpawnContext.h"
#include "scene/Transform.h"

#include <QString>

// A scene object with a place, a colour and a bounding circle: targets, guns and fragments.
class Shape : public Transform, public Frame {
public:
    // Places the object away from the paddle and picks its colour.
    Shape(const SpawnContext& context, bool changeColour, bool distractor);
    // For fragments: keeps distractor, colour, position, radius and score value, nothing else.
    Shape(const Shape& other);
    Shape& operator=(const Shape&) = delete;

    virtual bool isInField() = 0;
    virtual int typeCode() = 0;

    // Whether a circle of otherRadius at (px, py) touches this object; the 1.1 undoes the margin
    // every radius carries.
    bool collides(double px, double py, double otherRadius) const;
    QString getName() const { return name; }

    double spawnTime = 0.0;
    bool distractor = false;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;
    double x = 0.0;
    double y = 0.0;
    double x0 = 0.0;
    double y0 = 0.0;
    double radius = 0.0;
    double scoreValue = 1.0;
    QString name;

protected:
    // Black, at the origin, not placed: objects such as guns that place themselves.
    Shape() = default;
};
