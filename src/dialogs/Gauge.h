#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

#include <array>

// A thermometer: a resizable window whose colour bar follows the mouse along one axis. A key or a
// click closes it; level then holds the last rating, 0..1, or -1 when the mouse never moved.
class Gauge : public QDialog {
    Q_OBJECT
public:
    using Labels = std::array<QString, 6>;

    // Red at 0 through yellow, green and cyan to blue at 1.
    static QColor colourAt(double t);

    // The font of labels and numbers, scaled from the window's own font.
    QFont textFont() const;

    int position = -1;
    double level = -1.0;

protected:
    Gauge(const QString& title, int widthDu, int heightDu, const Labels& labels, QWidget* parent);

    // The pointer's coordinate along the axis, and the rating it gives in a window of that size.
    virtual int axisCoordinate(QPoint point) const = 0;
    virtual double levelAt(int position, QSize size) const = 0;
    // The part of the window that changes when the bar's end moves between the two coordinates.
    virtual QRect stripBetween(int from, int to) const = 0;
    virtual void paintGauge(QPainter& painter) = 0;

    // Left edge or top of a text of that extent centred on the coordinate, kept inside 0..limit.
    static int centredInside(int centre, int extent, int limit);

    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    Labels labels;

private:
    void requestClose();
};
