#pragma once

#include "core/Clock.h"
#include "learning/ClassicalThresholds.h"

#include <array>
#include <memory>

class ALearning;
class CLearning;
class DecisionLog;
class LModule;
class QObject;
class TLearning;
class TabDataCollection;

// The three learning methods, kept for the whole run, and which one is selected. A module runs
// only during a game at difficulty "Auto"; it posts its setting changes to the window.
// Window thread only.
class LearningMethods {
public:
    enum Method { classicalMethod = 0, reinforcementMethod = 1, experimentalMethod = 2 };
    static constexpr int autoDifficulty = 0;

    explicit LearningMethods(QObject* window, Clock& clock = Clock::program());
    ~LearningMethods();
    LearningMethods(const LearningMethods&) = delete;
    LearningMethods& operator=(const LearningMethods&) = delete;

    // The index of a "Choose learning method" code: "Reinforcement learning" 1, "Experimental" 2,
    // anything else (also none selected) 0.
    static int methodIndex(int learningMethodCode);
    static int methodIndex(const TabDataCollection& page);

    // Program start: takes the index without starting anything.
    void select(int method);
    // -1 until select or a start has run.
    int selected() const { return selectedIndex; }

    // Start of a game, after its settings were applied: stops a running module, copies the
    // thresholds and starts the selected method when the difficulty is "Auto".
    void startGame(int method, int difficulty, int periodMs, const ClassicalThresholds& thresholds);
    // A settings dialog closed: copies the thresholds and selects again; during a game the module
    // starts afresh, at "Auto" only.
    void settingsClosed(int method, int difficulty, int periodMs, const ClassicalThresholds& thresholds,
                        bool gameInProgress);
    // Game over and window close: stops the running module and waits for it.
    void stop();

    // Every method notes its decisions there (while idle).
    void setDecisionLog(DecisionLog* log);

    // The running module the game feeds, or nullptr.
    LModule* active() const;

    LModule& module(int method) const;
    CLearning& classical() const { return *classicalModule; }
    TLearning& experimental() const { return *experimentalModule; }

private:
    void restart(int method, int difficulty, int periodMs);

    std::unique_ptr<CLearning> classicalModule;
    std::unique_ptr<ALearning> reinforcementModule;
    std::unique_ptr<TLearning> experimentalModule;
    int selectedIndex = -1;
};
