#include "scene/Gun.h"
#include "scene/QuadricLists.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {
constexpr double radiusMargin = 1.1;
constexpr int tessellation = 24;
constexpr double darkBelow = 0.5;
} // namespace

Gun::Gun(double gunRadius, double x, double y) : gunRadius(gunRadius) {
    this->x = x;
    this->y = y;
    radius = radiusMargin * gunRadius;
    name = ObjectNames::take(ObjectNames::gun);
}

int Gun::typeCode() {
    return TypeCodes::gun;
}

void Gun::draw() {
    const FieldScale& scale = FieldScale::program();
    glPushAttrib(GL_CURRENT_BIT);
    glPushMatrix();
    glTranslated(x * scale.fieldWidthPx, y * scale.fieldHeightPx, 0.0);
    glColor4d(red, green, blue, alpha);
    QuadricLists::drawSphere(gunRadius * scale.fieldWidthPx, tessellation, tessellation, GLU_LINE);
    glPopMatrix();
    glPopAttrib();
}

double Gun::colourAgainst(double backgroundRed, double backgroundGreen, double backgroundBlue) {
    return std::max({backgroundRed, backgroundGreen, backgroundBlue}) < darkBelow ? 1.0 : 0.0;
}

void Gun::setColour(double component) {
    red = component;
    green = component;
    blue = component;
}

namespace {
// The wires of a unit ball as the quadric library draws it in lines: a circle for every inner
// stack, a meridian for every slice, here as pairs of end points.
const std::vector<std::array<float, 3>>& wireBall(int slices, int stacks) {
    static std::map<std::pair<int, int>, std::vector<std::array<float, 3>>> balls;
    auto& segments = balls[{slices, stacks}];
    if (!segments.empty()) {
        return segments;
    }
    const auto point = [&](int slice, int stack) {
        const double around = 2.0 * M_PI * (slice == slices ? 0 : slice) / slices;
        const double down = M_PI * stack / stacks;
        return std::array<float, 3>{static_cast<float>(std::sin(down) * std::sin(around)),
                                    static_cast<float>(std::sin(down) * std::cos(around)),
                                    static_cast<float>(std::cos(down))};
    };
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            segments.push_back(point(j, i));
            segments.push_back(point(j + 1, i));
        }
    }
    for (int j = 0; j < slices; ++j) {
        for (int i = 0; i < stacks; ++i) {
            segments.push_back(point(j, i));
            segments.push_back(point(j, i + 1));
        }
    }
    return segments;
}
} // namespace

void GunBatch::add(const Gun& gun) {
    const FieldScale& scale = FieldScale::program();
    const double radiusPx = gun.gunRadius * scale.fieldWidthPx;
    const int segments = QuadricLists::segmentsFor(radiusPx, tessellation);
    const double cx = gun.x * scale.fieldWidthPx;
    const double cy = gun.y * scale.fieldHeightPx;
    const std::array<float, 4> colour{static_cast<float>(gun.red), static_cast<float>(gun.green),
                                      static_cast<float>(gun.blue), static_cast<float>(gun.alpha)};
    for (const std::array<float, 3>& p : wireBall(segments, segments)) {
        vertices.push_back(static_cast<float>(cx + radiusPx * p[0]));
        vertices.push_back(static_cast<float>(cy + radiusPx * p[1]));
        vertices.push_back(static_cast<float>(radiusPx * p[2]));
        colours.insert(colours.end(), colour.begin(), colour.end());
    }
}

void GunBatch::draw() {
    if (vertices.empty()) {
        return;
    }
    glPushAttrib(GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices.size() / 3));
    glPopClientAttrib();
    glPopAttrib();
    vertices.clear();
    colours.clear();
}
