#include "dialogs/ProgDlg.h"

#include "dialogs/DialogUnits.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int widthDu = 186;
constexpr int heightDu = 26;
constexpr int barHeightDu = 12;
constexpr int marginDu = 7;
} // namespace

ProgDlg::ProgDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar(new QProgressBar(this)) {
    setWindowTitle("Please wait..");
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);

    const QSize margin = DialogUnits::toPixels(marginDu, marginDu, font());
    bar->setFixedHeight(DialogUnits::toPixels(0, barHeightDu, font()).height());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    layout->addWidget(bar, 0, Qt::AlignVCenter);
    setFixedSize(DialogUnits::toPixels(widthDu, heightDu, font()));
}

void ProgDlg::setRange(int lower, int upper) {
    bar->setRange(lower, upper);
    showNow();
}

void ProgDlg::setPos(int pos) {
    // The bar ignores values outside its range instead of clamping them.
    bar->setValue(std::clamp(pos, bar->minimum(), std::max(bar->minimum(), bar->maximum())));
    showNow();
}

void ProgDlg::setStep(int newStep) {
    step = newStep;
}

void ProgDlg::stepIt() {
    setPos(bar->value() + step);
}

int ProgDlg::lower() const {
    return bar->minimum();
}

int ProgDlg::upper() const {
    return bar->maximum();
}

int ProgDlg::pos() const {
    return bar->value();
}

void ProgDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ProgDlg::showNow() {
    // The window thread is busy loading between steps, so paint at once rather than wait for the
    // event loop; repainting only the bar dispatches no other events.
    if (bar->isVisible()) {
        bar->repaint();
    }
}
