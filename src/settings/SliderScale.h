#pragma once

#include <QStringList>
#include <QWidget>

class QSlider;

// A row of numbers printed under a horizontal slider, spread evenly from its first tick to its
// last so that each number sits under its own tick however wide the slider is drawn.
class SliderScale : public QWidget {
    Q_OBJECT
public:
    // The numbers are the words of the text, left to right.
    SliderScale(QSlider* slider, const QString& numbers, QWidget* parent = nullptr);

    const QStringList& numbers() const { return words; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSlider* slider;
    QStringList words;
};
