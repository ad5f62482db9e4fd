#include "support/TestMain.h"
#include "scene/Circle.h"

#include "scene/FieldScale.h"
#include "scene/SceneRandom.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {
SpawnContext freePaddle() {
    SpawnContext context;
    context.paddleMovesFreely = true;
    context.minimumDistancePosition = 0;
    return context;
}
} // namespace

class TestCircle : public QObject {
    Q_OBJECT
private slots:
    void init() { FieldScale::program() = FieldScale{}; }

    void samplePointsFollowTheRoundDiscInAWideField() {
        FieldScale::program() = FieldScale{800, 400};
        SceneRandom::seed(12);
        Circle c(freePaddle(), false, false, true, 0.0, 0.02);
        QCOMPARE(c.radius, 1.1 * 0.02);
        int count = 0;
        auto points = c.fragmentPoints(count);
        QCOMPARE(count, 32);
        double maxX = 0.0;
        double maxY = 0.0;
        for (int i = 0; i < count; ++i) {
            const double px = points[i];
            const double py = points[32 + i];
            // Inside the disc once y is brought back to x's pixel scale.
            QVERIFY(std::hypot(px, py / 2.0) <= 0.02 + 1e-15);
            maxX = std::max(maxX, std::abs(px));
            maxY = std::max(maxY, std::abs(py));
        }
        QCOMPARE(maxX, 0.02);
        QCOMPARE(maxY, 0.04);
        // The rim comes first, starting at angle 0.
        QCOMPARE(points[0], 0.02);
        QCOMPARE(points[32], 0.0);
        c.angle = 30.0;
        c.bakeRotation();
        QCOMPARE(c.angle, 0.0);
    }

    void drawingFillsTheDiscAtItsPlaceInTheTargetColour() {
        QOffscreenSurface surface;
        surface.create();
        QOpenGLContext context;
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        context.setFormat(format);
        QVERIFY(context.create());
        QVERIFY(context.makeCurrent(&surface));
        QOpenGLFramebufferObject fbo(200, 100);
        QVERIFY(fbo.bind());
        FieldScale::program() = FieldScale{200, 100};
        glViewport(0, 0, 200, 100);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 200, 100, 0, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);

        SceneRandom::seed(1);
        Circle c(freePaddle(), false, false, false, 0.0, 0.05);
        c.x = 0.25;
        c.y = 0.5;
        c.draw();
        glColor4d(0.0, 0.0, 1.0, 1.0);
        glFinish();
        const QImage image = fbo.toImage();
        // Radius 0.05 of a 200-pixel width: 10 pixels around (50, 50), in the default orange.
        const QColor centre = image.pixelColor(50, 50);
        QCOMPARE(centre.red(), 255);
        QVERIFY(std::abs(centre.green() - 128) <= 1);
        QVERIFY(std::abs(centre.blue() - 64) <= 1);
        QVERIFY(image.pixelColor(50, 42).red() == 255);
        QCOMPARE(image.pixelColor(50, 35).red(), 0);
        QCOMPARE(image.pixelColor(150, 50).red(), 0);
        // The target's colour does not leak into what is drawn next.
        GLdouble current[4];
        glGetDoublev(GL_CURRENT_COLOR, current);
        QCOMPARE(current[2], 1.0);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        QCOMPARE(depth, 1);
        fbo.release();
        context.doneCurrent();
    }
};

VAZAZO_TEST(TestCircle)
#include "test_Circle.moc"
