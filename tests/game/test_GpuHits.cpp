#include "support/TestMain.h"
#include "game/State.h"

#include "render/FramePainter.h"
#include "render/Shader.h"
#include "render/Timer.h"
#include "scene/Circle.h"
#include "scene/FieldScale.h"
#include "scene/Paddle.h"
#include "scene/SceneRandom.h"
#include "support/FakePages.h"
#include "support/Waiting.h"

#include <QtTest>

namespace {
// Square, so that a field unit is as long across as down, as the CPU test's circles assume.
constexpr int side = 400;
// Further than this from an edge, in field units, both tests must give the same answer.
constexpr double clearMargin = 4.0 / side;

// One GPU hit test per frame, and the framebuffer bound after it.
struct HitFrame : FramePainter {
    void renderFrame() override {
        view->beginFrame();
        state->detectHitsGpu();
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &boundAfter);
        ++frames;
    }
    Shader* view = nullptr;
    State* state = nullptr;
    GLint boundAfter = -1;
    int frames = 0;
};

void addCircle(State& state, double x, double y, double size, bool distractor) {
    auto target = std::make_unique<Circle>(SpawnContext{}, false, distractor, false, 0.0, size);
    target->x = x;
    target->y = y;
    state.targets.add(std::move(target));
}
} // namespace

class TestGpuHits : public QObject {
    Q_OBJECT
public:
    TestGpuHits() {
        state.attach(pages, paddle, countdown);
        state.attachHitPasses(&view);
        painter.view = &view;
        painter.state = &state;
    }

private slots:
    void init() {
        FieldScale::program() = {side, side};
        state.clearField();
        state.gpuCollision = state.gpuCollisionAvailable = true;
        state.vulnerablePaddle = false;
        paddle.recovery = -1;
        view.setFixedSize(side, side);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY2(waitUntil([&] { return view.hitPassesReady(); }), "no GPU hit test on this driver");
    }
    void cleanup() { FieldScale::program() = {}; }

    void gunsHitWhatTheCpuTestHits() {
        int hits = 0, misses = 0;
        state.vulnerablePaddle = true; // far below the targets: the paddle passes run and find nothing
        for (int scene = 0; scene < 12; ++scene) {
            SceneRandom::seed(scene + 1);
            state.clearField();
            while (state.targets.count() < 10)
                addCircle(state, 0.05 + 0.9 * rand01(), 0.05 + 0.6 * rand01(), 0.02 + 0.03 * rand01(),
                          state.targets.count() % 3 == 0);
            // Around the targets, so that some hit, and never near the edge of a target or the field.
            while (state.guns.count() < 20) {
                const Target2D* near = state.targets[state.guns.count() % 10];
                const double x = near->x + 2 * near->radius * randSigned(),
                             y = near->y + 2 * near->radius * randSigned();
                if (std::min({x, y, 1 - x, 1 - y}) > clearMargin &&
                    std::all_of(state.targets.begin(), state.targets.end(), [&](const Target2D* t) {
                        return std::abs(std::hypot(t->x - x, t->y - y) - t->radius / 1.1 - State::gunRadius) >
                               clearMargin;
                    }))
                    state.guns.add(std::make_unique<Gun>(State::gunRadius, x, y));
            }
            runFrame();
            const auto gpuFlags = state.hitFlags;
            state.detectHitsCpu();
            for (int i = 0; i < state.targets.count(); ++i) {
                QCOMPARE(gpuFlags[i], state.hitFlags[i]);
                (gpuFlags[i] ? hits : misses) += 1;
            }
        }
        QVERIFY(hits > 10 && misses > 10);
    }

    void distractorsAreNeverHitButDestroyAVulnerablePaddleOutsideItsRecovery() {
        addCircle(state, 0.3, 0.3, 0.03, false);
        addCircle(state, 0.6, 0.3, 0.03, true);
        addCircle(state, paddle.posX, paddle.posY, 0.03, false);
        state.guns.add(std::make_unique<Gun>(State::gunRadius, 0.3, 0.3));
        state.guns.add(std::make_unique<Gun>(State::gunRadius, 0.6, 0.3));
        const auto& hit = state.hitFlags;
        runFrame();
        QVERIFY(hit[0] && !hit[1] && !hit[2] && !state.paddleDestroyed);
        state.vulnerablePaddle = true;
        runFrame();
        QVERIFY(hit[0] && !hit[1] && hit[2] && !state.paddleDestroyed);
        addCircle(state, paddle.posX + 0.05, paddle.posY + 0.05, 0.03, true);
        runFrame();
        QVERIFY(state.paddleDestroyed && !hit[3]);
        paddle.recovery = 1000.0;
        runFrame();
        QVERIFY(hit[0] && !hit[2] && !state.paddleDestroyed);
    }

    void theFramebufferFollowsTheViewAndTheViewsOwnStaysBound() {
        view.setFixedSize(321, 123);
        QVERIFY(waitUntil([&] { return view.framebufferSize() == view.frameSize() && view.width() == 321; }));
        runFrame();
        QCOMPARE(GLuint(painter.boundAfter), view.defaultFramebufferObject());
        view.makeCurrent();
        view.makeFramebuffer(false);
        view.makeFramebuffer(true);
        GLint bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        QVERIFY(GLuint(bound) == view.defaultFramebufferObject() &&
                view.framebufferSize() == view.frameSize());
    }

private:
    void runFrame() {
        QVERIFY(state.usesGpuHitTest());
        const int before = painter.frames;
        view.update();
        QVERIFY(waitUntil([&] { return painter.frames > before; }));
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
