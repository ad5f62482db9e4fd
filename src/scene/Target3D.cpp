#include "scene/Target3D.h"

#include "scene/SceneRandom.h"

#include <GL/glew.h>

Target3D::Target3D(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed)
    : Target2D(context, changeColour, distractor, rotate, speed) {
    axisX = randSigned();
    axisY = randSigned();
    axisZ = randSigned();
}

std::unique_ptr<double[]> Target3D::fragmentPoints(int&) {
    return nullptr;
}

void Target3D::bakeRotation() {}

void Target3D::applyRotation() {
    glRotated(angle, axisX, axisY, axisZ);
}
