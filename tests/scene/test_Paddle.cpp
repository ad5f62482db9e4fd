#include <GL/glew.h>

#include "support/TestMain.h"
#include "scene/Paddle.h"

#include "scene/FieldScale.h"

#include "support/OffscreenGl.h"

#include <QtTest>

#include <cmath>

namespace {
constexpr int viewW = 1000, viewH = 800;
constexpr double tick = 10.0;

// A paddle at rest in the middle of the field whose next mouse move counts.
Paddle movingPaddle(int orientation, bool freeMovement) {
    Paddle paddle;
    paddle.orientation = orientation;
    paddle.freeMovement = freeMovement;
    paddle.rawU = paddle.rawV = 0.5;
    paddle.update(0.0);
    return paddle;
}

// Moves the cursor from the middle of the view by a fraction of it and lets one tick pass.
void moveBy(Paddle& paddle, double fx, double fy) {
    paddle.skipNextMove = true;
    paddle.mouseMoved(viewW / 2, viewH / 2, viewW, viewH);
    paddle.mouseMoved(viewW / 2 + fx * viewW, viewH / 2 + fy * viewH, viewW, viewH);
    paddle.update(paddle.lastUpdate + tick);
}

const auto near = [](double a, double b) { return std::abs(a - b) < 1e-9; };
} // namespace

class TestPaddle : public QObject {
    Q_OBJECT
private slots:
    void thePaddleFollowsTheCursorOnScreenAndStopsJustHiddenBeyondEveryEdge() {
        // Where the field's x and y go when the cursor moves 0.03 right and 0.02 up.
        const std::pair<int, QPointF> turns[] = {{Orientation::south, {0.03, -0.02}},
                                                 {Orientation::north, {-0.03, 0.02}},
                                                 {Orientation::east, {0.02, 0.03}},
                                                 {Orientation::west, {-0.02, -0.03}}};
        for (const auto& [orientation, moved] : turns) {
            Paddle paddle = movingPaddle(orientation, true);
            const QPointF start(paddle.posX, paddle.posY);
            // 0.003 of the view over 10 ms at full sensitivity is 0.03 of the field.
            moveBy(paddle, 0.003, 0.0);
            moveBy(paddle, 0.0, -0.002);
            const QPointF delta = QPointF(paddle.posX, paddle.posY) - start;
            QVERIFY(near(delta.x(), moved.x()) && near(delta.y(), moved.y()));
            QPolygonF reached;
            for (const QPointF& push : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
                moveBy(paddle, push.x(), push.y());
                reached << QPointF(paddle.posX, paddle.posY);
            }
            const QRectF box = reached.boundingRect();
            QVERIFY(near(box.left(), -paddle.paddleWidth) && near(box.right(), 1.0) &&
                    near(box.top(), -paddle.paddleHeight) && near(box.bottom(), 1.0));
        }
    }

    void eachAxisHasItsOwnSensitivityAndAFixedPaddleKeepsItsHeight() {
        Paddle paddle = movingPaddle(Orientation::south, true);
        paddle.sensitivityH = 0;
        paddle.sensitivityV = 9;
        moveBy(paddle, 0.04, 0.02);
        QVERIFY(near(paddle.rawU, 0.5 + 0.04 * tick / 40) && near(paddle.rawV, 0.5 + 0.02 * tick / 2));
        Paddle fixed = movingPaddle(Orientation::east, false);
        fixed.posY = 1.0 - fixed.paddleHeight;
        for (const QPointF& push : {QPointF(0.01, 0.02), QPointF(-0.5, 0.5), QPointF(0.3, -0.7)}) {
            moveBy(fixed, push.x(), push.y());
            QCOMPARE(fixed.posY, 1.0 - fixed.paddleHeight);
        }
    }

