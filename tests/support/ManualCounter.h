#pragma once

#include "core/CounterSource.h"

#include <atomic>

// A counter the test moves by hand; it can also be made to fail.
class ManualCounter : public CounterSource {
public:
    bool readCounter(std::int64_t& value) override {
        value = ticks;
        return counterWorks;
    }
    bool readFrequency(std::int64_t& value) override {
        value = frequency;
        return frequencyWorks;
    }

    std::atomic<std::int64_t> ticks{0};
    std::atomic<std::int64_t> frequency{1'000'000'000};
    std::atomic<bool> counterWorks{true};
    std::atomic<bool> frequencyWorks{true};
};
