#pragma once

#include <cstdint>

// Where the program clock reads its ticks; tests substitute a counter they move by hand.
class CounterSource {
public:
    virtual ~CounterSource() = default;
    // Both return false when the counter cannot be read.
    virtual bool readCounter(std::int64_t& ticks) = 0;
    virtual bool readFrequency(std::int64_t& ticksPerSecond) = 0;
};
