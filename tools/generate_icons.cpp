// Draws the desktop icon of the game into a folder laid out like share/icons/hicolor: a scalable SVG
// and PNGs at the sizes menus ask for. One list of shapes feeds both, so they cannot drift apart.
// Run: build/generate_icons folder
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {
const char* const iconName = "org.ruvuriva.Vazazo";
constexpr int pngSizes[] = {48, 64, 128, 256};
// The SVG's own coordinates; the shapes are given in fractions of the side.
constexpr int svgSide = 256;

struct Shape {
    enum Kind { Ellipse, Box } kind;
    QRectF box;   // fractions of the side
    qreal corner; // fraction of the side, boxes only
    QColor colour;
};

// The window icon's picture: a target with a shot flying up from the paddle, on a dark tile so it
// reads on light and dark menus alike.
std::vector<Shape> picture() {
    const QColor red(200, 40, 40);
    return {
        {Shape::Box, {0.02, 0.02, 0.96, 0.96}, 0.18, QColor(28, 32, 48)},
        {Shape::Ellipse, {0.2, 0.08, 0.6, 0.6}, 0, red},
        {Shape::Ellipse, {0.32, 0.2, 0.36, 0.36}, 0, Qt::white},
        {Shape::Ellipse, {0.43, 0.31, 0.14, 0.14}, 0, red},
        {Shape::Box, {0.46, 0.64, 0.08, 0.12}, 0.02, QColor(250, 200, 0)},
        {Shape::Box, {0.12, 0.78, 0.76, 0.12}, 0.04, QColor(30, 90, 200)},
    };
}

QString svgNumber(qreal fraction) {
    return QString::number(fraction * svgSide, 'g', 6);
}

QByteArray svg(const std::vector<Shape>& shapes) {
    QString text = QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                           "viewBox=\"0 0 %1 %1\">\n")
                       .arg(svgSide);
    for (const Shape& shape : shapes) {
        const QString fill = shape.colour.name(QColor::HexRgb);
        if (shape.kind == Shape::Ellipse) {
            const QPointF centre = shape.box.center();
            text += QString("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"%5\"/>\n")
                        .arg(svgNumber(centre.x()), svgNumber(centre.y()), svgNumber(shape.box.width() / 2),
                             svgNumber(shape.box.height() / 2), fill);
        } else {
            text += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                        .arg(svgNumber(shape.box.x()), svgNumber(shape.box.y()), svgNumber(shape.box.width()),
                             svgNumber(shape.box.height()), svgNumber(shape.corner), fill);
        }
    }
    text += "</svg>\n";
    return text.toUtf8();
}

QImage png(const std::vector<Shape>& shapes, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.scale(side, side);
    for (const Shape& shape : shapes) {
        painter.setBrush(shape.colour);
        if (shape.kind == Shape::Ellipse) {
            painter.drawEllipse(shape.box);
        } else {
            painter.drawRoundedRect(shape.box, shape.corner, shape.corner);
        }
    }
    painter.end();
    return image;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s folder\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const std::vector<Shape> shapes = picture();
    bool ok = root.mkpath("scalable/apps") &&
              write(root.filePath(QString("scalable/apps/%1.svg").arg(iconName)), svg(shapes));
    for (int side : pngSizes) {
        const QString folder = QString("%1x%1/apps").arg(side);
        ok = ok && root.mkpath(folder) &&
             png(shapes, side).save(root.filePath(QString("%1/%2.png").arg(folder, iconName)), "PNG");
    }
    if (!ok) {
        std::fprintf(stderr, "Cannot write the icons into %s\n", qPrintable(root.path()));
        return 1;
    }
    return 0;
}
