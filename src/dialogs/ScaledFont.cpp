#include "dialogs/ScaledFont.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

QFont ScaledFont::make(const QString& family, const QFont& baseFont, double heightFactor,
                       double widthFactor) {
    const QFontMetrics base(baseFont);
    QFont scaled(family);
    // Where the family is missing, fall back to the default serif face.
    scaled.setStyleHint(QFont::Serif);
    scaled.setWeight(QFont::Normal);
    scaled.setPixelSize(std::max(1, static_cast<int>(std::lround(heightFactor * base.height()))));
    // Qt has no direct character width: stretch the face until its average width is the one asked for.
    const int naturalWidth = QFontMetrics(scaled).averageCharWidth();
    if (naturalWidth > 0) {
        const double wanted = widthFactor * base.averageCharWidth();
        scaled.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * wanted / naturalWidth)), 1, 4000));
    }
    return scaled;
}
