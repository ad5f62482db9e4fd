#include "scene/Sphere.h"
#include "scene/QuadricLists.h"

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
    : Target3D(context, changeColour, distractor, rotate, speed) {
    name = ObjectNames::take(ObjectNames::sphere);
    sphereRadius = size;
    radius = radiusMargin * size;
    enterFromAbove(context);
}

int Sphere::typeCode() {
    return TypeCodes::sphere;
}

void Sphere::drawShape() {
    QuadricLists::drawSphere(sphereRadius * FieldScale::program().fieldWidthPx, tessellation, tessellation,
                             GLU_LINE);
}
