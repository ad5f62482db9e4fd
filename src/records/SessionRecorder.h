#pragma once

#include "game/GameEvents.h"
#include "records/DecisionLog.h"
#include "records/SessionRecord.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class FrameTimingMeter;
class SettingsStore;
class State;

// Builds the session record of each game from what the game reports: ids, program and machine,
// level, the settings in force, seeds, answers with their times and how the game ended.
class SessionRecorder : public GameListener {
public:
    using Calendar = std::function<QDateTime()>;

    // What the window knows of the machine once its OpenGL view exists.
    struct Environment {
        QString glVendor;
        QString glRenderer;
        QString glVersion;
    };

    SessionRecorder(const State& game, SettingsStore& store, Calendar calendar = {});

    void setEnvironment(const Environment& environment);

    void gameStarted(int gameNumber, const LevelSelection& selection) override;
    void gameEnded(const GameEvents::Ending& ending) override;
    void afterGameAnswered(const QString& answers) override;

    // Whether a game was started since this recorder exists.
    bool hasGame() const { return started; }
    // The current game's record; seeds noted since the start are included.
    SessionRecord current() const;
    // The record of the current or the game before, by id. A game that a new one cut short has the
    // ending "new game".
    std::optional<SessionRecord> recordOf(const QString& gameId) const;

    static QString programRevision();

    // The learning method writes its decisions here; the record carries them.
    DecisionLog& decisions() { return decisionLog; }
    // Frame timing quality goes into the record from this meter, when one is set.
    void setFrameTiming(const FrameTimingMeter* meter) { frameTiming = meter; }

private:
    QJsonObject settingsInForce() const;

    const State& game;
    SettingsStore& store;
    Calendar calendar;
    Environment environment;
    SessionRecord record;
    std::optional<SessionRecord> previous;
    bool started = false;
    DecisionLog decisionLog;
    const FrameTimingMeter* frameTiming = nullptr;
};
