#include "scene/Sphere.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>
#include <GL/glu.h>

namespace {
constexpr double radiusMargin = 1.1;
constexpr int tessellation = 8;
} // namespace

Sphere::Sphere(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
               double size)
    : Target3D(context, changeColour, distractor, rotate, speed), quadric(gluNewQuadric()) {
    name = ObjectNames::take(ObjectNames::sphere);
    sphereRadius = size;
    radius = radiusMargin * size;
    gluQuadricDrawStyle(quadric, GLU_LINE);
    enterFromAbove(context);
}

Sphere::~Sphere() {
    gluDeleteQuadric(quadric);
}

int Sphere::typeCode() {
    return TypeCodes::sphere;
}

void Sphere::drawShape() {
    gluSphere(quadric, sphereRadius * FieldScale::program().fieldWidthPx, tessellation, tessellation);
}
