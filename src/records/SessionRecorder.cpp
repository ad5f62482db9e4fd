#include "records/SessionRecorder.h"

#include "core/RandomSeeds.h"
#include "core/Clock.h"
#include "game/State.h"
#include "records/FrameTimingMeter.h"
#include "settings/GameLevels.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "settings/TabDataCollection.h"

#include <QJsonArray>
#include <QSysInfo>
#include <QUuid>

#ifndef VAZAZO_REVISION
#define VAZAZO_REVISION "unknown"
#endif

namespace {
QString methodName(int code) {
    switch (code) {
    case SettingKeys::learningMethodClassical:
        return "classical";
    case SettingKeys::learningMethodReinforcement:
        return "reinforcement";
    case SettingKeys::learningMethodExperimental:
        return "experimental";
    default:
        return "none";
    }
}
} // namespace

SessionRecorder::SessionRecorder(const State& game, SettingsStore& store, Calendar calendar)
    : game(game), store(store), calendar(std::move(calendar)) {
    if (!this->calendar) {
        this->calendar = [] { return QDateTime::currentDateTimeUtc(); };
    }
    decisionLog.setCalendar(this->calendar);
}

void SessionRecorder::setEnvironment(const Environment& newEnvironment) {
    environment = newEnvironment;
}

QString SessionRecorder::programRevision() {
    return QStringLiteral(VAZAZO_REVISION);
}

QJsonObject SessionRecorder::settingsInForce() const {
    QJsonObject settings;
    for (const SettingKeys::Entry& entry : SettingKeys::fixedEntries) {
        settings[QLatin1String(entry.key)] = store.readText(entry);
    }
    for (const SettingKeys::ShapeKind& kind : SettingKeys::shapeKinds) {
        for (const SettingKeys::ShapeField& field : SettingKeys::shapeFields) {
            const QString key = SettingKeys::shapeKey(field, kind);
            settings[key] = store.read(key, SettingKeys::shapeDefault(field, kind));
        }
    }
    return settings;
}

void SessionRecorder::gameStarted(int, const LevelSelection& selection) {
    if (started) {
        previous = current();
        if (previous->ending == SessionRecord::Ending::unknown) {
            previous->end = calendar();
            previous->lengthMs = previous->start.msecsTo(previous->end);
            previous->ending = SessionRecord::Ending::newGame;
        }
    }
    started = true;
    record = SessionRecord();
    record.gameId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.participantId = TabDataCollection::ensureParticipantId(store);
    record.start = calendar();

    QJsonObject& details = record.details;
    details["program"] = QJsonObject{{"version", "1.73"},
                                     {"revision", programRevision()},
                                     {"qt", QString::fromLatin1(qVersion())},
                                     {"os", QSysInfo::prettyProductName()},
                                     {"kernel", QSysInfo::kernelType() + ' ' + QSysInfo::kernelVersion()},
                                     {"cpu", QSysInfo::currentCpuArchitecture()}};
    details["gl"] = QJsonObject{
        {"vendor", environment.glVendor}, {"renderer", environment.glRenderer}, {"version", environment.glVersion}};
    details["hitTest"] = game.usesGpuHitTest() ? "GPU" : "CPU";
    const bool validLevel = GameLevels::isValidLevel(selection.gameLevel);
    details["level"] = QJsonObject{
        {"number", selection.gameLevel},
        {"name", validLevel ? QString(GameLevels::GameLevelNames[selection.gameLevel]) : QString()},
        {"difficulty", selection.difficulty},
        {"oneShot", selection.oneShot},
        {"timeAttack", selection.gameLevel >= GameLevels::firstTimeAttackLevel &&
                           selection.gameLevel < GameLevels::firstCustomLevel},
        {"timeLimitSeconds", validLevel ? GameLevels::timeLimitSeconds[selection.gameLevel] : 0},
        {"vulnerablePaddle", selection.vulnerablePaddle},
        {"freePaddle", selection.freePaddle},
        {"askPainStiffness", selection.askPainStiffness},
        {"askObjects", selection.askObjects}};
    const QJsonObject settings = settingsInForce();
    details["settings"] = settings;
    const int method = store.readCode(SettingKeys::dataCollectionLearningMethod);
    details["learning"] = QJsonObject{
        {"method", selection.difficulty == 0 ? methodName(method) : QString("none")},
        {"thresholds",
         QJsonObject{{"measure", store.readCode(SettingKeys::classicalLearningDistanceTime) ==
                                         SettingKeys::classicalMeasureTime
                                     ? "time"
                                     : "distance"},
                     {"pm1Lower", store.readText(SettingKeys::classicalLearningPM1Lower)},
                     {"pm1Upper", store.readText(SettingKeys::classicalLearningPM1Upper)},
                     {"pm2Lower", store.readText(SettingKeys::classicalLearningPM2Lower)},
                     {"pm2Upper", store.readText(SettingKeys::classicalLearningPM2Upper)}}}};
    decisionLog.reset(details["learning"].toObject()["method"].toString(), Clock::program().now());
    // Asked just before the game started.
    if (selection.askObjects) {
        record.answers.append({"object", game.startAnswers.objectName, record.start});
    }
    record.answers.append({"before", game.startAnswers.questionnaire, record.start});
}

void SessionRecorder::gameEnded(const GameEvents::Ending&) {
    if (!started) {
        return;
    }
    record.end = calendar();
    record.lengthMs = record.start.msecsTo(record.end);
    record.ending = SessionRecord::Ending::timeUp;
}

void SessionRecorder::afterGameAnswered(const QString& answers) {
    if (started) {
        record.answers.append({"after", answers, calendar()});
    }
}

std::optional<SessionRecord> SessionRecorder::recordOf(const QString& gameId) const {
    if (started && record.gameId == gameId) {
        return current();
    }
    if (previous && previous->gameId == gameId) {
        return previous;
    }
    return std::nullopt;
}

SessionRecord SessionRecorder::current() const {
    SessionRecord copy = record;
    QJsonObject seeds;
    const QMap<QString, quint32> noted = RandomSeeds::snapshot();
    for (auto it = noted.begin(); it != noted.end(); ++it) {
        seeds[it.key()] = static_cast<double>(it.value());
    }
    copy.details["seeds"] = seeds;
    copy.details["decisions"] = decisionLog.toJson();
    if (frameTiming != nullptr) {
        copy.details["frameTiming"] = FrameTiming::toJson(frameTiming->summary());
    }
    return copy;
}
