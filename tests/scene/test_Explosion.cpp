#include <GL/glew.h>

#include "support/TestMain.h"
#include "scene/Explosion.h"
#include "scene/FieldScale.h"
#include "scene/Gun.h"
#include "scene/Fragments.h"
#include "scene/Rectangle.h"
#include "scene/SceneRandom.h"
#include "scene/Sphere.h"

#include "support/OffscreenGl.h"

#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Pixels lit in the one-by-one picture, and those where the batched one differs by more than a
// colour step; the left and bottom strips (3 px) are counted apart as well.
struct Difference {
    int coloured = 0, different = 0, edgeColoured = 0, edgeDifferent = 0;
};

Difference compare(const QImage& single, const QImage& batched) {
    Difference d;
    for (int y = 0; y < single.height(); ++y)
        for (int x = 0; x < single.width(); ++x) {
            const QColor a = single.pixelColor(x, y), b = batched.pixelColor(x, y);
            const bool lit = a != Qt::black, atEdge = x < 3 || y >= single.height() - 3;
            const bool differs = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                           std::abs(a.blue() - b.blue())}) > 1;
            d = {d.coloured + lit, d.different + differs, d.edgeColoured + (lit && atEdge),
                 d.edgeDifferent + (differs && atEdge)};
        }
    return d;
}

// The reference: every triple of one orientation with no point inside its circumcircle.
int bruteForceTriangulate(int n, const double* x, const double* y, int* out) {
    auto z = [&](int i) { return x[i] * x[i] + y[i] * y[i]; };
    int count = 0;
    for (int i = 0; i < n - 2; ++i)
        for (int j = i + 1; j < n; ++j)
            for (int k = i + 1; k < n; ++k) {
                const double nz = (x[j] - x[i]) * (y[k] - y[i]) - (x[k] - x[i]) * (y[j] - y[i]);
                if (k == j || !(nz < 0))
                    continue;
                const double nx = (y[j] - y[i]) * (z(k) - z(i)) - (y[k] - y[i]) * (z(j) - z(i));
                const double ny = (x[k] - x[i]) * (z(j) - z(i)) - (x[j] - x[i]) * (z(k) - z(i));
                bool empty = true;
                for (int m = 0; m < n; ++m)
                    empty = empty && (m == i || m == j || m == k ||
                                      (x[m] - x[i]) * nx + (y[m] - y[i]) * ny + (z(m) - z(i)) * nz <= 0);
                const int triple[] = {i, j, k};
                if (empty && count < 3 * n)
                    std::copy(triple, triple + 3, out + 3 * count++);
            }
    return count;
}
} // namespace

class TestExplosion : public QObject {
    Q_OBJECT

private slots:
    void init() { SceneRandom::seed(7); }

    void fastTriangulationMatchesBruteForce() {
        std::mt19937 generator(12345);
        std::uniform_real_distribution<double> coordinate(-0.05, 0.05);
        for (int set = 0; set < 3000; ++set) {
            const int n = set % 41;
            std::vector<double> xs(n), ys(n);
            std::generate(xs.begin(), xs.end(), [&] { return coordinate(generator); });
            std::generate(ys.begin(), ys.end(), [&] { return coordinate(generator); });
            std::vector<int> fast(9 * n + 3), slow(9 * n + 3);
            const int count = Explosion::triangulate(n, xs.data(), ys.data(), fast.data());
            QCOMPARE(count, bruteForceTriangulate(n, xs.data(), ys.data(), slow.data()));
            QVERIFY(std::equal(fast.begin(), fast.begin() + 3 * count, slow.begin()));
        }
    }

