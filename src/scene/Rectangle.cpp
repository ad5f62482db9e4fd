#include "scene/Rectangle.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>

#include <cmath>

namespace {
// The proportions are drawn with this rounded quarter turn, not the exact one.
constexpr double roughPi = 3.1415;
constexpr double radiusMargin = 1.1;
constexpr int pointsPerEdge = 4;
constexpr int interiorPoints = 12;
} // namespace

Rectangle::Rectangle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate,
                       double speed, double size)
    : Target2D(context, changeColour, distractor, rotate, speed) {
    name = ObjectNames::take(ObjectNames::rectangle);
    const double a = rand01() * roughPi * 0.5;
    width = 2.0 * size * std::sin(a);
    height = 2.0 * size * std::cos(a);
    radius = 0.5 * radiusMargin * std::sqrt(width * width + height * height);
    enterFromAbove(context);
}

int Rectangle::typeCode() {
    return TypeCodes::rectangle;
}

void Rectangle::drawShape() {
    const FieldScale& scale = FieldScale::program();
    const double w = width / 2.0 * scale.fieldWidthPx;
    const double h = height / 2.0 * scale.fieldHeightPx;
    glBegin(GL_POLYGON);
    glVertex2d(-w, -h);
    glVertex2d(w, -h);
    glVertex2d(w, h);
    glVertex2d(-w, h);
    glEnd();
}

std::unique_ptr<double[]> Rectangle::fragmentPoints(int& count) {
    auto buffer = std::make_unique<double[]>(2 * fragmentPointCount);
    double* xs = buffer.get();
    double* ys = xs + fragmentPointCount;
    const double w = width / 2.0;
    const double h = height / 2.0;
    int i = 0;
    auto put = [&](double px, double py) {
        xs[i] = px;
        ys[i] = py;
        ++i;
    };
    put(-w, -h);
    put(w, -h);
    put(w, h);
    put(-w, h);
    for (int k = 0; k < pointsPerEdge; ++k)
        put(randSigned() * w, -h);
    for (int k = 0; k < pointsPerEdge; ++k)
        put(w, randSigned() * h);
    for (int k = 0; k < pointsPerEdge; ++k)
        put(randSigned() * w, h);
    for (int k = 0; k < pointsPerEdge; ++k)
        put(-w, randSigned() * h);
    for (int k = 0; k < interiorPoints; ++k) {
        const double px = randSigned() * w;
        put(px, randSigned() * h);
    }
    for (int k = 0; k < fragmentPointCount; ++k)
        rotateAsDrawn(xs[k], ys[k], angle);
    angle = 0.0;
    count = fragmentPointCount;
    return buffer;
}

void Rectangle::bakeRotation() {}
