// Start-up time: from starting a process to its first frame on screen, for the game's main window
// and, in the same run, for a bare window holding an empty OpenGL widget. Each round starts one
// child of each kind; the figures are medians.
#include "app/CVazazoDlg.h"
#include "core/Clock.h"
#include "core/FatalError.h"
#include "render/Shader.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QOpenGLWidget>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int rounds = 7;
constexpr double goalRatio = 1.3;

void reportFirstFrame(QOpenGLWidget* view) {
    QObject::connect(view, &QOpenGLWidget::frameSwapped, view, [] {
        std::puts("frame");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

int runGame(int argc, char** argv) {
    QApplication app(argc, argv);
    FatalError::installLowMemoryHandler();
    Clock::program();
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("Vazazo.ini"));
    CVazazoDlg window(store);
    reportFirstFrame(window.view());
    window.show();
    return app.exec();
}

int runBare(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* view = new QOpenGLWidget(&window);
    window.setCentralWidget(view);
    window.resize(800, 600);
    reportFirstFrame(view);
    window.show();
    return app.exec();
}

// Milliseconds from starting the child to its "frame" line; negative when it failed.
double timeChild(const QString& program, const QString& kind) {
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(program, {"--child", kind});
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
        if (child.waitForReadyRead(20000) || child.canReadLine()) {
            if (child.readLine().startsWith("frame")) {
                const double ms = timer.nsecsElapsed() / 1e6;
                child.waitForFinished(5000);
                return ms;
            }
        } else if (timer.elapsed() > 20000) {
            child.kill();
            break;
        }
    }
    child.waitForFinished(5000);
    return -1.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && QByteArray(argv[1]) == "--child") {
        return QByteArray(argv[2]) == "game" ? runGame(argc, argv) : runBare(argc, argv);
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> game;
    std::vector<double> bare;
    for (int i = 0; i < rounds; ++i) {
        const double g = timeChild(self, "game");
        const double b = timeChild(self, "bare");
        if (g < 0 || b < 0) {
            std::fprintf(stderr, "a child showed no frame; is a display there?\n");
            return 1;
        }
        game.push_back(g);
        bare.push_back(b);
    }
    const double g = median(game);
    const double b = median(bare);
    std::printf("process start to first frame, median of %d\n", rounds);
    std::printf("  bare window with an empty OpenGL widget  %8.1f ms\n", b);
    std::printf("  game main window                         %8.1f ms\n", g);
    std::printf("  ratio %.2f, goal at most %.1f: %s\n", g / b, goalRatio, g / b <= goalRatio ? "met" : "MISSED");
    return 0;
}
