#include "learning/LModule.h"

#include "settings/LevelSettingsTarget.h"

#include <chrono>
#include <thread>

LModule::LModule(Clock& clock) : clock(clock) {}

LModule::~LModule() {
    endWorker();
}

int LModule::loopSleepMs(int periodMs) {
    if (periodMs > 200) {
        return 100;
    }
    return std::max(1, periodMs / 2);
}

void LModule::run() {
    if (disabled) {
        return;
    }
    moduleStartMs = static_cast<int>(clock.now());
    resetBase();
    start();
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(loopSleepMs(periodMs)));
        if (!noFreshData && take(period)) {
            onPeriod();
        }
    }
    finish();
}

bool LModule::wantsHandOff(double now) const {
    return !disabled && noFreshData && now - baseTime >= periodMs;
}

void LModule::applyLevelParameters(LevelSettingsTarget& pages) const {
    const LevelParameters p = levelParameters();
    if (p.weaponsSpeed >= 0 && (p.applyWeaponsSpeed & 1) != 0) {
        pages.setWeaponsSpeed(p.weaponsSpeed);
    }
    if (p.shapesSpeed >= 0) {
        pages.setShapeSpeed(p.shapeKinds, p.shapesSpeed);
    }
    if (p.shapesSize >= 0) {
        pages.setShapeSize(p.shapeKinds, p.shapesSize);
    }
    if (p.targetsPerSecond >= 0) {
        pages.setTargetsPerSecond(p.targetsPerSecond);
    }
}

void LModule::setLevelParameters(const LevelParameters& parameters) {
    std::lock_guard guard(parametersLock);
    this->parameters = parameters;
}

LevelParameters LModule::levelParameters() const {
    std::lock_guard guard(parametersLock);
    return parameters;
}
