#include "dialogs/ThermoHDlg.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

ThermoHDlg::ThermoHDlg(QWidget* parent)
    : Gauge("Choose stiffness level", 456, 143,
            {"None", "Slight", "Difficult to move", "Moderate", "Very stiff", "Can't move"}, parent) {}

double ThermoHDlg::levelAt(int position, QSize size) const {
    return size.width() > 0 ? static_cast<double>(position) / size.width() : 0.0;
}

QRect ThermoHDlg::stripBetween(int from, int to) const {
    return QRect(QPoint(std::min(from, to), 0), QPoint(std::max(from, to), height() - 1));
}

void ThermoHDlg::paintGauge(QPainter& painter) {
    const int w = width();
    const int h = height();
    if (position == -1) {
        position = 0;
    }
    painter.fillRect(QRect(position, 0, w - position, h), palette().color(QPalette::Button));
    for (int i = 0; i < std::min(position, w); ++i) {
        painter.setPen(colourAt(static_cast<double>(w - i) / w));
        painter.drawLine(i, 0, i, h - 1);
    }
    painter.setFont(textFont());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());
    const int digitsHeight = metrics.size(0, "0123456789").height();
    for (int k = 0; k < 6; ++k) {
        const QSize extent = metrics.size(0, labels[k]);
        const int x = centredInside(k * w / 5, extent.width(), w);
        const int y = (h - digitsHeight - extent.height() - 4) * k / 5;
        painter.drawText(QRect(QPoint(x, y), extent), Qt::AlignLeft | Qt::AlignTop, labels[k]);
    }
    for (int n = 0; n <= 10; ++n) {
        const QString text = QString::number(n);
        const QSize extent = metrics.size(0, text);
        const int x = centredInside(n * w / 10, extent.width(), w);
        painter.drawText(QRect(QPoint(x, h - digitsHeight), extent), Qt::AlignLeft | Qt::AlignTop, text);
    }
}
