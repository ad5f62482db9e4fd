#include "core/SteadyCounter.h"

#include <chrono>

bool SteadyCounter::readCounter(std::int64_t& ticks) {
    ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count();
    return true;
}

bool SteadyCounter::readFrequency(std::int64_t& ticksPerSecond) {
    ticksPerSecond = 1'000'000'000;
    return true;
}
