#include "settings/SliderScale.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

SliderScale::SliderScale(QSlider* slider, const QString& numbers, QWidget* parent)
    : QWidget(parent), slider(slider), words(numbers.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {}

QSize SliderScale::sizeHint() const {
    return {fontMetrics().horizontalAdvance(words.join("  ")), fontMetrics().height()};
}

QSize SliderScale::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void SliderScale::paintEvent(QPaintEvent*) {
    if (words.isEmpty()) {
        return;
    }
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    const QRect groove =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const QRect handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    // Where the slider draws its first and last tick, in this widget's coordinates.
    const int offset = slider->mapTo(window(), QPoint()).x() - mapTo(window(), QPoint()).x();
    const double first = offset + groove.x() + handle.width() / 2.0;
    const double span = std::max(0, groove.width() - handle.width());

    QPainter painter(this);
    const int count = static_cast<int>(words.size());
    for (int i = 0; i < count; ++i) {
        const double centre = count > 1 ? first + span * i / (count - 1) : first;
        const int width = fontMetrics().horizontalAdvance(words[i]);
        // The end numbers stay inside the row.
        const int left =
            std::clamp(static_cast<int>(centre - width / 2.0), 0, std::max(0, this->width() - width));
        painter.drawText(QRect(left, 0, width, height()), Qt::AlignCenter, words[i]);
    }
}
