#include <GL/glew.h>

#include "support/TestMain.h"
#include "scene/Circle.h"
#include "scene/Cylinder.h"
#include "scene/Gun.h"
#include "scene/Rectangle.h"
#include "scene/Sphere.h"
#include "scene/Triangle.h"

#include "scene/FieldScale.h"
#include "scene/ObjectNames.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include "support/OffscreenGl.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <set>

namespace {
std::unique_ptr<Target2D> make(int type, const SpawnContext& context, double size, bool rotate = true) {
    switch (type) {
    case TypeCodes::triangle:
        return std::make_unique<Triangle>(context, false, false, rotate, 2.0, size);
    case TypeCodes::rectangle:
        return std::make_unique<Rectangle>(context, false, false, rotate, 2.0, size);
    case TypeCodes::circle:
        return std::make_unique<Circle>(context, false, false, rotate, 2.0, size);
    case TypeCodes::sphere:
        return std::make_unique<Sphere>(context, false, false, rotate, 2.0, size);
    default:
        return std::make_unique<Cylinder>(context, false, false, rotate, 2.0, size);
    }
}

SpawnContext fromAbove() {
    SpawnContext context;
    context.minimumDistancePosition = 0;
    return context;
}

double cross(double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// What each kind promises about its size; empty when kept.
QString sizeFault(Target2D& target, double size) {
    const double tolerance = 1e-12;
    if (auto* t = dynamic_cast<Triangle*>(&target)) {
        const double circleArea = 3.1415 * size * size;
        const double farthest =
            std::max({std::hypot(t->x1, t->y1), std::hypot(t->x2, t->y2), std::hypot(t->x3, t->y3)});
        if (t->area() < 0.9 * circleArea || t->area() > 1.1 * circleArea)
            return "area";
        if (std::abs(t->x1 + t->x2 + t->x3) > tolerance || std::abs(t->y1 + t->y2 + t->y3) > tolerance)
            return "centroid";
        return std::abs(t->radius - 1.1 * farthest) < tolerance && farthest <= 3 * size + tolerance
                   ? ""
                   : "radius";
    }
    if (auto* c = dynamic_cast<Cylinder*>(&target)) {
        if (c->length < size - 0.06 / 32767 || c->length > size + 0.06)
            return "length";
        return std::abs(c->radius - 1.1 * std::max(c->length, size)) < tolerance ? "" : "radius";
    }
    // A rectangle's half-diagonal, a disc's and a ball's radius is the size.
    return std::abs(target.radius - 1.1 * size) < tolerance ? "" : "radius";
}

// Whether a sample point, relative to the centre in field units, lies on or inside the shape.
bool inside(Target2D& target, double px, double py) {
    const FieldScale& scale = FieldScale::program();
    if (auto* t = dynamic_cast<Triangle*>(&target)) {
        const double turn = cross(t->x1, t->y1, t->x2, t->y2, t->x3, t->y3);
        return cross(t->x1, t->y1, t->x2, t->y2, px, py) * turn >= -1e-12 &&
               cross(t->x2, t->y2, t->x3, t->y3, px, py) * turn >= -1e-12 &&
               cross(t->x3, t->y3, t->x1, t->y1, px, py) * turn >= -1e-12;
    }
    if (auto* r = dynamic_cast<Rectangle*>(&target)) {
        return std::abs(px) <= r->width / 2 + 1e-15 && std::abs(py) <= r->height / 2 + 1e-15;
    }
    // The disc is round in pixels: y is brought back to x's pixel scale.
    const double yScale = static_cast<double>(scale.fieldHeightPx) / scale.fieldWidthPx;
    return std::hypot(px, py * yScale) <= static_cast<Circle&>(target).circleRadius + 1e-15;
}
} // namespace

class TestShapes : public QObject {
    Q_OBJECT
private slots:
    void init() { FieldScale::program() = FieldScale{}; }

    void eachKindIsNamedAndSizedAndEntersJustAboveTheTop_data() { addKinds(); }
    void eachKindIsNamedAndSizedAndEntersJustAboveTheTop() {
        QFETCH(int, type);
        QFETCH(QString, firstName);
        ObjectNames::resetAll();
        QCOMPARE(make(type, fromAbove(), 0.02)->getName(), firstName);
        for (double size : {0.0075, 0.02, 0.045}) {
            for (std::uint32_t seed = 1; seed <= 200; ++seed) {
                SceneRandom::seed(seed);
                const std::unique_ptr<Target2D> target = make(type, fromAbove(), size);
                QCOMPARE(target->typeCode(), type);
                const QString fault = sizeFault(*target, size);
                QVERIFY2(fault.isEmpty(), qPrintable(fault));
                QCOMPARE(target->y, -0.9 * target->radius);
                QCOMPARE(target->y0, target->y);
            }
        }
        // Each kind counts on its own, to four digits and beyond.
        QCOMPARE(Gun(Gun::firedRadius, 0.5, 0.5).getName(), QString("g0000"));
        QCOMPARE(ObjectNames::format('s', 12345), QString("s12345"));
        // With a freely moving paddle new targets start anywhere in the field.
        SpawnContext free = fromAbove();
        free.paddleMovesFreely = true;
        SceneRandom::seed(8);
        const double y = make(type, free, 0.02)->y;
        QVERIFY(y >= -1.0 / 32767 && y < 1.0);
    }

