#include "render/DigitWheel.h"

#include <GL/glu.h>

#include <cmath>

namespace {
constexpr double degreesPerUnit = 120.0;
constexpr double radiusFactor = 0.8;
constexpr int slices = 16;
constexpr int stacks = 1;

// Lower bound of each band and the texture it uses; a new texture every 1.5 units keeps the
// visible half of the wheel inside one strip of the image.
struct Band {
    double from;
    int texture;
};
constexpr std::array<Band, 6> bands{{{8.25, 0}, {6.75, 1}, {5.25, 2}, {3.75, 3}, {2.25, 4}, {0.75, 5}}};
constexpr double lastBand = 9.75;
} // namespace

DigitWheel::~DigitWheel() {
    if (quadric != nullptr) {
        gluDeleteQuadric(quadric);
    }
}

void DigitWheel::setValue(double v) {
    digitValue = std::fmod(v, 10.0);
    const double d = digitValue;
    if (d >= lastBand) {
        textureIndex = 6;
        wheelAngle = -90.0 - (10.0 - d) * degreesPerUnit;
        return;
    }
    for (const Band& band : bands) {
        if (d >= band.from) {
            textureIndex = band.texture;
            wheelAngle = -degreesPerUnit * (band.from + 1.5 - d);
            return;
        }
    }
    textureIndex = 6;
    wheelAngle = d * degreesPerUnit - 90.0;
}

void DigitWheel::draw(double size) {
    if (quadric == nullptr) {
        quadric = gluNewQuadric();
        gluQuadricTexture(quadric, GL_TRUE);
    }
    glPushMatrix();
    glRotated(90.0, 0.0, 1.0, 0.0);
    glRotated(wheelAngle, 0.0, 0.0, 1.0);
    glBindTexture(GL_TEXTURE_2D, textures[textureIndex]);
    gluCylinder(quadric, radiusFactor * size, radiusFactor * size, size, slices, stacks);
    glPopMatrix();
}
