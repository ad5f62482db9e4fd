#include "scene/Explosion.h"

#include "scene/Fragments.h"
#include "scene/Paddle.h"
#include "scene/SceneRandom.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {
constexpr double flatFadeScale = 0.06;
constexpr double paddleFade = 0.02;
constexpr double solidFade = 0.04;
constexpr double strongKickChance = 0.2;
constexpr double strongKick = 0.0005;
constexpr double weakKick = 0.0002;
constexpr double flatSpin = 0.2;
constexpr double paddleKick = 0.0002;
constexpr double linesPerRadiusThird = 5000.0;
constexpr double lineKick = 0.0005;
constexpr double lineSpin = 0.05;
constexpr double radiusMargin = 1.1;
constexpr int indicesPerPoint = 9;
constexpr double collinearTolerance = 1e-10;

double flatKick() {
    const double chance = randSigned();
    return randSigned() * (chance > strongKickChance ? strongKick : weakKick);
}

// The paddle as a plain rectangle that the textured fragments copy their place and motion from.
class PaddleOutline final : public Target2D {
public:
    explicit PaddleOutline(const Paddle& paddle) {
        name = "poor rectangle";
        distractor = true;
        red = 1.0;
        green = 0.5;
        blue = 0.25;
        alpha = 1.0;
        const double w = paddle.paddleWidth;
        const double h = paddle.paddleHeight;
        x = paddle.posX + w / 2.0;
        y = paddle.posY + h / 2.0;
        radius = 0.5 * radiusMargin * std::sqrt(w * w + h * h);
        // The paddle samples its velocity in the mouse's axes; these are its field axes.
        const double u = paddle.velocityU;
        const double v = paddle.velocityV;
        switch (paddle.orientation) {
        case Orientation::north:
            vx = -u;
            vy = -v;
            break;
        case Orientation::east:
            vx = -v;
            vy = u;
            break;
        case Orientation::west:
            vx = v;
            vy = -u;
            break;
        case Orientation::south:
        default:
            vx = u;
            vy = v;
            break;
        }
    }

    int typeCode() override { return TypeCodes::rectangle; }
    void drawShape() override {}
    std::unique_ptr<double[]> fragmentPoints(int&) override { return nullptr; }
    void bakeRotation() override {}
};
} // namespace

std::unique_ptr<Explosion> Explosion::of(Target2D& target) {
    const int code = target.typeCode();
    if (code & TypeCodes::solidBit)
        return std::make_unique<Explosion3D>(target);
    if (code & TypeCodes::flatBit)
        return std::make_unique<Explosion2D>(target);
    return nullptr;
}

void Explosion::update(double now) {
    for (const auto& fragment : fragments) {
        const double a = fragment->alpha;
        if (a <= 0.5) {
            fragment->alpha = (1.0 - fade) * a;
        } else {
            // Opaque fragments flicker while they fade.
            const double r = rand01();
            fragment->alpha = ((1.0 - fade) + r * fade) * a;
        }
        fragment->update(now);
    }
    lastUpdate = now;
}

void Explosion::draw() {
    ExplosionBatch batch;
    if (addTo(batch)) {
        batch.draw();
        return;
    }
    for (const auto& fragment : fragments)
        fragment->draw();
}

bool Explosion2D::addTo(ExplosionBatch& batch) {
    for (const auto& fragment : fragments)
        static_cast<const Fragments::Triangle&>(*fragment).appendTo(batch.triangleVertices, batch.triangleColours);
    return true;
}

bool Explosion3D::addTo(ExplosionBatch& batch) {
    for (const auto& fragment : fragments)
        static_cast<const Fragments::Line&>(*fragment).appendTo(batch.lineVertices, batch.lineColours);
    return true;
}

void ExplosionBatch::add(Explosion& explosion) {
    if (!explosion.addTo(*this))
        explosion.draw();
}

