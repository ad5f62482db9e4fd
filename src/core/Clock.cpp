#include "core/Clock.h"

#include "core/FatalError.h"
#include "core/Log.h"
#include "core/SteadyCounter.h"

Clock::Clock(std::shared_ptr<CounterSource> source) : source_(std::move(source)) {
    if (!source_->readCounter(origin_)) {
        FatalError::exitWith(FatalError::clockUnreadable);
        origin_ = 0;
    }
}

Clock& Clock::program() {
    static Clock clock(std::make_shared<SteadyCounter>());
    return clock;
}

double Clock::now() const {
    std::int64_t ticks = 0;
    if (!source_->readCounter(ticks)) {
        FatalError::exitWith(FatalError::clockUnreadable);
        return 0.0;
    }
    return static_cast<double>(ticks - origin_) / static_cast<double>(ticksPerMs_.load());
}

void Clock::calibrate() {
    std::int64_t perSecond = 0;
    if (!source_->readFrequency(perSecond) || perSecond < 1000) {
        FatalError::exitWith(FatalError::clockFrequencyUnreadable);
        return;
    }
    ticksPerMs_ = perSecond / 1000;
    appendLog(resolutionText(ticksPerMs_));
}

QString Clock::resolutionText(std::int64_t ticksPerMs) {
    const double value = ticksPerMs < 100000 ? ticksPerMs / 1000.0 : ticksPerMs / 1000000.0;
    return QString::asprintf("Timer resolution %.2f Mhz", value);
}
