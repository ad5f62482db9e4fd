#pragma once

#include <QFont>

// A font sized relative to a window's own font: its height and average character width are the
// given multiples of the base font's.
class ScaledFont {
public:
    static QFont make(const QString& family, const QFont& base, double heightFactor, double widthFactor);
};
