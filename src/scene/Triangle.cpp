#include "scene/Triangle.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double spanPerSize = 4.0;
constexpr double circleAreaFactor = 3.1415;
constexpr double areaTolerance = 0.1;
constexpr double maxVertexDistancePerSize = 3.0;
constexpr double radiusMargin = 1.1;
constexpr int edgePoints = 4;
constexpr int interiorPoints = 17;
} // namespace

Triangle::Triangle(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
                   double size)
    : Target2D(context, changeColour, distractor, rotate, speed) {
    name = ObjectNames::take(ObjectNames::triangle);
    const double span = spanPerSize * size;
    const double target = circleAreaFactor * size * size;
    double farthest = 0.0;
    for (;;) {
        x1 = rand01() * span;
        y1 = rand01() * span;
        x2 = rand01() * span;
        y2 = rand01() * span;
        x3 = rand01() * span;
        y3 = rand01() * span;
        const double cx = (x1 + x2 + x3) / 3.0;
        const double cy = (y1 + y2 + y3) / 3.0;
        x1 -= cx;
        x2 -= cx;
        x3 -= cx;
        y1 -= cy;
        y2 -= cy;
        y3 -= cy;
        farthest = std::max({std::hypot(x1, y1), std::hypot(x2, y2), std::hypot(x3, y3)});
        const double a = area();
        if ((1.0 - areaTolerance) * target <= a && a <= (1.0 + areaTolerance) * target &&
            farthest <= maxVertexDistancePerSize * size)
            break;
    }
    radius = radiusMargin * farthest;
    enterFromAbove(context);
}

int Triangle::typeCode() {
    return TypeCodes::triangle;
}

double Triangle::area() const {
    const double a = std::hypot(x2 - x1, y2 - y1);
    const double b = std::hypot(x3 - x2, y3 - y2);
    const double c = std::hypot(x1 - x3, y1 - y3);
    const double s = (a + b + c) / 2.0;
    // Rounding can make a flat triangle's product slightly negative.
    return std::sqrt(std::max(0.0, s * (s - a) * (s - b) * (s - c)));
}

void Triangle::drawShape() {
    const FieldScale& scale = FieldScale::program();
    glBegin(GL_TRIANGLES);
    glVertex2d(x1 * scale.fieldWidthPx, y1 * scale.fieldHeightPx);
    glVertex2d(x2 * scale.fieldWidthPx, y2 * scale.fieldHeightPx);
    glVertex2d(x3 * scale.fieldWidthPx, y3 * scale.fieldHeightPx);
    glEnd();
}

std::unique_ptr<double[]> Triangle::fragmentPoints(int& count) {
    auto buffer = std::make_unique<double[]>(2 * fragmentPointCount);
    double* xs = buffer.get();
    double* ys = xs + fragmentPointCount;
    int i = 0;
    auto put = [&](double px, double py) {
        xs[i] = px;
        ys[i] = py;
        ++i;
    };
    put(x1, y1);
    put(x2, y2);
    put(x3, y3);
    auto edge = [&](double ax, double ay, double bx, double by) {
        for (int k = 0; k < edgePoints; ++k) {
            const double u = rand01();
            put(ax + u * (bx - ax), ay + u * (by - ay));
        }
    };
    edge(x1, y1, x2, y2);
    edge(x1, y1, x3, y3);
    edge(x2, y2, x3, y3);
    for (int k = 0; k < interiorPoints; ++k) {
        const double u = rand01();
        const double w = rand01();
        put(x1 + ((x2 - x1) * u + (x3 - x1) * w) * 0.5, y1 + ((y2 - y1) * u + (y3 - y1) * w) * 0.5);
    }
    count = fragmentPointCount;
    return buffer;
}

void Triangle::bakeRotation() {
    rotateAsDrawn(x1, y1, angle);
    rotateAsDrawn(x2, y2, angle);
    rotateAsDrawn(x3, y3, angle);
    angle = 0.0;
}
