// Contact sheet of the rolling counters: each value drawn by the real wheels, labelled with the
// value and displayedValue, plus the hits and misses counters in their game places.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/counter_sheet [out.png [counter_tx.png]]
#include "core/Notice.h"
#include "render/DigitCounter.h"
#include "render/FramePainter.h"
#include "render/ZornOpenGL.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int sheetWidth = 1200;
constexpr int sheetHeight = 840;
constexpr int columns = 4;

struct Case {
    double shown;
    double target;
};
const std::vector<Case> cases{{0, 0},
                              {1, 1},
                              {2, 2},
                              {3, 3},
                              {4, 4},
                              {5, 5},
                              {6, 6},
                              {7, 7},
                              {8, 8},
                              {9, 9},
                              {10, 10},
                              {19, 19},
                              {99, 99},
                              {1234, 1234},
                              {9.25, 10},
                              {9.5, 10},
                              {9.75, 10},
                              {99.5, 100},
                              {4.4, 5},
                              {1999.6, 2000},
                              // Either side of texture switches.
                              {0.74, 1},
                              {0.76, 1},
                              {8.24, 9},
                              {8.26, 9}};

// Puts the counter at shown on its way to target, through the public steps only.
void showValue(DigitCounter& counter, double shown, double target) {
    counter.restart(0.0);
    counter.add(target, 0.0);
    const double at = shown / counter.rate * 1000.0;
    counter.animate(at);
    if (shown == target) {
        counter.animate(at);
    }
}

class SheetPainter : public FramePainter {
public:
    void renderFrame() override {
        view->beginFrame();
        view->beginOverlays();
        for (DigitCounter* counter : counters) {
            counter->draw();
        }
        ++frames;
    }
    ZornOpenGL* view = nullptr;
    std::vector<DigitCounter*> counters;
    int frames = 0;
};

bool waitFrames(SheetPainter& painter, int atLeast) {
    QElapsedTimer timer;
    timer.start();
    while (painter.frames < atLeast && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return painter.frames >= atLeast;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString output = argc > 1 ? argv[1] : "counter_sheet.png";
    const QString texture = argc > 2 ? argv[2] : "resources/counter_tx.png";
    Notice::setHandler([](const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); });

    SheetPainter painter;
    ZornOpenGL view(painter);
    painter.view = &view;
    view.setFixedSize(sheetWidth, sheetHeight);
    view.setClearColour(0.35f, 0.35f, 0.4f);
    view.show();
    if (!waitFrames(painter, 1)) {
        std::fprintf(stderr, "No frame\n");
        return 1;
    }

    std::vector<std::unique_ptr<DigitCounter>> grid;
    QStringList labels;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto counter = std::make_unique<DigitCounter>();
        counter->load(view, texture);
        const int column = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        counter->counterX = 0.24 + 0.25 * column;
        counter->counterY = 3.0 + 2.5 * row;
        counter->counterRed = 0.8;
        counter->counterGreen = 1.0;
        counter->counterBlue = 0.8;
        showValue(*counter, cases[i].shown, cases[i].target);
        labels << QString("%1 -> shows %2").arg(cases[i].shown).arg(counter->displayedValue());
        painter.counters.push_back(counter.get());
        grid.push_back(std::move(counter));
    }
    // The game's two counters in their places: hits at the right, misses at the left.
    DigitCounter hits;
    DigitCounter misses;
    hits.load(view, texture);
    misses.load(view, texture);
    hits.counterX = 1.035;
    hits.counterY = 0.85;
    hits.counterRed = 0.8;
    hits.counterGreen = 1.0;
    hits.counterBlue = 0.8;
    misses.counterX = 0.205;
    misses.counterY = 0.85;
    misses.counterRed = 1.0;
    misses.counterGreen = 0.8;
    misses.counterBlue = 0.8;
    showValue(hits, 1234, 1234);
    showValue(misses, 56, 56);
    painter.counters.push_back(&hits);
    painter.counters.push_back(&misses);

    const int before = painter.frames;
    view.update();
    if (!waitFrames(painter, before + 1)) {
        std::fprintf(stderr, "No frame\n");
        return 1;
    }
    const std::vector<unsigned char> bgr = view.readPixels();
    const int w = view.viewWidth();
    const int h = view.viewHeight();
    QImage sheet(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        const unsigned char* source = bgr.data() + static_cast<std::ptrdiff_t>(h - 1 - y) * w * 3;
        unsigned char* target = sheet.scanLine(y);
        for (int x = 0; x < w; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    QPainter annotate(&sheet);
    annotate.setPen(Qt::yellow);
    QFont font = annotate.font();
    font.setPixelSize(14);
    annotate.setFont(font);
    const double unit = 0.04 * w;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const double left = (grid[i]->counterX - 0.2) * w;
        const double centreY = unit * grid[i]->counterY;
        annotate.drawText(QPointF(left, centreY + unit + 14), labels[static_cast<int>(i)]);
    }
    annotate.drawText(QPointF(0.4 * w, 30), QString("misses 56 (left), hits 1234 (right): %1 / %2")
                                                .arg(misses.displayedValue())
                                                .arg(hits.displayedValue()));
    annotate.end();
    if (!sheet.save(output)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("Contact sheet written to %s\n", qPrintable(output));
    return 0;
}
