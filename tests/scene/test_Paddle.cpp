#include "support/TestMain.h"
#include "scene/Paddle.h"

#include "scene/FieldScale.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {
constexpr int viewW = 1000;
constexpr int viewH = 800;
constexpr double tick = 10.0;

// A paddle at rest in the middle of the field whose next mouse move counts.
Paddle movingPaddle(int orientation, bool freeMovement) {
    Paddle paddle;
    paddle.orientation = orientation;
    paddle.freeMovement = freeMovement;
    paddle.rawU = 0.5;
    paddle.rawV = 0.5;
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

// Where the cursor is sent, or (-1, -1) when it stays.
QPoint sentTo(std::optional<QPoint> jump) {
    return jump.value_or(QPoint(-1, -1));
}
const QPoint stays(-1, -1);

// Screen directions of the field's x and y axes.
struct Axes {
    QPointF x;
    QPointF y;
};

Axes screenAxes(int orientation) {
    switch (orientation) {
    case Orientation::north:
        return {{-1, 0}, {0, -1}};
    case Orientation::east:
        return {{0, -1}, {1, 0}};
    case Orientation::west:
        return {{0, 1}, {-1, 0}};
    default:
        return {{1, 0}, {0, 1}};
    }
}

bool near(double a, double b) {
    return std::abs(a - b) < 1e-9;
}
} // namespace

class TestPaddle : public QObject {
    Q_OBJECT
private slots:
    void thePaddleFollowsTheCursorOnScreen_data() {
        QTest::addColumn<int>("orientation");
        QTest::newRow("south") << Orientation::south;
        QTest::newRow("north") << Orientation::north;
        QTest::newRow("east") << Orientation::east;
        QTest::newRow("west") << Orientation::west;
    }
    void thePaddleFollowsTheCursorOnScreen() {
        QFETCH(int, orientation);
        Paddle paddle = movingPaddle(orientation, true);
        const double x = paddle.posX;
        const double y = paddle.posY;
        // 0.003 of the view over 10 ms at full sensitivity is 0.03 of the field.
        moveBy(paddle, 0.003, 0.0);
        moveBy(paddle, 0.0, -0.002);
        const Axes axes = screenAxes(orientation);
        const double dx = paddle.posX - x;
        const double dy = paddle.posY - y;
        const QPointF onScreen = dx * axes.x + dy * axes.y;
        QVERIFY2(near(onScreen.x(), 0.03) && near(onScreen.y(), -0.02),
                 qPrintable(QString("moved by (%1, %2)").arg(onScreen.x()).arg(onScreen.y())));
    }

    void thePaddleStopsJustHiddenBeyondEveryEdge_data() { thePaddleFollowsTheCursorOnScreen_data(); }
    void thePaddleStopsJustHiddenBeyondEveryEdge() {
        QFETCH(int, orientation);
        Paddle paddle = movingPaddle(orientation, true);
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        const QPointF pushes[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const QPointF& push : pushes) {
            moveBy(paddle, push.x(), push.y());
            minX = std::min(minX, paddle.posX);
            maxX = std::max(maxX, paddle.posX);
            minY = std::min(minY, paddle.posY);
            maxY = std::max(maxY, paddle.posY);
        }
        QVERIFY(near(minX, -paddle.paddleWidth));
        QVERIFY(near(maxX, 1.0));
        QVERIFY(near(minY, -paddle.paddleHeight));
        QVERIFY(near(maxY, 1.0));
    }

    void eachAxisHasItsOwnSensitivity() {
        Paddle paddle = movingPaddle(Orientation::south, true);
        paddle.sensitivityH = 0;
        paddle.sensitivityV = 9;
        moveBy(paddle, 0.04, 0.02);
        QVERIFY(near(paddle.rawU, 0.5 + 0.04 * tick / 40));
        QVERIFY(near(paddle.rawV, 0.5 + 0.02 * tick / 2));
    }

    void withoutFreeMovementTheHeightNeverChanges() {
        Paddle paddle = movingPaddle(Orientation::east, false);
        paddle.posY = 1.0 - paddle.paddleHeight;
        for (const QPointF& push : {QPointF(0.01, 0.02), QPointF(-0.5, 0.5), QPointF(0.3, -0.7)}) {
            moveBy(paddle, push.x(), push.y());
            QCOMPARE(paddle.posY, 1.0 - paddle.paddleHeight);
        }
    }

    void theCursorIsPulledBackFromTheEdges() {
        // Top and bottom win over the sides and send the cursor to the vertical middle.
        QCOMPARE(sentTo(Paddle::recentredCursor(10, 63, viewW, viewH)), QPoint(10, 400));
        QCOMPARE(sentTo(Paddle::recentredCursor(500, 737, viewW, viewH)), QPoint(500, 400));
        QCOMPARE(sentTo(Paddle::recentredCursor(970, 63.5, viewW, viewH)), QPoint(970, 400));
        QCOMPARE(sentTo(Paddle::recentredCursor(63, 300, viewW, viewH)), QPoint(500, 300));
        QCOMPARE(sentTo(Paddle::recentredCursor(937, 300, viewW, viewH)), QPoint(500, 300));
        // 64 pixels away is far enough.
        QCOMPARE(sentTo(Paddle::recentredCursor(64, 64, viewW, viewH)), stays);
        QCOMPARE(sentTo(Paddle::recentredCursor(936, 736, viewW, viewH)), stays);
    }

