// Costs of the playing field: the tick and the CPU hit test at full lists, the CPU and GPU hit
// tests at 16, 64 and 256 targets, the triangulation and construction of a flat target's
// explosion, and frames per second of a real window at "Unlimited" with 16, 64 and 256 targets,
// with either hit test, and with explosions at the game's highest rate or saturating their list.
// Run under a display:
// xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/field
#include "BenchField.h"

#include "app/CVazazoDlg.h"
#include "render/Shader.h"
#include "scene/Explosion.h"
#include "scene/Paddle.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace BenchField;

namespace {
constexpr int viewWidth = 800;
constexpr int viewHeight = 600;
constexpr int timedCalls = 2000;
// Each GPU test waits for the GL to finish, so fewer calls keep the run short.
constexpr int timedGpuCalls = 200;
constexpr int playMs = 5000;

template <typename F> double medianMicroseconds(F&& call, int calls = timedCalls) {
    std::vector<double> times;
    times.reserve(calls);
    for (int i = 0; i < calls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        call(i);
        times.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    printNotices();
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings.ini"));
    CVazazoDlg window(store);
    window.show();
    runFor(500);
    const QSize extra = window.size() - window.view()->size();
    window.resize(viewWidth + extra.width(), viewHeight + extra.height());
    runFor(300);

    // Game logic at full lists; guns sit still so that nothing leaves the field.
    window.setFramePeriod(66);
    LevelSelection selection;
    window.startGame(selection, 0.0);
    window.pauseNow();
    SceneRandom::seed(1);
    fill(window, 256, 256);
    const double tick = medianMicroseconds([&](int i) { window.tick(1000.0 + i * 0.001); });
    fill(window, 256, 256);
    const double hits = medianMicroseconds([&](int) { window.detectHitsCpu(); });
    std::printf("field logic with %d targets and %d guns (median of %d calls)\n", window.targets.count(),
                window.guns.count(), timedCalls);
    std::printf("  tick            %8.1f us\n  detectHitsCpu   %8.1f us\n  together        %8.1f us   goal < "
                "50 us: %s\n\n",
                tick, hits, tick + hits, tick + hits < 50.0 ? "met" : "MISSED");

    // Both hit tests on the same fields, as many guns as targets; the GPU test in the view's context,
    // as inside a frame.
    Shader& view = *window.view();
    std::printf("hit test per frame, as many guns as targets (median of %d CPU and %d GPU calls)\n",
                timedCalls, timedGpuCalls);
    std::printf("%-10s %14s %14s %22s\n", "targets", "detectHitsCpu", "detectHitsGpu",
                "GPU, vulnerable paddle");
    for (int count : {16, 64, 256}) {
        window.clearField();
        window.explosions.clear();
        fill(window, count, count);
        window.vulnerablePaddle = false;
        const double cpu = medianMicroseconds([&](int) { window.detectHitsCpu(); });
        view.makeCurrent();
        view.beginFrame();
        if (!view.hitPassesReady()) {
            std::printf("%-10d %11.1f us   GPU hit test unavailable\n", count, cpu);
            view.doneCurrent();
            continue;
        }
        const double gpu = medianMicroseconds([&](int) { window.detectHitsGpu(); }, timedGpuCalls);
        Paddle::program().recovery = -1.0;
        window.vulnerablePaddle = true;
        const double gpuPaddle = medianMicroseconds([&](int) { window.detectHitsGpu(); }, timedGpuCalls);
        window.vulnerablePaddle = false;
        view.doneCurrent();
        std::printf("%-10d %11.1f us %11.1f us %19.1f us\n", count, cpu, gpu, gpuPaddle);
    }
    std::printf("\n");

    // Explosions of flat targets: the sample points of 2000 rotated triangles, rectangles and circles.
    std::vector<std::unique_ptr<double[]>> pointSets;
    for (int i = 0; i < timedCalls; ++i) {
        auto target = makeTarget(i % 3);
        target->bakeRotation();
        int count = 0;
        pointSets.push_back(target->fragmentPoints(count));
    }
    std::vector<int> indices(9 * Target2D::fragmentPointCount);
    int triangles = 0;
    const double triangulation = medianMicroseconds([&](int i) {
        const double* xs = pointSets[i].get();
        triangles += Explosion::triangulate(Target2D::fragmentPointCount, xs, xs + Target2D::fragmentPointCount,
                                            indices.data());
    });
    std::vector<std::unique_ptr<Target2D>> sources;
    for (int i = 0; i < timedCalls; ++i) {
        sources.push_back(makeTarget(i % 3));
    }
    const double construction = medianMicroseconds([&](int i) { Explosion2D explosion(*sources[i]); });
    std::printf("flat explosion of %d points (median of %d, %.1f triangles on average)\n",
                Target2D::fragmentPointCount, timedCalls, double(triangles) / timedCalls);
    std::printf("  triangulate     %8.1f us   goal <= 20 us: %s\n  Explosion2D     %8.1f us\n\n", triangulation,
                triangulation <= 20.0 ? "met" : "MISSED", construction);

    // Frames at "Unlimited" with a scripted field that is topped up as targets are hit or leave.
    // With targets on the field the game brings at most 5 new ones a second, so no more than 5 a
    // second can be hit; the busy field bursts targets at that rate. The saturated field, where every
    // new target lands on a gun, is far beyond anything the game can produce and has no goal; it
    // shows what the explosions alone cost.
    std::printf("view %dx%d at Unlimited, %d ms each\n", window.view()->width(), window.view()->height(),
                playMs);
    std::printf("%-34s %8s %14s %12s %14s %12s\n", "field", "hits/s", "CPU frames/s", "ms/frame", "GPU frames/s",
                "ms/frame");
    struct Case {
        const char* label;
        int targets;
        int guns;
        bool apart;
        int hitsPerSecond;
    };
    struct Played {
        double msPerFrame;
        double hitsPerSecond;
    };
    const bool gpuAvailable = window.gpuCollisionAvailable;
    // Starts the case's field, lets it settle for warmMs (explosions need a second to fill their
    // list) and measures the next ms.
    auto play = [&](const Case& c, bool gpu, int warmMs, int ms) {
        window.chooseCollisionTest(gpu);
        window.clearField();
        window.explosions.clear();
        const auto topUpField = [&] {
            if (c.apart) {
                fillApart(window, c.targets, c.guns);
            } else {
                fill(window, c.targets, c.guns);
            }
        };
        topUpField();
        window.resumeNow();
        window.setFramePeriod(0);
        QTimer topUp;
        QObject::connect(&topUp, &QTimer::timeout, topUpField);
        topUp.start(20);
        QTimer hits;
        QObject::connect(&hits, &QTimer::timeout, [&] { hitOne(window); });
        if (c.hitsPerSecond > 0) {
            hits.start(1000 / c.hitsPerSecond);
        }
        runFor(warmMs);
        int frames = 0;
        const auto connection = QObject::connect(window.view(), &QOpenGLWidget::frameSwapped, [&] { ++frames; });
        const int hitsBefore = window.targetsHit;
        QElapsedTimer timer;
        timer.start();
        runFor(ms);
        QObject::disconnect(connection);
        const double elapsed = double(timer.elapsed());
        const Played played{frames > 0 ? elapsed / frames : 1e9, (window.targetsHit - hitsBefore) * 1000.0 / elapsed};
        window.setFramePeriod(66);
        window.pauseNow();
        return played;
    };
    const Case empty{"empty", 0, 0, true, 0};
    const Case busy{"64 targets, 64 guns, 5 hits/s", 64, 64, true, 5};
    const Case saturated{"64 targets, 64 guns, saturated", 64, 64, false, 0};
    for (const Case& c : {empty, Case{"16 targets", 16, 0, true, 0}, busy, saturated, Case{"256 targets", 256, 0, true, 0}}) {
        std::printf("%-34s", c.label);
        for (int gpu = 0; gpu < (gpuAvailable ? 2 : 1); ++gpu) {
            const Played played = play(c, gpu == 1, 1000, playMs);
            if (gpu == 0) {
                std::printf(" %8.1f", played.hitsPerSecond);
            }
            std::printf(" %14.1f %12.2f", 1000.0 / played.msPerFrame, played.msPerFrame);
            std::fflush(stdout);
        }
        std::printf("\n");
    }

    // The goal compares the fields side by side, in alternating rounds, so that the load other
    // programs put on the machine meets them alike.
    constexpr int rounds = 5;
    std::printf("\nagainst an empty field, %d alternating rounds:\n", rounds);
    for (int gpu = 0; gpu < (gpuAvailable ? 2 : 1); ++gpu) {
        std::vector<double> ratios;
        std::vector<double> saturatedRatios;
        for (int round = 0; round < rounds; ++round) {
            const double emptyMs = play(empty, gpu == 1, 200, 1000).msPerFrame;
            ratios.push_back(play(busy, gpu == 1, 1000, 1500).msPerFrame / emptyMs);
            saturatedRatios.push_back(play(saturated, gpu == 1, 1000, 1500).msPerFrame / emptyMs);
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(saturatedRatios.begin(), saturatedRatios.end());
        const double median = ratios[ratios.size() / 2];
        const char* test = gpu == 0 ? "CPU" : "GPU";
        std::printf("  %s test, %s: %.2fx an empty frame (rounds %.2f..%.2f)", test, busy.label, median,
                    ratios.front(), ratios.back());
        if (gpu == 0) {
            std::printf("; goal at most 2x: %s", median <= 2.0 ? "met" : "MISSED");
        }
        std::printf("\n  %s test, %s: %.2fx (rounds %.2f..%.2f), no goal\n", test, saturated.label,
                    saturatedRatios[saturatedRatios.size() / 2], saturatedRatios.front(), saturatedRatios.back());
        std::fflush(stdout);
    }
    window.close();
    return 0;
}
