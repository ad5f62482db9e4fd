#include "net/InternetDlg.h"

#include "dialogs/DialogUnits.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 220;
constexpr int marginDu = 7;
} // namespace

InternetDlg::InternetDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle("Connecting to Internet..");
    auto* layout = new QVBoxLayout(this);
    const QSize margin = DialogUnits::toPixels(marginDu, marginDu, font());
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    for (QLabel*& label : labels) {
        label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    setFixedWidth(DialogUnits::toPixels(widthDu, 0, font()).width());
    show();
}

void InternetDlg::addLine(const QString& text) {
    if (lines[0].isEmpty() && lines[1].isEmpty() && lines[2].isEmpty()) {
        lines[0] = text;
    } else if (lines[1].isEmpty() && lines[2].isEmpty()) {
        lines[1] = text;
    } else if (lines[2].isEmpty()) {
        lines[2] = text;
    } else {
        lines[0] = lines[1];
        lines[1] = lines[2];
        lines[2] = text;
    }
    for (int i = 0; i < 3; ++i) {
        showLine(i);
    }
}

void InternetDlg::replaceLastLine(const QString& text) {
    const int last = !lines[2].isEmpty() ? 2 : !lines[1].isEmpty() ? 1 : 0;
    lines[last] = text;
    showLine(last);
}

void InternetDlg::showLine(int index) {
    // Error texts run over two lines; the first says what happened.
    labels[index]->setText(lines[index].section('\n', 0, 0));
    labels[index]->setToolTip(lines[index]);
    if (labels[index]->isVisible()) {
        labels[index]->repaint();
    }
}
