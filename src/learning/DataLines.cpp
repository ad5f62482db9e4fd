#include "learning/DataLines.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {
// Truncates toward zero like a C cast, but an out-of-range value stays defined.
int truncated(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(value), low, high));
}

void appendInt(std::string& out, int value) {
    std::array<char, 16> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end);
}

void appendFixed(std::string& out, double value, int decimals) {
    // A huge value in fixed notation runs to about 330 digits.
    std::array<char, 400> digits{};
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, decimals).ptr;
    out.append(digits.data(), end);
}

// Object names and hit texts are ASCII; anything else would be a wide character turned to '?'.
void appendAscii(std::string& out, QStringView text) {
    for (const QChar c : text) {
        out.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
    }
}
} // namespace

QByteArray DataLines::statistics(const PeriodStats& p, int moduleStartMs) {
    std::string out;
    out.reserve(64);
    appendInt(out, truncated(p.periodStart - moduleStartMs));
    for (const int value : {truncated(p.periodLength), p.shots, p.hits, p.missed, p.weaponsSpeed, p.shapesSpeed}) {
        out.push_back(' ');
        appendInt(out, value);
    }
    out.push_back(' ');
    appendFixed(out, p.shapesFrequency, 3);
    out.push_back(' ');
    appendFixed(out, p.avgHitDistance, 4);
    out.push_back(' ');
    appendInt(out, truncated(p.avgHitTime));
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

void CoordinatesLine::begin(double now, double paddleVisibility, double paddleX, double paddleY) {
    buffer.clear();
    appendInt(buffer, truncated(now));
    buffer.push_back(' ');
    appendFixed(buffer, paddleVisibility, 2);
    buffer.push_back(' ');
    appendFixed(buffer, paddleX, 5);
    buffer.push_back(' ');
    appendFixed(buffer, paddleY, 5);
}

void CoordinatesLine::addObject(QStringView name, double x, double y, double radius) {
    buffer.push_back(' ');
    appendAscii(buffer, name);
    for (const double value : {x, y, radius}) {
        buffer.push_back(' ');
        appendFixed(buffer, value, 5);
    }
}

void CoordinatesLine::addText(QStringView text) {
    appendAscii(buffer, text);
}

QByteArray CoordinatesLine::take() const {
    return QByteArray(buffer.data(), static_cast<qsizetype>(buffer.size()));
}