    void theCursorIsPulledBackFromTheEdgesAndTheJumpIsNotTakenAsMovement() {
        // Where the cursor is and where it is sent, (-1, -1) where it stays: top and bottom win over the
        // sides and send it to the vertical middle; 64 pixels away is far enough.
        const double edges[][4] = {{970, 63.5, 970, 400}, {500, 737, 500, 400}, {63, 300, 500, 300},
                                   {937, 300, 500, 300},  {64, 64, -1, -1},     {936, 736, -1, -1}};
        for (const auto& e : edges)
            QCOMPARE(Paddle::recentredCursor(e[0], e[1], viewW, viewH).value_or(QPoint(-1, -1)),
                     QPoint(e[2], e[3]));
        Paddle paddle;
        paddle.update(0.0);
        // The very first move only records where the cursor is.
        QVERIFY(!paddle.mouseMoved(300, 300, viewW, viewH) && paddle.pendingDY == 0.0);
        QCOMPARE(paddle.mouseMoved(300, 40, viewW, viewH), QPoint(300, 400));
        // The cursor arriving where it was put moves nothing; the next move counts again.
        QVERIFY(!paddle.mouseMoved(300, 400, viewW, viewH) && near(paddle.pendingDY, -260.0 / viewH));
        QVERIFY(!paddle.mouseMoved(320, 410, viewW, viewH) && near(paddle.pendingDX, 20.0 / viewW) &&
                near(paddle.pendingDY, -250.0 / viewH));
    }

    void aHitFadesThePaddleOutAndBackIn() {
        Paddle paddle;
        paddle.update(0.0);
        paddle.recovery = Paddle::hitRecoveryMs;
        const std::pair<double, double> timeline[] = {{0, 0.0},      {1000, 0.0},  {1400, 0.2},
                                                      {1500, 0.25},  {2000, 0.25}, {2800, 0.25},
                                                      {2900, 0.625}, {3000, 1.0},  {3010, 1.0}};
        for (const auto& [at, opacity] : timeline) {
            paddle.update(at);
            QVERIFY(near(paddle.opacity(), opacity));
        }
    }

    void velocityIsSampledOnlyAfterFortyMilliseconds() {
        Paddle paddle = movingPaddle(Orientation::south, true);
        paddle.update(100.0);
        const double sampledAt = paddle.lastSample, u = paddle.rawU, velocity = paddle.velocityU;
        for (int tick = 0; tick < 3; ++tick)
            moveBy(paddle, 0.001, 0.0);
        QVERIFY(paddle.lastUpdate == 130.0 && paddle.velocityU == velocity);
        paddle.update(141.0);
        QVERIFY(paddle.lastSample == 141.0 && paddle.velocityU > 0.0 && paddle.velocityV == 0.0 &&
                near(paddle.velocityU, (paddle.rawU - u) / (141.0 - sampledAt) / 10.0));
    }

    void drawsAtItsPixelRectangleUnlessInvisible() {
        OffscreenGl gl(200, 100);
        QVERIFY(gl.isReady());
        FieldScale::program() = FieldScale{200, 100};
        Paddle paddle;
        paddle.posX = paddle.posY = 0.5;
        paddle.paddleWidth = 0.25;
        paddle.paddleHeight = 0.2;
        glColor4d(0.0, 1.0, 0.0, 1.0);
        paddle.draw();
        const QImage shown = gl.image();
        QVERIFY(shown.pixelColor(110, 55) == Qt::white && shown.pixelColor(90, 55) == Qt::black &&
                shown.pixelColor(110, 45) == Qt::black && shown.pixelColor(160, 55) == Qt::black);
        QVERIFY(OffscreenGl::currentColour() == QColor(Qt::green) && OffscreenGl::matrixDepth() == 1);
        glClear(GL_COLOR_BUFFER_BIT);
        paddle.recovery = 2000.0;
        paddle.draw();
        QCOMPARE(gl.image().pixelColor(110, 55), QColor(Qt::black));
        FieldScale::program() = FieldScale{};
    }
};

VAZAZO_TEST(TestPaddle)
#include "test_Paddle.moc"
