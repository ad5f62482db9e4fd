#include "render/DigitCounter.h"

#include "core/Log.h"
#include "core/DataFileLocator.h"
#include "core/Notice.h"
#include "dialogs/ProgDlg.h"
#include "render/ZornOpenGL.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace CounterLayout {
// Strips start this many pixels apart; each is a quarter of the image wide.
constexpr int stripStep = 164;
constexpr double snapGap = 0.02;
constexpr double sizeFactor = 0.04;
constexpr double anchorOffset = 0.08;
constexpr double depth = -900.0;
constexpr double unitsShade = 0.95;
constexpr double alpha = 0.7;
} // namespace CounterLayout

namespace {
// Both counters cut the same image; a problem with it is shown once.
void reportOnce(const QString& message) {
    static QStringList shown;
    if (!shown.contains(message)) {
        shown << message;
        Notice::show(message);
    }
}
} // namespace

void DigitCounter::load(ZornOpenGL& view, const QString& fileName) {
    this->view = &view;
    ProgDlg progress;
    progress.setWindowTitle("Loading counter texture..");
    progress.setRange(0, wheelCount);
    progress.setPos(0);
    progress.show();
    const QString path = DataFileLocator::locate(fileName);
    const QImage image(path);
    if (image.isNull()) {
        reportOnce("Cannot load image " + path + "\n");
        return;
    }
    const int depth = image.depth();
    if (depth != 8 && depth != 24 && depth != 32) {
        reportOnce("Can read only 8,24 or 32 bits images!");
        return;
    }
    const int stripWidth = image.width() / 4;
    if (stripWidth < 1) {
        reportOnce(QString("The counter image %1 is %2 pixels wide; it needs at least 4, a quarter for each "
                           "strip of digits.")
                       .arg(fileName)
                       .arg(image.width()));
        return;
    }
    const QSize stripSize(stripWidth, image.height());
    const QSize fitted = ZornOpenGL::textureSize(stripSize);
    if (fitted != stripSize) {
        appendLog(QString("Counter image %1: strips of %2x%3 pixels scaled down to %4x%5")
                      .arg(fileName)
                      .arg(stripWidth)
                      .arg(image.height())
                      .arg(fitted.width())
                      .arg(fitted.height()));
    }
    for (DigitWheel& wheel : wheels) {
        wheel.view = &view;
        for (int k = 0; k < DigitWheel::textureCount; ++k) {
            const QImage strip = image.copy(CounterLayout::stripStep * k, 0, stripWidth, image.height());
            view.createTexture(wheel.textures[k], strip);
        }
        progress.stepIt();
    }
}

void DigitCounter::add(double amount, double now) {
    if (shownValue == targetValue) {
        lastTime = now;
    }
    targetValue += amount;
    if (targetValue < 0.0) {
        targetValue = 0.0;
    }
}

void DigitCounter::restart(double now) {
    targetValue = 0.0;
    shownValue = 0.0;
    lastTime = now;
    animate(now);
}

void DigitCounter::animate(double now) {
    const double step = (now - lastTime) / 1000.0 * rate;
    if (step < 0.0) {
        return;
    }
    // After a long gap between steps (a pause, say) a whole step would run past the target and
    // show a number that was never scored; it stops at the target instead.
    if (std::fabs(shownValue - targetValue) < std::max(CounterLayout::snapGap, step)) {
        shownValue = targetValue;
    } else if (targetValue < shownValue) {
        shownValue -= step;
    } else {
        shownValue += step;
    }
    lastTime = now;
    wheels[0].setValue(shownValue);
    double divisor = 10.0;
    for (int i = 1; i < wheelCount; ++i, divisor *= 10.0) {
        const double lower = wheels[i - 1].digitValue;
        const double whole = std::trunc(shownValue / divisor);
        // Carry: this wheel turns along while the lower one passes from 9 to 0.
        wheels[i].setValue(lower > 9.0 ? whole + (lower - 9.0) : whole);
    }
}

void DigitCounter::draw() {
    if (view == nullptr) {
        return;
    }
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    const double width = view->viewWidth();
    const double size = CounterLayout::sizeFactor * width;
    glTranslated((counterX - CounterLayout::anchorOffset) * width,
                 CounterLayout::sizeFactor * width * counterY, CounterLayout::depth);
    for (int i = 0; i < wheelCount; ++i) {
        const double shade = i == 0 ? CounterLayout::unitsShade : 1.0;
        glColor4d(counterRed * shade, counterGreen * shade, counterBlue * shade, CounterLayout::alpha);
        wheels[i].draw(size);
        glTranslated(-size, 0.0, 0.0);
    }
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    glDisable(GL_CULL_FACE);
}

int DigitCounter::displayedValue() const {
    const double d = wheels[0].digitValue;
    int value = static_cast<int>(std::trunc(d)) + (d - std::floor(d) >= 0.5 ? 1 : 0);
    int factor = 10;
    for (int i = 1; i < wheelCount; ++i, factor *= 10) {
        value += static_cast<int>(std::trunc(wheels[i].digitValue)) * factor;
    }
    return value;
}
