#pragma once

#include "core/Orientation.h"
#include "scene/Frame.h"
#include "scene/RectangleTx.h"
#include "scene/Transform.h"
#include "scene/Tx.h"

#include <QPoint>

#include <optional>

// The player's textured rectangle, steered by the mouse. One program-wide instance, kept between
// games; the game state sets its sensitivities, free movement and recovery, the main window its
// orientation and mouse moves.
class Paddle : public Frame, public RectangleTx, public Transform, public Tx {
public:
    static constexpr int sensitivityLevels = 11;
    // Set by the game when the paddle is destroyed; firing and the paddle's hit test wait for it.
    static constexpr double hitRecoveryMs = 3000.0;
    // The cursor is kept at least this far inside the view so that it never stops at an edge.
    static constexpr int edgeMarginPx = 64;
    // From this much recovery upward the paddle is not drawn.
    static constexpr double invisibleFromMs = 2000.0;

    static Paddle& program();

    // A mouse move to (px, py) in a view of w x h pixels. Returns where the caller must put the
    // cursor, in view pixels, when it came too close to an edge; that jump is then not taken as
    // paddle movement.
    std::optional<QPoint> mouseMoved(double px, double py, int w, int h);
    // Where a cursor at (px, py) must go to stay away from the edges of a w x h view, if anywhere.
    static std::optional<QPoint> recentredCursor(double px, double py, int w, int h);

    // Applies the pending mouse movement, keeps the paddle at most just hidden beyond the field,
    // counts down recovery and samples the velocity.
    void update(double now) override;
    // Textured, faded by recovery; not at all while invisible.
    void draw() override;

    // Factor of a sensitivity index 0..10, from 1/40 up to 1; indexes outside are clamped.
    static double sensitivityFactor(int index);
    // The paddle fades out after a hit, shows at a quarter and fades back in at the end.
    static double opacityAt(double recovery);
    double opacity() const { return opacityAt(recovery); }
    // The pixel rectangle for the current position and field scale.
    void refreshPixelRectangle();

    double paddleWidth = 0.1;
    double paddleHeight = 0.05;
    double posX = 0.2;
    double posY = 0.95;
    double pendingDX = 0.0;
    double pendingDY = 0.0;
    int sensitivityH = 10;
    int sensitivityV = 10;
    double rawU = 0.0;
    double rawV = 0.0;
    double lastMouseX = 0.0;
    double lastMouseY = 0.0;
    double lastSample = 0.0;
    double prevU = 0.0;
    double prevV = 0.0;
    double velocityU = 0.0;
    double velocityV = 0.0;
    double recovery = -1.0;
    bool freeMovement = false;

    // The next mouse move is a cursor jump, not movement; also true until the first move.
    bool skipNextMove = true;
    int orientation = Orientation::south;

private:
    void clampAndMap();
};
