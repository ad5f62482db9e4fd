#include "scene/Circle.h"
#include "scene/QuadricLists.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cmath>

namespace {
constexpr double radiusMargin = 1.1;
constexpr int tessellation = 24;
// Seen along its axis in one flat colour, the filled sphere shows only its outline, which the
// slices make; more stacks would only add triangles nobody sees.
constexpr int flatStacks = 4;
constexpr int rimPoints = 16;
// The rim's step and end as the angle is accumulated, so the count of rim points is exactly 16.
constexpr double rimStep = 0.39269908169872414;
constexpr double fullCircle = 6.283185307179586;
} // namespace

Circle::Circle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
               double size)
    : Target2D(context, changeColour, distractor, rotate, speed) {
    name = ObjectNames::take(ObjectNames::circle);
    circleRadius = size;
    radius = radiusMargin * size;
    enterFromAbove(context);
}

int Circle::typeCode() {
    return TypeCodes::circle;
}

void Circle::drawShape() {
    QuadricLists::drawSphere(circleRadius * FieldScale::program().fieldWidthPx, tessellation, flatStacks,
                             GLU_FILL);
}

std::unique_ptr<double[]> Circle::fragmentPoints(int& count) {
    const FieldScale& scale = FieldScale::program();
    // Field y units are a different size on screen; the drawn disc is round in pixels.
    const double yStretch = static_cast<double>(scale.fieldWidthPx) / scale.fieldHeightPx;
    const double r = circleRadius;
    auto buffer = std::make_unique<double[]>(2 * fragmentPointCount);
    double* xs = buffer.get();
    double* ys = xs + fragmentPointCount;
    int i = 0;
    for (double t = 0.0; t < fullCircle && i < rimPoints; t += rimStep, ++i) {
        xs[i] = std::cos(t) * r;
        ys[i] = std::sin(t) * r * yStretch;
    }
    for (; i < fragmentPointCount; ++i) {
        double a = 0.0;
        double b = 0.0;
        do {
            a = randSigned() * r;
            b = randSigned() * r;
        } while (a * a + b * b >= r * r && r > 0.0);
        xs[i] = a;
        ys[i] = b * yStretch;
    }
    count = fragmentPointCount;
    return buffer;
}

void Circle::bakeRotation() {
    angle = 0.0;
}
