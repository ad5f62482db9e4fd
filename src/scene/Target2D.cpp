#include "scene/Target2D.h"

#include "scene/FieldScale.h"
#include "scene/SceneRandom.h"

#include <GL/glew.h>

#include <cmath>
#include <numbers>

namespace {
constexpr double millisecondsPerFieldAtSpeed0 = 4000.0;
constexpr double speedStep = 0.3;
constexpr double spinPerSpeed = 0.03;
constexpr double fullTurn = 360.0;
constexpr double aboveTopFactor = -0.9;
} // namespace

Target2D::Target2D(const SpawnContext& context, bool changeColour, bool distractor, bool rotate, double speed)
    : Shape(context, changeColour, distractor) {
    double dx = 0.0;
    double dy = 0.0;
    if (context.paddleMovesFreely) {
        dx = randSigned();
        dy = randSigned();
    } else {
        // Aim downward so that the target crosses the paddle's line inside the field.
        for (;;) {
            dx = context.noHorizontalMovement ? 0.0 : randSigned();
            dy = rand01();
            if (dy <= 0.0)
                continue;
            const double xTop = x + dx * (1.0 - y) / dy;
            if (-radius < xTop && xTop < 1.0 + radius)
                break;
            // A straight fall from the very edge can never pass; let it fall there.
            if (context.noHorizontalMovement)
                break;
        }
    }
    double length = std::sqrt(dx * dx + dy * dy) * millisecondsPerFieldAtSpeed0;
    if (length == 0.0)
        length = 1.0;
    const double factor = 1.0 + speedStep * speed;
    vx = dx * factor / length;
    vy = dy * factor / length;
    if (rotate) {
        angle = randSigned();
        spin = randSigned() * spinPerSpeed * factor;
    }
}

void Target2D::draw() {
    const FieldScale& scale = FieldScale::program();
    glPushAttrib(GL_CURRENT_BIT);
    glPushMatrix();
    glTranslated(x * scale.fieldWidthPx, y * scale.fieldHeightPx, 0.0);
    applyRotation();
    glColor4d(red, green, blue, alpha);
    drawShape();
    glPopMatrix();
    glPopAttrib();
}

void Target2D::applyRotation() {
    glRotated(angle, 0.0, 0.0, 1.0);
}

void Target2D::update(double now) {
    if (lastUpdate >= 0.0) {
        const double dt = now - lastUpdate;
        x += vx * dt;
        y += vy * dt;
        angle += spin * dt;
        if (angle > fullTurn)
            angle -= fullTurn;
        if (angle < -fullTurn)
            angle += fullTurn;
    }
    lastUpdate = now;
}

bool Target2D::isInField() {
    return -radius < y && y < 1.0 + radius && -radius < x && x < 1.0 + radius;
}

void Target2D::rotateAsDrawn(double& px, double& py, double angleDegrees) {
    const FieldScale& scale = FieldScale::program();
    const double theta = angleDegrees / 180.0 * std::numbers::pi;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const double X = px * scale.fieldWidthPx;
    const double Y = py * scale.fieldHeightPx;
    px = (X * c - Y * s) / scale.fieldWidthPx;
    py = (X * s + Y * c) / scale.fieldHeightPx;
}

void Target2D::enterFromAbove(const SpawnContext& context) {
    if (!context.paddleMovesFreely) {
        y = aboveTopFactor * radius;
        y0 = y;
    }
}
