#include "scene/Cylinder.h"
#include "scene/QuadricLists.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>

namespace {
constexpr double radiusMargin = 1.1;
constexpr double extraLength = 0.06;
constexpr int minSlices = 6;
constexpr int sliceChoices = 5;
constexpr int minStacks = 4;
constexpr int stackChoices = 4;

// minimum .. minimum + choices - 1 from a fresh raw draw; the integer cast truncates toward zero.
int countFromDraw(int minimum, int choices) {
    return minimum +
           static_cast<int>(choices * (SceneRandom::next() - 1) / static_cast<double>(SceneRandom::maximum));
}
} // namespace

Cylinder::Cylinder(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed,
                   double size)
    : Target3D(context, changeColour, distractor, rotate, speed) {
    name = ObjectNames::take(ObjectNames::cylinder);
    cylinderRadius = size;
    length = size + extraLength * rand01();
    radius = radiusMargin * std::max(length, cylinderRadius);
    slices = countFromDraw(minSlices, sliceChoices);
    stacks = countFromDraw(minStacks, stackChoices);
    enterFromAbove(context);
}

int Cylinder::typeCode() {
    return TypeCodes::cylinder;
}

void Cylinder::drawShape() {
    const double scale = FieldScale::program().fieldWidthPx;
    QuadricLists::drawCylinder(cylinderRadius * scale, length * scale, slices, stacks, GLU_LINE);
}
