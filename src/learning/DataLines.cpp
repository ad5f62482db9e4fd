#include "learning/DataLines.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
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

void appendExact(std::string& out, double value, int decimals) {
    // A huge value in fixed notation runs to about 330 digits.
    std::array<char, 400> digits{};
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, decimals)
            .ptr;
    out.append(digits.data(), end);
}

// The same text as "%.Nf" for up to five decimals. Field coordinates are small, so the scaled value
// stays below 1e9, where the product's rounding error is under 1e-7: away from a tie it cannot
// change the nearest integer, and ties and everything else take the exact path.
void appendFixed(std::string& out, double value, int decimals) {
    constexpr std::array<double, 6> scales{1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0};
    constexpr std::array<std::int64_t, 6> units{1, 10, 100, 1000, 10000, 100000};
    const double scaled = decimals >= 0 && decimals <= 5 ? std::fabs(value) * scales[decimals] : -1.0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (!(scaled >= 0.0 && scaled < 1e9) || std::fabs(fraction - 0.5) < 1e-6) {
        appendExact(out, value, decimals);
        return;
    }
    const std::int64_t rounded = static_cast<std::int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    if (std::signbit(value)) {
        out.push_back('-');
    }
    appendInt(out, static_cast<int>(rounded / units[decimals]));
    if (decimals == 0) {
        return;
    }
    out.push_back('.');
    std::int64_t rest = rounded % units[decimals];
    std::array<char, 5> digits{};
    for (int i = decimals - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    out.append(digits.data(), decimals);
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
    for (const int value :
         {truncated(p.periodLength), p.shots, p.hits, p.missed, p.weaponsSpeed, p.shapesSpeed}) {
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
