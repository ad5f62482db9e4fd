// Draws the data files the game loads (the paddle texture) and the program icon into a folder,
// by default resources/. Run: build/tools/generate_resources [folder]
#include "app/WindowIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {
constexpr int paddleWidth = 256;
constexpr int paddleHeight = 64;
constexpr int iconSize = 64;

QImage paddleTexture() {
    QImage image(paddleWidth, paddleHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(2, 2, paddleWidth - 4, paddleHeight - 4);
    QLinearGradient metal(0, body.top(), 0, body.bottom());
    metal.setColorAt(0.0, QColor(200, 220, 255));
    metal.setColorAt(0.45, QColor(40, 90, 200));
    metal.setColorAt(1.0, QColor(10, 30, 90));
    QPainterPath outline;
    outline.addRoundedRect(body, 18, 18);
    painter.fillPath(outline, metal);
    // Grip marks, so a turned paddle shows which way it faces.
    painter.setPen(QPen(QColor(255, 255, 255, 150), 3));
    for (int x = 40; x < paddleWidth - 30; x += 22) {
        painter.drawLine(QPointF(x, 14), QPointF(x + 10, paddleHeight - 14));
    }
    painter.setPen(QPen(QColor(250, 200, 0), 4));
    painter.drawLine(QPointF(paddleWidth / 2.0, 4), QPointF(paddleWidth / 2.0, 16));
    painter.setPen(QPen(QColor(0, 0, 0, 200), 2));
    painter.drawPath(outline);
    painter.end();
    return image;
}
} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? argv[1] : "resources");
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }
    const bool ok =
        paddleTexture().save(folder.filePath("paddle_tx.png")) &&
        WindowIcon::make().pixmap(iconSize, iconSize).toImage().save(folder.filePath("vazazo_icon.png"));
    if (!ok) {
        std::fprintf(stderr, "Cannot write the resources into %s\n", qPrintable(folder.path()));
        return 1;
    }
    std::printf("Resources written to %s\n", qPrintable(folder.absolutePath()));
    return 0;
}
