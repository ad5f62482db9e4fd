#pragma once

#include "learning/PeriodStats.h"

#include <QByteArray>
#include <QStringView>

#include <string>

// The text of the statistics and coordinates lines. Numbers are formatted without the C locale,
// which a desktop session may have switched to a decimal comma.
namespace DataLines {
// "%i %i %i %i %i %i %i %.3f %.4f %i": start (from the module's start) and length of the period,
// shots, hits, missed, weapons speed, shapes speed, targets per second, average hit distance and
// average hit age.
QByteArray statistics(const PeriodStats& period, int moduleStartMs);
} // namespace DataLines

// Builds one coordinates line per tick into a buffer it keeps, so a line costs one allocation.
class CoordinatesLine {
public:
    // "%i %.2f %.5f %.5f": frame time, paddle visibility, paddle x and y.
    void begin(double now, double paddleVisibility, double paddleX, double paddleY);
    // " %s %.5f %.5f %.5f": a target or a gun in flight.
    void addObject(QStringView name, double x, double y, double radius);
    // Text already in line form, such as the " %s hit" items of the last painted frame.
    void addText(QStringView text);
    QByteArray take() const;

private:
    std::string buffer;
};