    // One draw per explosion, or one per batch of them, shows the picture a draw per fragment shows:
    // turned, placed, coloured and faded alike. Fragments wholly beyond an edge never reach the GL,
    // yet those astride an edge still show.
    void explosionsDrawnInOneGoLookAsTheirFragmentsDrawnOneByOne() {
        OffscreenGl gl(300, 200);
        QVERIFY(gl.isReady());
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        FieldScale::program() = FieldScale{300, 200};
        Rectangle flat(SpawnContext{}, true, false, true, 2.0, 0.08);
        Sphere solid(SpawnContext{}, true, false, true, 2.0, 0.08);
        for (Target2D* source : std::initializer_list<Target2D*>{&flat, &solid}) {
            source->x = source->y = 0.5;
            source->angle = 30.0;
            const auto explosion = Explosion::of(*source);
            const int n = explosion->fragmentCount();
            QVERIFY(n > 12);
            for (int tick = 0; tick < 20; ++tick)
                explosion->update(100.0 + 16.0 * tick);
            const auto differences = [&](const auto& oneGo) {
                glClear(GL_COLOR_BUFFER_BIT);
                oneGo();
                const QImage batched = gl.image();
                glClear(GL_COLOR_BUFFER_BIT);
                for (const auto& fragment : explosion->fragments)
                    fragment->draw();
                return compare(gl.image(), batched);
            };
            Difference d = differences([&] { explosion->draw(); });
            QVERIFY(d.coloured > 20 && d.different <= d.coloured / 10);

            // Far beyond each edge, astride the left and bottom edges, and inside.
            const double places[][2] = {{-0.4, 0.5}, {1.4, 0.5}, {0.5, -0.4}, {0.5, 1.4},
                                        {0.0, 0.5},  {0.5, 1.0}, {0.3, 0.3},  {0.7, 0.6}};
            int far = 0, inside = 0;
            for (int i = 0; i < n; ++i) {
                explosion->fragments[i]->x = places[i % 8][0] + 0.001 * i;
                explosion->fragments[i]->y = places[i % 8][1];
                far += i % 8 < 4 ? 1 : 0;
                inside += i % 8 >= 6 ? 1 : 0;
            }
            ExplosionBatch batch;
            batch.add(*explosion);
            // Solids burst into splinters (lines); one astride an edge may still lie wholly beyond it.
            const bool lines = source == &solid;
            const int kept = (lines ? batch.lineVertices.size() : batch.triangleVertices.size()) / 2;
            QVERIFY(kept >= (lines ? 2 : 3) * inside && kept <= (lines ? 2 : 3) * (n - far) &&
                    (lines ? batch.lineColours.size() : batch.triangleColours.size()) == 4u * kept);
            d = differences([&] { batch.draw(); });
            QVERIFY(d.edgeColoured > 10 && d.edgeDifferent <= d.edgeColoured / 10 &&
                    d.different <= d.coloured / 10);
        }
    }

    // Guns drawn together show the wire balls each gun's own draw shows.
    void gunsDrawnInOneGoLookAsEachDrawnByItself() {
        OffscreenGl gl(300, 200);
        QVERIFY(gl.isReady());
        FieldScale::program() = FieldScale{300, 200};
        std::vector<std::unique_ptr<Gun>> guns;
        for (const double radius : {Gun::firedRadius, 0.02, 0.06}) {
            guns.push_back(std::make_unique<Gun>(radius, 0.2 + 5 * radius, 0.3 + 4 * radius));
            guns.back()->setColour(radius < 0.01 ? 1.0 : 0.5);
        }
        const auto picture = [&](bool oneGo) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            GunBatch batch;
            for (const auto& gun : guns)
                oneGo ? batch.add(*gun) : gun->draw();
            batch.draw();
            return gl.image();
        };
        const Difference d = compare(picture(false), picture(true));
        QVERIFY(d.coloured > 100 && d.different <= d.coloured / 20);
    }

    void fadingIsPerUpdateAndFieldBound() {
        Sphere source(SpawnContext{}, false, false, false, 0.0, 0.01);
        source.radius = 0.03;
        Explosion3D explosion(source);
        QVERIFY(explosion.fragmentCount() == 50 && explosion.fragments[0]->name == source.name + "l");
        explosion.fragments[0]->alpha = 0.4;
        explosion.fragments[1]->alpha = 0.9;
        explosion.update(1000.0);
        QVERIFY(std::abs(explosion.fragments[0]->alpha - 0.384) < 1e-12 &&
                explosion.fragments[1]->alpha >= 0.864 && explosion.fragments[1]->alpha <= 0.9);
        // Opaque but out of the field, or faded in place: neither keeps the explosion.
        for (const auto& f : explosion.fragments) {
            f->alpha = 1.0;
            f->x = 3.0;
        }
        explosion.fragments[7]->x = explosion.fragments[7]->y = 0.5;
        QVERIFY(explosion.isVisible());
        explosion.fragments[7]->alpha = 0.01;
        QVERIFY(!explosion.isVisible());

        Sphere tiny(SpawnContext{}, false, false, false, 0.0, 0.01);
        tiny.radius = 0.0005;
        QVERIFY(Explosion::of(tiny)->fragmentCount() == 0 && !Explosion::of(tiny)->isVisible());
    }
};

VAZAZO_TEST(TestExplosion)
#include "test_Explosion.moc"
