#include <GL/glew.h>

#include "support/TestMain.h"
#include "scene/Circle.h"
#include "scene/Explosion.h"
#include "scene/FieldScale.h"
#include "scene/Fragments.h"
#include "scene/Paddle.h"
#include "scene/Rectangle.h"
#include "scene/SceneRandom.h"
#include "scene/Triangle.h"
#include "scene/TypeCodes.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {
class Solid : public Target2D {
public:
    explicit Solid(double r) : Target2D(SpawnContext{}, false, false, false, 0.0) { radius = r; }
    int typeCode() override { return TypeCodes::sphere; }
    void drawShape() override {}
    std::unique_ptr<double[]> fragmentPoints(int&) override { return nullptr; }
    void bakeRotation() override {}
};

// The reference: every triple with one orientation and no point inside its circumcircle.
int bruteForceTriangulate(int n, const double* x, const double* y, int* out) {
    std::vector<double> z(n);
    for (int i = 0; i < n; ++i)
        z[i] = x[i] * x[i] + y[i] * y[i];
    int count = 0;
    for (int i = 0; i < n - 2; ++i) {
        for (int j = i + 1; j < n; ++j) {
            for (int k = i + 1; k < n; ++k) {
                if (k == j)
                    continue;
                const double nz = (x[j] - x[i]) * (y[k] - y[i]) - (x[k] - x[i]) * (y[j] - y[i]);
                if (!(nz < 0))
                    continue;
                const double nx = (y[j] - y[i]) * (z[k] - z[i]) - (y[k] - y[i]) * (z[j] - z[i]);
                const double ny = (x[k] - x[i]) * (z[j] - z[i]) - (x[j] - x[i]) * (z[k] - z[i]);
                bool empty = true;
                for (int m = 0; m < n && empty; ++m) {
                    if (m != i && m != j && m != k &&
                        (x[m] - x[i]) * nx + (y[m] - y[i]) * ny + (z[m] - z[i]) * nz > 0)
                        empty = false;
                }
                if (empty && count < 3 * n) {
                    out[3 * count] = i;
                    out[3 * count + 1] = j;
                    out[3 * count + 2] = k;
                    ++count;
                }
            }
        }
    }
    return count;
}

double cross(double ax, double ay, double bx, double by, double cx, double cy) {
    return (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
}

double hullArea(std::vector<std::pair<double, double>> p) {
    std::sort(p.begin(), p.end());
    std::vector<std::pair<double, double>> h(2 * p.size());
    size_t k = 0;
    for (size_t pass = 0; pass < 2; ++pass) {
        const size_t start = k;
        for (const auto& q : p) {
            while (k >= start + 2 && cross(h[k - 2].first, h[k - 2].second, h[k - 1].first, h[k - 1].second,
                                           q.first, q.second) <= 0)
                --k;
            h[k++] = q;
        }
        --k;
        std::reverse(p.begin(), p.end());
    }
    double area = 0.0;
    for (size_t i = 0; i < k; ++i)
        area += h[i].first * h[(i + 1) % k].second - h[(i + 1) % k].first * h[i].second;
    return std::abs(area) / 2.0;
}
} // namespace

class TestExplosion : public QObject {
    Q_OBJECT

private slots:
    void init() {
        FieldScale::program() = FieldScale{800, 600};
        SceneRandom::seed(7);
    }

    void fastTriangulationMatchesBruteForce() {
        std::mt19937 generator(12345);
        std::uniform_real_distribution<double> coordinate(-0.05, 0.05);
        std::uniform_int_distribution<int> size(0, 40);
        for (int set = 0; set < 3000; ++set) {
            const int n = size(generator);
            std::vector<double> xs(n), ys(n);
            for (int i = 0; i < n; ++i) {
                xs[i] = coordinate(generator);
                ys[i] = coordinate(generator);
            }
            std::vector<int> fast(9 * n + 3), slow(9 * n + 3);
            const int fastCount = Explosion::triangulate(n, xs.data(), ys.data(), fast.data());
            const int slowCount = bruteForceTriangulate(n, xs.data(), ys.data(), slow.data());
            QCOMPARE(fastCount, slowCount);
            QVERIFY2(std::equal(fast.begin(), fast.begin() + 3 * fastCount, slow.begin()), qPrintable(QString::number(set)));
        }
    }

