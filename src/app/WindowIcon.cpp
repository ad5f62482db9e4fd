#include "app/WindowIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon WindowIcon::make() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        // A target with a shot flying up from a paddle.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(200, 40, 40));
        painter.drawEllipse(QRectF(0.2 * s, 0.04 * s, 0.6 * s, 0.6 * s));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(0.35 * s, 0.19 * s, 0.3 * s, 0.3 * s));
        painter.setBrush(QColor(200, 40, 40));
        painter.drawEllipse(QRectF(0.44 * s, 0.28 * s, 0.12 * s, 0.12 * s));
        painter.setBrush(QColor(30, 90, 200));
        painter.drawRoundedRect(QRectF(0.1 * s, 0.8 * s, 0.8 * s, 0.16 * s), 0.05 * s, 0.05 * s);
        painter.setBrush(QColor(250, 200, 0));
        painter.drawRect(QRectF(0.46 * s, 0.66 * s, 0.08 * s, 0.12 * s));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
