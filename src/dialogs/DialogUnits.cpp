#include "dialogs/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>

namespace {
// The platform averages the widths of the 52 Latin letters, rounding to the nearest pixel.
constexpr const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int letterCount = 52;
} // namespace

QSize DialogUnits::toPixels(int widthDu, int heightDu, const QFont& font) {
    const QFontMetrics metrics(font);
    const int baseX =
        (metrics.horizontalAdvance(QString::fromLatin1(letters)) + letterCount / 2) / letterCount;
    const int baseY = metrics.height();
    return {(widthDu * baseX + 2) / 4, (heightDu * baseY + 4) / 8};
}