void ExplosionBatch::draw() {
    if (triangleVertices.empty() && lineVertices.empty())
        return;
    glPushAttrib(GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    const auto drawArrays = [](GLenum mode, const std::vector<float>& vertices, const std::vector<float>& colours) {
        if (vertices.empty())
            return;
        glVertexPointer(2, GL_FLOAT, 0, vertices.data());
        glColorPointer(4, GL_FLOAT, 0, colours.data());
        glDrawArrays(mode, 0, static_cast<GLsizei>(vertices.size() / 2));
    };
    drawArrays(GL_TRIANGLES, triangleVertices, triangleColours);
    drawArrays(GL_LINES, lineVertices, lineColours);
    glPopClientAttrib();
    glPopAttrib();
    triangleVertices.clear();
    triangleColours.clear();
    lineVertices.clear();
    lineColours.clear();
}

bool Explosion::isVisible() {
    return std::any_of(fragments.begin(), fragments.end(), [](const auto& fragment) {
        return fragment->alpha > fragmentVisibleAlpha && fragment->isInField();
    });
}

void Explosion::restartClockAt(double now) {
    lastUpdate = now;
    for (const auto& fragment : fragments)
        fragment->lastUpdate = now;
}

// Grows the triangulation from one sure edge: for each open edge, the point on its open side whose
// circle through the edge is the smallest closes a triangle. Each directed edge closes at most
// once, so this ends even on degenerate input.
int Explosion::triangulate(int n, const double* xs, const double* ys, int* out) {
    if (n < 3)
        return 0;
    std::vector<double> zs(n);
    for (int i = 0; i < n; ++i)
        zs[i] = xs[i] * xs[i] + ys[i] * ys[i];
    auto orientation = [xs, ys](int i, int j, int k) {
        return (xs[j] - xs[i]) * (ys[k] - ys[i]) - (xs[k] - xs[i]) * (ys[j] - ys[i]);
    };
    // Sample points on a straight edge are collinear only up to rounding; taken as collinear they
    // cannot close slivers that overlap their neighbours.
    auto clearlyRight = [xs, ys](int i, int j, int k) {
        const double ax = xs[j] - xs[i];
        const double ay = ys[j] - ys[i];
        const double bx = xs[k] - xs[i];
        const double by = ys[k] - ys[i];
        return ax * by - bx * ay <
               -collinearTolerance * (std::abs(ax) + std::abs(ay)) * (std::abs(bx) + std::abs(by));
    };
    // The plane through the lifted (i, j, k), a triple with negative orientation; a point above it
    // lies inside their circumcircle.
    struct Plane {
        double nx, ny, nz;
    };
    auto planeOf = [&](int i, int j, int k) {
        return Plane{(ys[j] - ys[i]) * (zs[k] - zs[i]) - (ys[k] - ys[i]) * (zs[j] - zs[i]),
                     (xs[k] - xs[i]) * (zs[j] - zs[i]) - (xs[j] - xs[i]) * (zs[k] - zs[i]),
                     orientation(i, j, k)};
    };

    // A repeated point (two equal draws) would close a second fan over the first one.
    std::vector<unsigned char> repeated(n, 0);
    for (int i = 1; i < n; ++i) {
        for (int j = 0; j < i && !repeated[i]; ++j)
            repeated[i] = xs[i] == xs[j] && ys[i] == ys[j];
    }

    // The leftmost point and its nearest neighbour: their diameter circle is empty.
    int a = 0;
    for (int i = 1; i < n; ++i) {
        if (xs[i] < xs[a] || (xs[i] == xs[a] && ys[i] < ys[a]))
            a = i;
    }
    int b = -1;
    double nearest = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = (xs[i] - xs[a]) * (xs[i] - xs[a]) + (ys[i] - ys[a]) * (ys[i] - ys[a]);
        if (i != a && d > 0.0 && (b < 0 || d < nearest)) {
            b = i;
            nearest = d;
        }
    }
    if (b < 0)
        return 0;

    const int limit = 3 * n;
    std::vector<unsigned char> closed(static_cast<size_t>(n) * n, 0);
    std::vector<std::pair<int, int>> open{{a, b}, {b, a}};
    std::vector<std::array<int, 3>> found;
    found.reserve(2 * n);
    while (!open.empty()) {
        const auto [p, q] = open.back();
        open.pop_back();
        if (closed[p * n + q])
            continue;
        int r = -1;
        Plane plane{};
        for (int s = 0; s < n; ++s) {
            if (s == p || s == q || repeated[s] || !clearlyRight(p, q, s))
                continue;
            if (r < 0 ||
                (xs[s] - xs[p]) * plane.nx + (ys[s] - ys[p]) * plane.ny + (zs[s] - zs[p]) * plane.nz > 0.0) {
                r = s;
                plane = planeOf(p, q, r);
            }
        }
        closed[p * n + q] = 1;
        if (r < 0)
            continue;
        closed[q * n + r] = 1;
        closed[r * n + p] = 1;
        if (static_cast<int>(found.size()) < limit) {
            std::array<int, 3> t{p, q, r};
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            found.push_back(t);
        }
        if (!closed[r * n + q])
            open.emplace_back(r, q);
        if (!closed[p * n + r])
            open.emplace_back(p, r);
    }
    std::sort(found.begin(), found.end());
    int* next = out;
    for (const auto& t : found)
        next = std::copy(t.begin(), t.end(), next);
    return static_cast<int>(found.size());
}

