#include "learning/LModule.h"

#include "records/DecisionLog.h"
#include "settings/LevelSettingsTarget.h"

#include <QJsonObject>

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
    if (DecisionLog* log = decisionLog) {
        log->reached(clock.now());
    }
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

QJsonObject LModule::periodInputs() const {
    return QJsonObject{{"periodStartMs", qRound64(period.periodStart - moduleStartMs)},
                       {"periodLengthMs", qRound64(period.periodLength)},
                       {"shots", period.shots},
                       {"hits", period.hits},
                       {"missed", period.missed},
                       {"avgHitDistance", period.avgHitDistance},
                       {"avgHitTimeMs", period.avgHitTime},
                       {"weaponsSpeed", period.weaponsSpeed},
                       {"shapesSpeed", period.shapesSpeed},
                       {"targetsPerSecond", period.shapesFrequency}};
}

void LModule::noteDecision(const char* kind, QJsonObject inputs, const QJsonObject& stateBefore,
                           const QJsonObject& stateAfter, const LevelParameters& from, const LevelParameters& to) {
    DecisionLog* log = decisionLog;
    if (log == nullptr) {
        return;
    }
    DecisionLog::Row row;
    row.kind = QString::fromLatin1(kind);
    row.inputs = std::move(inputs);
    row.stateBefore = stateBefore;
    row.stateAfter = stateAfter;
    auto compare = [&](const char* name, int before, int after, bool applies) {
        if (applies && after >= 0 && before != after) {
            row.changes.append({QString::fromLatin1(name), before >= 0 ? std::optional<int>(before) : std::nullopt,
                                after});
        }
    };
    compare("weaponsSpeed", (from.applyWeaponsSpeed & 1) != 0 ? from.weaponsSpeed : -1, to.weaponsSpeed,
            (to.applyWeaponsSpeed & 1) != 0);
    compare("shapesSpeed", from.shapesSpeed, to.shapesSpeed, true);
    compare("shapesSize", from.shapesSize, to.shapesSize, true);
    compare("targetsPerSecond", from.targetsPerSecond, to.targetsPerSecond, true);
    log->add(row, clock.now());
}
