#pragma once

#include "core/CounterSource.h"

// The monotonic high-resolution clock of the platform, in nanoseconds.
class SteadyCounter : public CounterSource {
public:
    bool readCounter(std::int64_t& ticks) override;
    bool readFrequency(std::int64_t& ticksPerSecond) override;
};