Explosion2D::Explosion2D(Target2D& source) {
    fade = flatFadeScale * rand01();
    source.bakeRotation();
    int count = 0;
    const std::unique_ptr<double[]> points = source.fragmentPoints(count);
    if (!points)
        return;
    pointCount = count;
    const double* xs = points.get();
    const double* ys = xs + Target2D::fragmentPointCount;
    triangleIndices.resize(static_cast<size_t>(indicesPerPoint) * pointCount);
    const int triangles = triangulate(pointCount, xs, ys, triangleIndices.data());
    fragments.reserve(triangles);
    for (int k = 0; k < triangles; ++k) {
        const int* t = &triangleIndices[3 * k];
        auto fragment = std::make_unique<Fragments::Triangle>(source, xs[t[0]], ys[t[0]], xs[t[1]], ys[t[1]],
                                                              xs[t[2]], ys[t[2]]);
        fragment->vx += flatKick();
        fragment->vy += flatKick();
        fragment->spin = randSigned() * flatSpin;
        fragments.push_back(std::move(fragment));
    }
}

Explosion2DTex::Explosion2DTex(const Paddle& paddle) {
    fade = paddleFade;
    const PaddleOutline outline(paddle);
    const double w = paddle.paddleWidth;
    const double h = paddle.paddleHeight;

    // Texture coordinates first; the points follow from them.
    std::array<double, samplePoints> us{0.0, 1.0, 1.0, 0.0};
    std::array<double, samplePoints> ts{0.0, 0.0, 1.0, 1.0};
    int i = 4;
    auto edge = [&](double fixed, bool fixedIsT) {
        for (int k = 0; k < 4; ++k, ++i) {
            (fixedIsT ? ts : us)[i] = fixed;
            (fixedIsT ? us : ts)[i] = rand01();
        }
    };
    edge(0.0, true);
    edge(1.0, false);
    edge(1.0, true);
    edge(0.0, false);
    for (; i < samplePoints; ++i) {
        us[i] = rand01();
        ts[i] = rand01();
    }
    std::array<double, samplePoints> xs{};
    std::array<double, samplePoints> ys{};
    for (int k = 0; k < samplePoints; ++k) {
        xs[k] = (us[k] - 0.5) * w;
        ys[k] = (ts[k] - 0.5) * h;
        // The top of the paddle shows the texture's top row.
        ts[k] = 1.0 - ts[k];
    }
    pointCount = samplePoints;

    triangleIndices.resize(static_cast<size_t>(indicesPerPoint) * pointCount);
    const int triangles = triangulate(pointCount, xs.data(), ys.data(), triangleIndices.data());
    fragments.reserve(triangles);
    for (int k = 0; k < triangles; ++k) {
        const int* t = &triangleIndices[3 * k];
        auto fragment = std::make_unique<Fragments::TriangleTx>(outline, xs[t[0]], ys[t[0]], xs[t[1]],
                                                                ys[t[1]], xs[t[2]], ys[t[2]]);
        fragment->textureId = paddle.textureId;
        fragment->view = paddle.view;
        for (int v = 0; v < 3; ++v) {
            fragment->triangleTexCoords[2 * v] = us[t[v]];
            fragment->triangleTexCoords[2 * v + 1] = ts[t[v]];
        }
        fragment->red = 1.0;
        fragment->green = 1.0;
        fragment->blue = 1.0;
        const double kickY = randSigned();
        const double kickX = randSigned();
        fragment->vx += kickX * paddleKick;
        fragment->vy -= kickY * paddleKick;
        fragment->spin = randSigned() * flatSpin;
        fragments.push_back(std::move(fragment));
    }
}

Explosion3D::Explosion3D(const Target2D& source) {
    fade = solidFade;
    const double s = source.radius / 3.0;
    const int count = static_cast<int>(s * linesPerRadiusThird);
    fragments.reserve(std::max(count, 0));
    for (int k = 0; k < count; ++k) {
        const double r1 = randSigned();
        const double r2 = randSigned();
        const double r3 = randSigned();
        const double r4 = randSigned();
        auto fragment = std::make_unique<Fragments::Line>(source, r4 * s, r3 * s, r2 * s, r1 * s);
        const double kickY = randSigned();
        const double kickX = randSigned();
        fragment->vx += kickX * lineKick;
        fragment->vy += kickY * lineKick;
        fragment->spin = randSigned() * lineSpin;
        fragments.push_back(std::move(fragment));
    }
}
