#pragma once

#include "render/DigitWheel.h"

#include <QString>

#include <array>

class ZornOpenGL;

// A four-digit odometer: the wheels roll toward the target at a fixed rate, and a wheel turns
// with the one below it while that one passes from 9 to 0.
class DigitCounter {
public:
    static constexpr int wheelCount = 4;

    // Cuts the image into seven strips per wheel and makes their textures; on failure the wheels
    // stay blank.
    void load(ZornOpenGL& view, const QString& fileName = "counter_tx.png");
    // Raises the target; a negative result becomes 0. A counter at rest starts timing at now.
    void add(double amount, double now);
    // Back to 0 at once, wheels included.
    void restart(double now);
    // One step of at most rate digits per second toward the target; a gap under 0.02 closes at once.
    void animate(double now);
    // Units wheel first, to the left from ((counterX - 0.08) * W, 0.04 * W * counterY).
    void draw();
    // The integer the wheels show; the units wheel rounds to nearest.
    int displayedValue() const;

    std::array<DigitWheel, wheelCount> wheels;
    double targetValue = 0.0;
    double shownValue = 0.0;
    double lastTime = 0.0;
    double rate = 3.0;
    ZornOpenGL* view = nullptr;
    double counterX = 0.0;
    double counterY = 0.0;
    double counterRed = 1.0;
    double counterGreen = 1.0;
    double counterBlue = 1.0;
};