    void flatKindsSampleTheirOutlineAndInsideAndForgetTheirAngle_data() { addKinds(); }
    void flatKindsSampleTheirOutlineAndInsideAndForgetTheirAngle() {
        QFETCH(int, type);
        FieldScale::program() = FieldScale{800, 400};
        SceneRandom::seed(21);
        const std::unique_ptr<Target2D> target = make(type, fromAbove(), 0.03, false);
        int count = -7;
        const std::unique_ptr<double[]> points = target->fragmentPoints(count);
        if ((type & TypeCodes::solidBit) != 0) {
            // Solid kinds burst without points and keep turning about their axis.
            QVERIFY(points == nullptr);
            QCOMPARE(count, -7);
            target->angle = 45.0;
            target->bakeRotation();
            QCOMPARE(target->angle, 45.0);
            return;
        }
        QVERIFY(type & TypeCodes::flatBit);
        QCOMPARE(count, 32);
        for (int i = 0; i < count; ++i) {
            QVERIFY2(inside(*target, points[i], points[32 + i]), qPrintable(QString::number(i)));
        }
        target->angle = 30.0;
        target->bakeRotation();
        target->fragmentPoints(count);
        QCOMPARE(target->angle, 0.0);
    }

    void bakingARotationTurnsTheVerticesAsTheScreenShowsThem() {
        FieldScale::program() = FieldScale{800, 400};
        SceneRandom::seed(4);
        Triangle t(fromAbove(), false, false, true, 0.0, 0.02);
        t.angle = 90.0;
        const double x1 = t.x1;
        const double y1 = t.y1;
        t.bakeRotation();
        // In pixels (X, Y) becomes (-Y, X); back in field units with the 2:1 scales.
        QVERIFY(std::abs(t.x1 - (-y1 * 400 / 800)) < 1e-12);
        QVERIFY(std::abs(t.y1 - (x1 * 800 / 400)) < 1e-12);
        // The rim of a circle comes first, from angle 0, round on screen.
        Circle c(fromAbove(), false, false, false, 0.0, 0.02);
        int count = 0;
        const std::unique_ptr<double[]> points = c.fragmentPoints(count);
        QCOMPARE(points[0], 0.02);
        QVERIFY(std::abs(points[32 + 4] - 0.04) < 1e-15);
    }

    void cylindersPickEverySliceAndStackCountInTheirRange() {
        std::set<int> slices;
        std::set<int> stacks;
        for (std::uint32_t seed = 1; seed <= 1000; ++seed) {
            SceneRandom::seed(seed);
            Cylinder c(fromAbove(), true, false, true, 2.0, 0.02);
            slices.insert(c.slices);
            stacks.insert(c.stacks);
        }
        QCOMPARE(slices, (std::set<int>{6, 7, 8, 9, 10}));
        QCOMPARE(stacks, (std::set<int>{4, 5, 6, 7}));
    }

    void eachKindDrawsAroundItsPlaceInItsColourAndRestoresTheState_data() { addKinds(); }
    void eachKindDrawsAroundItsPlaceInItsColourAndRestoresTheState() {
        QFETCH(int, type);
        OffscreenGl gl(200, 100);
        QVERIFY(gl.isReady());
        FieldScale::program() = FieldScale{200, 100};
        SceneRandom::seed(1);
        const std::unique_ptr<Target2D> target = make(type, fromAbove(), 0.05);
        target->x = 0.25;
        target->y = 0.5;
        glColor4d(0.0, 0.0, 1.0, 1.0);
        target->draw();
        // The bounding radius is in field widths; a cylinder's far rim may reach 1.3 times it.
        const double reach = 1.3 * target->radius * 200 + 1;
        const QImage image = gl.image();
        int coloured = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel != Qt::black) {
                    QVERIFY2(std::hypot(x + 0.5 - 50, y + 0.5 - 50) <= reach,
                             qPrintable(QString("%1,%2").arg(x).arg(y)));
                    coloured += pixel.red() == 255 && std::abs(pixel.green() - 128) <= 1 ? 1 : 0;
                }
            }
        }
        QVERIFY(coloured > 0);
        GLdouble current[4];
        glGetDoublev(GL_CURRENT_COLOR, current);
        QCOMPARE(current[2], 1.0);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        QCOMPARE(depth, 1);
    }

private:
    static void addKinds() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("firstName");
        QTest::newRow("triangle") << TypeCodes::triangle << "t0000";
        QTest::newRow("rectangle") << TypeCodes::rectangle << "r0000";
        QTest::newRow("circle") << TypeCodes::circle << "c0000";
        QTest::newRow("sphere") << TypeCodes::sphere << "s0000";
        QTest::newRow("cylinder") << TypeCodes::cylinder << "y0000";
    }
};

VAZAZO_TEST(TestShapes)
#include "test_Shapes.moc"
