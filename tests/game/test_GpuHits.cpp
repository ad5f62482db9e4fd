#include "support/TestMain.h"
#include "game/State.h"

#include "render/FramePainter.h"
#include "render/Shader.h"
#include "render/Timer.h"
#include "scene/Circle.h"
#include "scene/FieldScale.h"
#include "scene/Gun.h"
#include "scene/Paddle.h"
#include "scene/SceneRandom.h"
#include "support/FakePages.h"
#include "support/Waiting.h"

#include <QtTest>

namespace {
// Square, so that a field unit is as long across as down, as the CPU test's circles assume.
constexpr int side = 400;
// Further than this from a boundary, in field units, both tests must give the same answer.
constexpr double clearMargin = 4.0 / side;
// The CPU test's outline points on the paddle, as fractions of its width and height.
constexpr double outlineU[] = {0, 1, 1, 0, 0.25, 0.5, 0.75, 0.25, 0.5, 0.75, 0, 1};
constexpr double outlineV[] = {0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 0.5, 0.5};

// One GPU hit test per frame; keeps what it found and which framebuffer was bound after it.
class HitFrame : public FramePainter {
public:
    void renderFrame() override {
        view->beginFrame();
        ran = state->usesGpuHitTest();
        if (ran) {
            state->detectHitsGpu();
            flags = state->hitFlags;
            destroyed = state->paddleDestroyed;
        }
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &boundAfter);
        ++frames;
    }
    Shader* view = nullptr;
    State* state = nullptr;
    bool ran = false;
    std::array<bool, SceneList<Target2D>::capacity> flags{};
    bool destroyed = false;
    GLint boundAfter = -1;
    int frames = 0;
};

void addCircle(State& state, double x, double y, double size, bool distractor) {
    SpawnContext context;
    auto target = std::make_unique<Circle>(context, false, distractor, false, 0.0, size);
    target->x = x;
    target->y = y;
    state.targets.add(std::move(target));
}
} // namespace

class TestGpuHits : public QObject {
    Q_OBJECT
private slots:
    void init() {
        FieldScale::program() = {side, side};
        state.attach(pages, paddle, countdown);
        state.attachHitPasses(&view);
        state.clearField();
        state.gpuCollision = state.gpuCollisionAvailable = true;
        state.vulnerablePaddle = false;
        paddle.posX = 0.4;
        paddle.posY = 0.8;
        paddle.recovery = -1;
        painter.view = &view;
        painter.state = &state;
        view.setFixedSize(side, side);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY2(waitUntil([&] { return view.hitPassesReady(); }), "no GPU hit test on this driver");
    }
    void cleanup() { FieldScale::program() = {}; }

