#include "scene/Gun.h"
#include "scene/QuadricLists.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>

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