    void flatFragmentsCoverTheHull_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("triangle") << TypeCodes::triangle;
        QTest::newRow("rectangle") << TypeCodes::rectangle;
        QTest::newRow("circle") << TypeCodes::circle;
    }
    void flatFragmentsCoverTheHull() {
        QFETCH(int, kind);
        for (int round = 0; round < 20; ++round) {
            std::unique_ptr<Target2D> source;
            if (kind == TypeCodes::triangle)
                source = std::make_unique<Triangle>(SpawnContext{}, true, false, true, 2.0, 0.04);
            else if (kind == TypeCodes::rectangle)
                source = std::make_unique<Rectangle>(SpawnContext{}, true, false, true, 2.0, 0.04);
            else
                source = std::make_unique<Circle>(SpawnContext{}, true, false, true, 2.0, 0.04);
            const auto explosion = Explosion::of(*source);
            QVERIFY(explosion);
            QVERIFY(explosion->fragmentCount() >= 30);
            QVERIFY(explosion->fragmentCount() <= 2 * 32 - 5);
            std::vector<std::pair<double, double>> corners;
            double areaSum = 0.0;
            for (const auto& f : explosion->fragments) {
                const auto* t = dynamic_cast<Fragments::Triangle*>(f.get());
                QVERIFY(t);
                QCOMPARE(t->name, source->name);
                QCOMPARE(t->red, source->red);
                const double area = -cross(t->x1, t->y1, t->x2, t->y2, t->x3, t->y3) / 2.0;
                QVERIFY(area > 0.0);
                areaSum += area;
                corners.insert(corners.end(), {{t->x + t->x1, t->y + t->y1},
                                               {t->x + t->x2, t->y + t->y2},
                                               {t->x + t->x3, t->y + t->y3}});
            }
            QVERIFY(std::abs(areaSum - hullArea(corners)) <= 1e-9 * hullArea(corners));
        }
    }

    void fadingIsPerUpdate() {
        Solid source(0.03);
        Explosion3D explosion(source);
        QCOMPARE(explosion.fragmentCount(), 50);
        QCOMPARE(explosion.fragments[0]->name, source.name + "l");
        explosion.fragments[0]->alpha = 0.4;
        explosion.fragments[1]->alpha = 0.9;
        explosion.update(1000.0);
        QVERIFY(std::abs(explosion.fragments[0]->alpha - 0.384) < 1e-12);
        QVERIFY(explosion.fragments[1]->alpha >= 0.864 && explosion.fragments[1]->alpha <= 0.9);
        QVERIFY(explosion.isVisible());
        // Opaque but gone from the field, or faded in place: both stop counting.
        for (const auto& f : explosion.fragments) {
            f->alpha = 1.0;
            f->x = 3.0;
        }
        explosion.fragments[7]->x = 0.5;
        explosion.fragments[7]->y = 0.5;
        QVERIFY(explosion.isVisible());
        explosion.fragments[7]->alpha = 0.01;
        QVERIFY(!explosion.isVisible());
    }

    void tinySolidLeavesNothing() {
        Solid source(0.0005);
        const auto explosion = Explosion::of(source);
        QCOMPARE(explosion->fragmentCount(), 0);
        QVERIFY(!explosion->isVisible());
    }

    void paddleBurstsWithItsFieldVelocity_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<double>("vx");
        QTest::addColumn<double>("vy");
        QTest::newRow("south") << Orientation::south << 0.01 << 0.02;
        QTest::newRow("north") << Orientation::north << -0.01 << -0.02;
        QTest::newRow("east") << Orientation::east << -0.02 << 0.01;
        QTest::newRow("west") << Orientation::west << 0.02 << -0.01;
    }
    void paddleBurstsWithItsFieldVelocity() {
        QFETCH(int, orientation);
        QFETCH(double, vx);
        QFETCH(double, vy);
        Paddle paddle;
        paddle.orientation = orientation;
        paddle.velocityU = 0.01;
        paddle.velocityV = 0.02;
        paddle.posX = 0.3;
        paddle.posY = 0.9;
        paddle.textureId = 5;
        Explosion2DTex explosion(paddle);
        QVERIFY(explosion.fragmentCount() >= 30);
        const double cx = paddle.posX + paddle.paddleWidth / 2;
        const double cy = paddle.posY + paddle.paddleHeight / 2;
        for (const auto& f : explosion.fragments) {
            const auto* t = dynamic_cast<Fragments::TriangleTx*>(f.get());
            QVERIFY(t);
            QVERIFY(std::abs(t->vx - vx) <= 0.0002 + 1e-12);
            QVERIFY(std::abs(t->vy - vy) <= 0.0002 + 1e-12);
            QCOMPARE(t->textureId, GLuint(5));
            QCOMPARE(t->blue, 1.0);
            // The texture's top row at the paddle's top edge.
            const double px[3] = {t->x1, t->x2, t->x3};
            const double py[3] = {t->y1, t->y2, t->y3};
            for (int v = 0; v < 3; ++v) {
                const double u = (t->x + px[v] - cx) / paddle.paddleWidth + 0.5;
                const double s = 0.5 - (t->y + py[v] - cy) / paddle.paddleHeight;
                QVERIFY(std::abs(t->triangleTexCoords[2 * v] - u) < 1e-9);
                QVERIFY(std::abs(t->triangleTexCoords[2 * v + 1] - s) < 1e-9);
            }
        }
    }
};

VAZAZO_TEST(TestExplosion)
#include "test_Explosion.moc"
