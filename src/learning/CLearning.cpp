#include "learning/CLearning.h"

#include "core/WindowMessages.h"

#include <QJsonObject>

#include <algorithm>

CLearning::CLearning(QObject* window, Clock& clock) : LModule(clock), window(window) {}

CLearning::~CLearning() {
    endWorker();
}

void CLearning::setThresholds(const ClassicalThresholds& thresholds) {
    std::lock_guard guard(evaluationLock);
    thresholds_ = thresholds;
}

ClassicalThresholds CLearning::thresholds() const {
    std::lock_guard guard(evaluationLock);
    return thresholds_;
}

int CLearning::level() const {
    std::lock_guard guard(evaluationLock);
    return level_;
}

int CLearning::judge(int level, const PeriodStats& period, const ClassicalThresholds& t) {
    const double pm1 = period.missed;
    const double pm2 = t.useDistance ? period.avgHitDistance : period.avgHitTime;
    if (pm1 <= t.pm1Lower && pm2 <= t.pm2Lower) {
        return level + 1;
    }
    if (pm1 > t.pm1Upper || pm2 > t.pm2Upper) {
        return level - 1;
    }
    return level;
}

void CLearning::start() {
    {
        std::lock_guard guard(evaluationLock);
        level_ = startLevel;
    }
    LevelParameters p;
    p.applyWeaponsSpeed = 1;
    p.weaponsSpeed = maxLevel - startLevel;
    p.shapeKinds = LevelParameters::allShapeKinds;
    p.shapesSpeed = startLevel;
    p.targetsPerSecond = -1;
    p.shapesSize = maxLevel - startLevel;
    setLevelParameters(p);
    noteDecision("start", {}, {}, QJsonObject{{"level", startLevel}}, LevelParameters(), p);
    postParameters();
}

void CLearning::onPeriod() {
    int oldLevel = 0;
    int newLevel = 0;
    ClassicalThresholds used;
    {
        std::lock_guard guard(evaluationLock);
        used = thresholds_;
        oldLevel = level_;
        newLevel = std::clamp(judge(level_, period, thresholds_), 0, maxLevel);
        level_ = newLevel;
    }
    QJsonObject inputs = periodInputs();
    inputs["measure"] = used.useDistance ? "distance" : "time";
    inputs["pm1"] = static_cast<double>(period.missed);
    inputs["pm2"] = used.useDistance ? period.avgHitDistance : period.avgHitTime;
    const LevelParameters before = levelParameters();
    LevelParameters p = before;
    if (newLevel != oldLevel) {
        p.weaponsSpeed = maxLevel - newLevel;
        p.shapesSize = maxLevel - newLevel;
        p.shapesSpeed = newLevel;
    }
    noteDecision("period", inputs, QJsonObject{{"level", oldLevel}}, QJsonObject{{"level", newLevel}}, before, p);
    if (newLevel == oldLevel) {
        return;
    }
    setLevelParameters(p);
    postParameters();
}

void CLearning::postParameters() {
    postWindowMessage(window, WindowMessages::WM_APPLY_LEVEL_PARAMETERS, 0,
                      reinterpret_cast<std::intptr_t>(static_cast<LModule*>(this)));
}