    void gunsAndTheVulnerablePaddleHitWhatTheCpuTestHits() {
        int hits = 0;
        int misses = 0;
        for (int scene = 0; scene < 12; ++scene) {
            SceneRandom::seed(scene + 1);
            state.clearField();
            state.vulnerablePaddle = scene % 2 == 0;
            // Circles well clear of the paddle's outline points and edges, or well over them.
            while (state.targets.count() < 10) {
                // Every other one around the paddle.
                const bool aroundPaddle = state.targets.count() % 2 == 1;
                const double x = aroundPaddle ? paddle.posX - 0.05 + 0.2 * rand01() : rand01();
                const double y = aroundPaddle ? paddle.posY - 0.05 + 0.15 * rand01() : rand01();
                const double size = 0.02 + 0.03 * rand01();
                const double toRect =
                    std::hypot(std::max({paddle.posX - x, 0.0, x - paddle.posX - paddle.paddleWidth}),
                               std::max({paddle.posY - y, 0.0, y - paddle.posY - paddle.paddleHeight}));
                addCircle(state, x, y, size, state.targets.count() % 3 == 0);
                bool overPoint = false;
                for (int k = 0; k < State::paddleSamplePoints; ++k)
                    overPoint |=
                        std::hypot(x - paddle.posX - outlineU[k] * paddle.paddleWidth,
                                   y - paddle.posY - outlineV[k] * paddle.paddleHeight) < size - clearMargin;
                if (!overPoint && toRect < size + clearMargin)
                    state.targets.removeAt(state.targets.count() - 1);
            }
            // Each gun somewhere around one of the targets, so that about half of them hit.
            while (state.guns.count() < 20) {
                const Target2D* near = state.targets[state.guns.count() % state.targets.count()];
                const double x = near->x + 2 * near->radius * randSigned(),
                             y = near->y + 2 * near->radius * randSigned();
                // Off the field nothing is drawn, so only the CPU test could see it.
                const bool clear =
                    std::min({x, y, 1 - x, 1 - y}) > clearMargin &&
                    std::all_of(state.targets.begin(), state.targets.end(), [&](const Target2D* t) {
                        return std::abs(std::hypot(t->x - x, t->y - y) - t->radius / 1.1 - State::gunRadius) >
                               clearMargin;
                    });
                if (clear)
                    state.guns.add(std::make_unique<Gun>(State::gunRadius, x, y));
            }
            runFrame();
            state.detectHitsCpu();
            for (int i = 0; i < state.targets.count(); ++i) {
                QVERIFY2(painter.flags[i] == state.hitFlags[i],
                         qPrintable(QString("scene %1, target %2").arg(scene).arg(i)));
                (state.hitFlags[i] ? hits : misses) += 1;
            }
            QCOMPARE(painter.destroyed, state.paddleDestroyed);
        }
        QVERIFY(hits > 10 && misses > 10);
    }

    void distractorsAreNeverHitButDestroyAVulnerablePaddleOutsideItsRecovery() {
        addCircle(state, 0.3, 0.3, 0.03, false);
        addCircle(state, 0.6, 0.3, 0.03, true);
        addCircle(state, paddle.posX, paddle.posY, 0.03, false);
        state.guns.add(std::make_unique<Gun>(State::gunRadius, 0.3, 0.3));
        state.guns.add(std::make_unique<Gun>(State::gunRadius, 0.6, 0.3));
        runFrame();
        QVERIFY(painter.flags[0] && !painter.flags[1] && !painter.flags[2] && !painter.destroyed);

        state.vulnerablePaddle = true;
        runFrame();
        QVERIFY(painter.flags[0] && !painter.flags[1] && painter.flags[2] && !painter.destroyed);
        addCircle(state, paddle.posX + 0.05, paddle.posY + 0.05, 0.03, true);
        runFrame();
        QVERIFY(painter.destroyed && !painter.flags[3]);

        paddle.recovery = 1000.0;
        runFrame();
        QVERIFY(painter.flags[0] && !painter.flags[2] && !painter.destroyed);
    }

    void theFramebufferFollowsTheViewAndTheViewsOwnStaysBound() {
        for (QSize size : {QSize(side, side), QSize(321, 123)}) {
            view.setFixedSize(size);
            QVERIFY(waitUntil(
                [&] { return view.framebufferSize() == view.frameSize() && view.width() == size.width(); }));
            runFrame();
            QCOMPARE(GLuint(painter.boundAfter), view.defaultFramebufferObject());
        }
        view.makeCurrent();
        view.makeFramebuffer(false);
        view.makeFramebuffer(true);
        GLint bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        QCOMPARE(GLuint(bound), view.defaultFramebufferObject());
        QCOMPARE(view.framebufferSize(), view.frameSize());
    }

private:
    void runFrame() {
        const int before = painter.frames;
        view.update();
        QVERIFY(waitUntil([&] { return painter.frames > before; }));
        QVERIFY(painter.ran);
    }

    FakePages pages;
    Paddle paddle;
    Timer countdown;
    State state;
    HitFrame painter;
    Shader view{painter};
};

VAZAZO_TEST(TestGpuHits)
#include "test_GpuHits.moc"
