#pragma once

#include "core/CounterSource.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

// The program-wide millisecond clock: milliseconds since the clock was created, as a double.
class Clock {
public:
    static constexpr std::int64_t initialTicksPerMs = 1'000'000;

    explicit Clock(std::shared_ptr<CounterSource> source);

    // The clock every part of the running program shares.
    static Clock& program();

    double now() const;
    // Measures the counter frequency and logs the timer resolution.
    void calibrate();
    std::int64_t ticksPerMs() const { return ticksPerMs_.load(); }

    // "Timer resolution %.2f Mhz", in kHz units below 100000 ticks per ms and MHz from there on.
    static QString resolutionText(std::int64_t ticksPerMs);

private:
    std::shared_ptr<CounterSource> source_;
    std::atomic<std::int64_t> ticksPerMs_{initialTicksPerMs};
    std::int64_t origin_ = 0;
};
