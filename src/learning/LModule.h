#pragma once

#include "core/Clock.h"
#include "settings/LevelParameters.h"
#include "learning/PeriodStats.h"
#include "core/Runnable.h"
#include "learning/Stats.h"

#include <atomic>
#include <mutex>

class DecisionLog;
class LevelSettingsTarget;
class QJsonObject;

// Base of the modules fed with period statistics: its thread waits for each completed period and
// hands it to onPeriod.
class LModule : public Runnable, public Stats {
public:
    explicit LModule(Clock& clock = Clock::program());
    // Stops the loop before this part goes. A module whose hooks use members of its own stops in
    // its own destructor as well, before those members go.
    ~LModule() override;

    // The period loop; returns at once when the module is disabled.
    void run() final;

    // How long the loop sleeps between looks at the record. Never 0, so a zero or negative
    // averaging interval cannot make it spin.
    static int loopSleepMs(int periodMs);

    // Whether the game should hand over its totals now (window thread, once per tick).
    bool wantsHandOff(double now) const;

    // Window thread: moves the settings controls to what the module last asked for.
    void applyLevelParameters(LevelSettingsTarget& pages) const;
    void setLevelParameters(const LevelParameters& parameters);
    LevelParameters levelParameters() const;

    const PeriodStats& lastPeriod() const { return period; }

    // Where the module notes its decisions; none by default.
    void setDecisionLog(DecisionLog* log) { decisionLog = log; }

    std::atomic<int> moduleStartMs{0};
    std::atomic<bool> disabled{false};

protected:
    // Empty rather than pure: a module destroyed while its loop runs may still reach these from the
    // loop once its own part is gone.
    virtual void start() {}
    virtual void onPeriod() {}
    virtual void finish() {}

    // Notes a decision: kind "start" for the parameters the method begins with, "period" for a
    // judged period (with the period's counts among the inputs); to is what it now asks for.
    void noteDecision(const char* kind, QJsonObject inputs, const QJsonObject& stateBefore,
                      const QJsonObject& stateAfter, const LevelParameters& from, const LevelParameters& to);
    QJsonObject periodInputs() const;

    Clock& clock;
    PeriodStats period;

private:
    mutable std::mutex parametersLock;
    LevelParameters parameters;
    std::atomic<DecisionLog*> decisionLog{nullptr};
};
