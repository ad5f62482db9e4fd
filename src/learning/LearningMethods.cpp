#include "learning/LearningMethods.h"

#include "learning/ALearning.h"
#include "learning/CLearning.h"
#include "learning/TLearning.h"
#include "settings/SettingKeys.h"
#include "settings/TabDataCollection.h"

LearningMethods::LearningMethods(QObject* window, Clock& clock)
    : classicalModule(std::make_unique<CLearning>(window, clock)),
      reinforcementModule(std::make_unique<ALearning>(clock)),
      experimentalModule(std::make_unique<TLearning>(window, clock)) {}

LearningMethods::~LearningMethods() {
    stop();
}

int LearningMethods::methodIndex(int learningMethodCode) {
    switch (learningMethodCode) {
    case SettingKeys::learningMethodReinforcement:
        return reinforcementMethod;
    case SettingKeys::learningMethodExperimental:
        return experimentalMethod;
    default:
        return classicalMethod;
    }
}

int LearningMethods::methodIndex(const TabDataCollection& page) {
    return methodIndex(page.learningMethod());
}

void LearningMethods::setDecisionLog(DecisionLog* log) {
    classicalModule->setDecisionLog(log);
    reinforcementModule->setDecisionLog(log);
    experimentalModule->setDecisionLog(log);
}

void LearningMethods::select(int method) {
    selectedIndex = method == reinforcementMethod || method == experimentalMethod ? method : classicalMethod;
}

void LearningMethods::startGame(int method, int difficulty, int periodMs,
                                const ClassicalThresholds& thresholds) {
    classicalModule->setThresholds(thresholds);
    restart(method, difficulty, periodMs);
}

void LearningMethods::settingsClosed(int method, int difficulty, int periodMs,
                                     const ClassicalThresholds& thresholds, bool gameInProgress) {
    classicalModule->setThresholds(thresholds);
    if (gameInProgress) {
        restart(method, difficulty, periodMs);
    } else {
        select(method);
    }
}

void LearningMethods::restart(int method, int difficulty, int periodMs) {
    // Settings the old module applied stay in force until the new one posts its own.
    stop();
    select(method);
    if (difficulty == autoDifficulty) {
        LModule& chosen = module(selectedIndex);
        chosen.periodMs = periodMs;
        chosen.startIfIdle();
    }
}

void LearningMethods::stop() {
    // Every module, not only the selected one: a switch must never leave an old one running.
    for (int method : {classicalMethod, reinforcementMethod, experimentalMethod}) {
        module(method).stopAndWait();
    }
}

LModule* LearningMethods::active() const {
    if (selectedIndex < 0) {
        return nullptr;
    }
    LModule& chosen = module(selectedIndex);
    return chosen.running ? &chosen : nullptr;
}

LModule& LearningMethods::module(int method) const {
    switch (method) {
    case reinforcementMethod:
        return *reinforcementModule;
    case experimentalMethod:
        return *experimentalModule;
    default:
        return *classicalModule;
    }
}
