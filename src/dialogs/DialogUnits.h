#pragma once

#include <QSize>

class QFont;

// Window layouts are given in dialog units, which scale with the dialog's font: a horizontal unit
// is a quarter of the font's average letter width, a vertical unit an eighth of its line height.
namespace DialogUnits {
QSize toPixels(int widthDu, int heightDu, const QFont& font);
} // namespace DialogUnits
