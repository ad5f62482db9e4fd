// Draws the data files the game loads (the paddle and counter textures) and the program icon into a folder,
// by default resources/. Run: build/tools/generate_resources [folder]
#include "app/WindowIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cstdio>

namespace {
constexpr int paddleWidth = 256;
constexpr int paddleHeight = 64;
constexpr int iconSize = 64;
// The counter image is cut into strips a quarter of its width wide at 164-pixel steps, and a strip
// wraps once around a wheel that turns 120 degrees per digit: digit n sits at x = 1148 - n * 328 / 3.
constexpr int counterWidth = 8 * 164;
constexpr int counterHeight = 128;
constexpr double zeroCentre = 1148.0;
constexpr double digitPitch = counterWidth / 4 / 3.0;
// Image x is stretched about twice as much as image y on the wheel, so glyphs are drawn wider.
constexpr double glyphWidening = 1.5;
constexpr int glyphPixelSize = 96;

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

// Digits lie along x with their tops toward +x and their right sides toward -y, which the
// wheel's mapping and the view's downward y axis turn into upright digits on the screen.
QImage counterTexture() {
    QImage image(counterWidth, counterHeight, QImage::Format_RGB32);
    image.fill(QColor(30, 30, 34));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(glyphPixelSize);
    // Digits -1 and 10 cover the strips' ends, where the wheel shows 9 above 0 and 0 below 9.
    for (int n = -1; n <= 10; ++n) {
        const double centre = zeroCentre - n * digitPitch;
        painter.setTransform(QTransform());
        painter.setPen(QPen(QColor(110, 110, 120), 3));
        const double edge = centre - digitPitch / 2;
        painter.drawLine(QPointF(edge, 0), QPointF(edge, counterHeight));
        QPainterPath glyph;
        glyph.addText(0, 0, font, QString::number((n + 10) % 10));
        const QPointF middle = glyph.boundingRect().center();
        glyph.translate(-middle);
        painter.setTransform(QTransform(0, -glyphWidening, -1, 0, centre, counterHeight / 2.0));
        painter.fillPath(glyph, Qt::white);
    }
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
        counterTexture().save(folder.filePath("counter_tx.png")) &&
        WindowIcon::make().pixmap(iconSize, iconSize).toImage().save(folder.filePath("vazazo_icon.png"));
    if (!ok) {
        std::fprintf(stderr, "Cannot write the resources into %s\n", qPrintable(folder.path()));
        return 1;
    }
    std::printf("Resources written to %s\n", qPrintable(folder.absolutePath()));
    return 0;
}
