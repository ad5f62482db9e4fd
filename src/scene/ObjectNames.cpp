#include "scene/ObjectNames.h"

#include <array>

namespace {
constexpr std::array<char, ObjectNames::kindCount> prefixes{'g', 't', 'r', 'c', 's', 'y'};
std::array<int, ObjectNames::kindCount> counters{};
} // namespace

QString ObjectNames::take(Kind kind) {
    return format(prefixes[kind], counters[kind]++);
}

void ObjectNames::resetAll() {
    counters.fill(0);
}

QString ObjectNames::format(char prefix, int number) {
    // At 10000 and above the number is written as it is, without padding.
    const int width = number < 10000 ? 4 : 0;
    return QString(QChar(prefix)) + QString("%1").arg(number, width, 10, QChar('0'));
}
