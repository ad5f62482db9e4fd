#include "dialogs/ThermoVDlg.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

ThermoVDlg::ThermoVDlg(QWidget* parent)
    : Gauge("Choose pain level", 163, 319,
            {"None", "Annoying", "Troublesome", "Miserable", "Intense", "Unbearable"}, parent) {}

double ThermoVDlg::levelAt(int position, QSize size) const {
    return size.height() > 0 ? 1.0 - static_cast<double>(position) / size.height() : 0.0;
}

QRect ThermoVDlg::stripBetween(int from, int to) const {
    return QRect(QPoint(0, std::min(from, to)), QPoint(width() - 1, std::max(from, to)));
}

void ThermoVDlg::paintGauge(QPainter& painter) {
    const int w = width();
    const int h = height();
    if (position == -1) {
        position = h;
    }
    painter.fillRect(QRect(0, 0, w, position), palette().color(QPalette::Button));
    const double lastRow = std::max(1, h - 1);
    for (int y = std::max(position, 0); y < h; ++y) {
        painter.setPen(colourAt(y / lastRow));
        painter.drawLine(0, y, w - 1, y);
    }
    painter.setFont(textFont());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());
    for (int j = 0; j < 6; ++j) {
        const QString& label = labels[5 - j];
        const QSize extent = metrics.size(0, label);
        const int x = (w - extent.width()) / 2 + w / 6;
        const int y = centredInside(j * h / 5, extent.height(), h);
        painter.drawText(QRect(QPoint(x, y), extent), Qt::AlignLeft | Qt::AlignTop, label);
    }
    for (int j = 0; j <= 10; ++j) {
        const QString text = QString::number(10 - j);
        const QSize extent = metrics.size(0, text);
        const int y = centredInside(j * h / 10, extent.height(), h);
        painter.drawText(QRect(QPoint(0, y), extent), Qt::AlignLeft | Qt::AlignTop, text);
    }
}
