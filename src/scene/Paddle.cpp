#include "scene/Paddle.h"

#include "scene/FieldScale.h"

#include "render/ZornOpenGL.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<double, Paddle::sensitivityLevels> sensitivityTable{
    1.0 / 40, 1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 1.0};

constexpr double velocitySampleMs = 40.0;
constexpr double velocityScale = 10.0;

constexpr double fadeInMs = 200.0;
constexpr double dimFromMs = 1500.0;
constexpr double dimOpacity = 0.25;
} // namespace

Paddle& Paddle::program() {
    static Paddle paddle;
    return paddle;
}

std::optional<QPoint> Paddle::mouseMoved(double px, double py, int w, int h) {
    const double mx = px / w;
    const double my = py / h;
    if (!skipNextMove) {
        pendingDX += mx - lastMouseX;
        pendingDY += my - lastMouseY;
    }
    lastMouseX = mx;
    lastMouseY = my;
    skipNextMove = false;

    const std::optional<QPoint> jump = recentredCursor(px, py, w, h);
    if (jump)
        skipNextMove = true;
    return jump;
}

std::optional<QPoint> Paddle::recentredCursor(double px, double py, int w, int h) {
    // Near the top or bottom wins over near a side: the cursor goes to the vertical middle.
    if (py < edgeMarginPx || h - py < edgeMarginPx)
        return QPoint(static_cast<int>(px), h / 2);
    if (px < edgeMarginPx || w - px < edgeMarginPx)
        return QPoint(w / 2, static_cast<int>(py));
    return std::nullopt;
}

double Paddle::sensitivityFactor(int index) {
    return sensitivityTable[std::clamp(index, 0, sensitivityLevels - 1)];
}

void Paddle::update(double now) {
    const double dt = now - lastUpdate;
    rawU += dt * pendingDX * sensitivityFactor(sensitivityH);
    pendingDX = 0.0;
    rawV += dt * pendingDY * sensitivityFactor(sensitivityV);
    pendingDY = 0.0;
    clampAndMap();

    if (recovery > 0.0)
        recovery -= dt;

    if (now - lastSample > velocitySampleMs) {
        velocityU = ((rawU - prevU) / (now - lastSample)) / velocityScale;
        velocityV = ((rawV - prevV) / (now - lastSample)) / velocityScale;
        lastSample = now;
        prevU = rawU;
        prevV = rawV;
    }
    lastUpdate = now;
}

void Paddle::clampAndMap() {
    const double w = paddleWidth;
    const double h = paddleHeight;
    // The mouse's own axes stay as they are on screen; each orientation maps them onto the field
    // so that the paddle follows the cursor and may just slide out of sight at any edge.
    switch (orientation) {
    case Orientation::north:
        rawV = std::clamp(rawV, 0.0, 1.0 + h);
        rawU = std::clamp(rawU, 0.0, 1.0 + w);
        posX = 1.0 - rawU;
        if (freeMovement)
            posY = 1.0 - rawV;
        break;
    case Orientation::east:
        rawV = std::clamp(rawV, 0.0, 1.0 + w);
        rawU = std::clamp(rawU, -h, 1.0);
        posX = 1.0 - rawV;
        if (freeMovement)
            posY = rawU;
        break;
    case Orientation::west:
        rawV = std::clamp(rawV, -w, 1.0);
        rawU = std::clamp(rawU, 0.0, 1.0 + h);
        posX = rawV;
        if (freeMovement)
            posY = 1.0 - rawU;
        break;
    case Orientation::south:
    default:
        rawV = std::clamp(rawV, -h, 1.0);
        rawU = std::clamp(rawU, -w, 1.0);
        posX = rawU;
        if (freeMovement)
            posY = rawV;
        break;
    }
}

double Paddle::opacityAt(double t) {
    if (t <= 0.0)
        return 1.0;
    if (t <= fadeInMs)
        return 1.0 - (1.0 - dimOpacity) * t / fadeInMs;
    if (t <= dimFromMs)
        return dimOpacity;
    if (t < invisibleFromMs)
        return 1.0 - t / invisibleFromMs;
    return 0.0;
}

void Paddle::refreshPixelRectangle() {
    const FieldScale& scale = FieldScale::program();
    pixelX = (posX + offsetX) * scale.fieldWidthPx;
    pixelY = (offsetY + posY) * scale.fieldHeightPx;
    pixelWidth = paddleWidth * scale.fieldWidthPx;
    pixelHeight = paddleHeight * scale.fieldHeightPx;
}

void Paddle::draw() {
    refreshPixelRectangle();
    if (recovery >= invisibleFromMs)
        return;
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT);
    glPushMatrix();
    glColor4d(1.0, 1.0, 1.0, opacity());
    if (view) {
        view->drawTexturedRect(textureId, pixelX, pixelY, pixelWidth, pixelHeight, texCoords);
    } else {
        // No view has loaded a texture yet: the same rectangle, untextured.
        glBegin(GL_POLYGON);
        glVertex2d(pixelX, pixelY);
        glVertex2d(pixelX + pixelWidth, pixelY);
        glVertex2d(pixelX + pixelWidth, pixelY + pixelHeight);
        glVertex2d(pixelX, pixelY + pixelHeight);
        glEnd();
    }
    glPopMatrix();
    glPopAttrib();
}
