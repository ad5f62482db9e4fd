#include "dialogs/Gauge.h"

#include "dialogs/DialogUnits.h"
#include "dialogs/ScaledFont.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
int channel(double value) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}
} // namespace

QColor Gauge::colourAt(double t) {
    if (t < 0.25) {
        return QColor(255, channel(1020.0 * t), 0);
    }
    if (t < 0.5) {
        return QColor(channel(1020.0 * (0.5 - t)), 255, 0);
    }
    if (t < 0.75) {
        return QColor(0, 255, channel(1020.0 * (t - 0.5)));
    }
    return QColor(0, channel(1020.0 * (1.0 - t)), 255);
}

Gauge::Gauge(const QString& title, int widthDu, int heightDu, const Labels& labels, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), labels(labels) {
    setWindowTitle(title);
    setMouseTracking(true);
    // Every pixel is painted, so the bar's strip can change without erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(DialogUnits::toPixels(widthDu, heightDu, font()));
}

QFont Gauge::textFont() const {
    return ScaledFont::make("Times New Roman", font(), 2.2, 2.0);
}

int Gauge::centredInside(int centre, int extent, int limit) {
    return std::max(0, std::min(centre - extent / 2, limit - extent));
}

void Gauge::mouseMoveEvent(QMouseEvent* event) {
    const int old = position;
    // A held button keeps the mouse after it has left the window; the rating stays on the scale.
    const int extent = axisCoordinate(QPoint(width(), height()));
    position = std::clamp(axisCoordinate(event->position().toPoint()), 0, std::max(extent, 0));
    update(stripBetween(old < 0 ? position : old, position));
    level = levelAt(position, size());
}

void Gauge::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        requestClose();
    }
}

void Gauge::keyPressEvent(QKeyEvent*) {
    requestClose();
}

void Gauge::requestClose() {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintGauge(painter);
}

void Gauge::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    update();
}