    void theJumpBackIsNotTakenAsMovement() {
        Paddle paddle;
        paddle.update(0.0);
        // The very first move only records where the cursor is.
        QCOMPARE(sentTo(paddle.mouseMoved(300, 300, viewW, viewH)), stays);
        QCOMPARE(paddle.pendingDX, 0.0);
        QCOMPARE(paddle.pendingDY, 0.0);

        QCOMPARE(sentTo(paddle.mouseMoved(300, 40, viewW, viewH)), QPoint(300, 400));
        QVERIFY(near(paddle.pendingDY, -260.0 / viewH));
        QVERIFY(paddle.skipNextMove);
        // The cursor arriving where it was put moves nothing.
        QCOMPARE(sentTo(paddle.mouseMoved(300, 400, viewW, viewH)), stays);
        QVERIFY(near(paddle.pendingDY, -260.0 / viewH));
        QVERIFY(!paddle.skipNextMove);
        QCOMPARE(sentTo(paddle.mouseMoved(320, 410, viewW, viewH)), stays);
        QVERIFY(near(paddle.pendingDX, 20.0 / viewW));
        QVERIFY(near(paddle.pendingDY, -250.0 / viewH));
    }

    void aHitFadesThePaddleOutAndBackIn() {
        Paddle paddle;
        paddle.update(0.0);
        paddle.recovery = Paddle::hitRecoveryMs;
        const struct {
            double at;
            double opacity;
        } timeline[] = {{0, 0.0},     {1000, 0.0},   {1400, 0.2}, {1500, 0.25}, {2000, 0.25},
                        {2800, 0.25}, {2900, 0.625}, {3000, 1.0}, {3010, 1.0}};
        for (const auto& step : timeline) {
            paddle.update(step.at);
            QVERIFY2(near(paddle.opacity(), step.opacity),
                     qPrintable(QString("%1 ms after the hit").arg(step.at)));
        }
        // The boundaries between the phases.
        QCOMPARE(Paddle::opacityAt(2000.0), 0.0);
        QVERIFY(near(Paddle::opacityAt(1999.0), 1.0 - 1999.0 / 2000.0));
        QCOMPARE(Paddle::opacityAt(200.0), 0.25);
    }

    void velocityIsSampledOnlyAfterFortyMilliseconds() {
        Paddle paddle = movingPaddle(Orientation::south, true);
        paddle.update(100.0);
        const double sampledAt = paddle.lastSample;
        const double u = paddle.rawU;
        const double velocity = paddle.velocityU;
        // Three ticks: 30 ms.
        moveBy(paddle, 0.001, 0.0);
        moveBy(paddle, 0.001, 0.0);
        moveBy(paddle, 0.001, 0.0);
        QCOMPARE(paddle.lastUpdate, 130.0);
        QCOMPARE(paddle.velocityU, velocity);
        paddle.update(141.0);
        QCOMPARE(paddle.lastSample, 141.0);
        QVERIFY(near(paddle.velocityU, (paddle.rawU - u) / (141.0 - sampledAt) / 10.0));
        QCOMPARE(paddle.velocityV, 0.0);
        QVERIFY(paddle.velocityU > 0.0);
    }

    void drawsAtItsPixelRectangleUnlessInvisible() {
        QOffscreenSurface surface;
        surface.create();
        QOpenGLContext context;
        QVERIFY(context.create());
        QVERIFY(context.makeCurrent(&surface));
        constexpr int w = 200;
        constexpr int h = 100;
        QOpenGLFramebufferObject fbo(w, h);
        QVERIFY(fbo.bind());
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, h, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        FieldScale::program() = FieldScale{w, h};

        Paddle paddle;
        paddle.posX = 0.5;
        paddle.posY = 0.5;
        paddle.paddleWidth = 0.25;
        paddle.paddleHeight = 0.2;
        glColor4d(0.0, 1.0, 0.0, 1.0);
        auto frameWith = [&](double recovery) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            paddle.recovery = recovery;
            paddle.draw();
            return fbo.toImage();
        };
        const QImage shown = frameWith(0.0);
        QCOMPARE(paddle.pixelX, 100.0);
        QCOMPARE(paddle.pixelWidth, 50.0);
        QCOMPARE(paddle.pixelHeight, 20.0);
        QCOMPARE(shown.pixelColor(110, 55), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(90, 55), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(110, 45), QColor(Qt::black));
        QCOMPARE(frameWith(2000.0).pixelColor(110, 55), QColor(Qt::black));

        // The draw leaves the colour and the matrix as it found them.
        GLdouble colour[4];
        glGetDoublev(GL_CURRENT_COLOR, colour);
        QCOMPARE(colour[1], 1.0);
        QCOMPARE(colour[0], 0.0);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        QCOMPARE(depth, 1);
        fbo.release();
        FieldScale::program() = FieldScale{};
    }
};

VAZAZO_TEST(TestPaddle)
#include "test_Paddle.moc"
