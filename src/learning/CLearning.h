#pragma once

#include "learning/ClassicalThresholds.h"
#include "learning/LModule.h"

#include <mutex>

class QObject;

// The classical method: a level 0..10 that rises after a good period and falls after a bad one,
// judged by the missed targets and by how far (or how long) hit targets travelled. Level 0 means
// fast weapons and large, slow targets; level 10 slow weapons and small, fast targets.
class CLearning : public LModule {
public:
    static constexpr int startLevel = 2;
    static constexpr int maxLevel = 10;

    explicit CLearning(QObject* window, Clock& clock = Clock::program());
    ~CLearning() override;

    // Window thread, also while the module runs: never lands in the middle of a period's evaluation.
    void setThresholds(const ClassicalThresholds& thresholds);
    ClassicalThresholds thresholds() const;
    int level() const;

    // The level after a period, before clamping to 0..10.
    static int judge(int level, const PeriodStats& period, const ClassicalThresholds& thresholds);

protected:
    void start() override;
    void onPeriod() override;
    void finish() override {}

private:
    void postParameters();

    QObject* window;
    mutable std::mutex evaluationLock;
    int level_ = startLevel;
    ClassicalThresholds thresholds_;
};
