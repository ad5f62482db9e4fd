#include "records/TidyExport.h"

#include "records/DecisionLog.h"
#include "records/FrameTiming.h"

#include <QFile>
#include <QJsonArray>

#include <future>
#include <set>
#include <string>

// Rows go through one buffer per file, written in large pieces: the samples of a thousand games
// are tens of millions of rows.
class TidyExport::Csv {
public:
    explicit Csv(const QString& path) : file(path) { buffer.reserve(bufferSize + 4096); }
    Csv() = default;
    ~Csv() { flush(); }

    bool open() { return file.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    QString errorString() const { return file.errorString(); }

    // A field that needs no quoting (numbers, ids, fixed words) goes in as it is.
    Csv& plain(QByteArrayView text) {
        separate();
        buffer.append(text.data(), static_cast<std::size_t>(text.size()));
        return *this;
    }
    Csv& text(const QString& value) { return quoted(value.toUtf8()); }
    Csv& quoted(QByteArrayView value) {
        separate();
        bool needs = false;
        for (char c : value) {
            if (c == '"' || c == ',' || c == '\n' || c == '\r') {
                needs = true;
                break;
            }
        }
        if (!needs) {
            buffer.append(value.data(), static_cast<std::size_t>(value.size()));
            return *this;
        }
        buffer.push_back('"');
        for (char c : value) {
            if (c == '"') {
                buffer.push_back('"');
            }
            buffer.push_back(c);
        }
        buffer.push_back('"');
        return *this;
    }
    // A field quoted once for many rows.
    static QByteArray field(QByteArrayView value) {
        Csv scratch;
        scratch.quoted(value);
        QByteArray quoted(scratch.buffer.data(), static_cast<qsizetype>(scratch.buffer.size()));
        scratch.buffer.clear();
        return quoted;
    }
    Csv& number(qint64 value) { return plain(QByteArray::number(value)); }
    Csv& number(double value, int decimals) { return plain(QByteArray::number(value, 'f', decimals)); }
    Csv& empty() { return plain({}); }
    void end() {
        buffer.append("\r\n");
        first = true;
        if (buffer.size() >= bufferSize) {
            flush();
        }
    }
    void header(const QStringList& names) {
        for (const QString& name : names) {
            text(name);
        }
        end();
    }
    bool flush() {
        if (!buffer.empty()) {
            ok = file.write(buffer.data(), static_cast<qint64>(buffer.size())) == static_cast<qint64>(buffer.size()) && ok;
            buffer.clear();
        }
        return ok;
    }
    bool close() {
        flush();
        ok = file.flush() && ok;
        file.close();
        return ok;
    }

private:
    static constexpr std::size_t bufferSize = 1 << 20;
    void separate() {
        if (!first) {
            buffer.push_back(',');
        }
        first = false;
    }

    QFile file;
    std::string buffer;
    bool first = true;
    bool ok = true;
};

const QStringList TidyExport::fileNames{"games.csv", "periods.csv", "samples.csv", "decisions.csv", "frames.csv"};

namespace {
const QStringList gameColumns{"game_id",
                              "participant_id",
                              "file_time",
                              "file_time_utc",
                              "start_utc",
                              "end_utc",
                              "length_ms",
                              "ending",
                              "level",
                              "level_name",
                              "difficulty",
                              "one_shot",
                              "time_attack",
                              "learning_method",
                              "group_name",
                              "object",
                              "answers_before_game",
                              "answers_after_game",
                              "pain_before",
                              "stiffness_before",
                              "pain_after",
                              "stiffness_after",
                              "periods",
                              "shots",
                              "hits",
                              "missed",
                              "score",
                              "samples",
                              "hit_test",
                              "late_frames",
                              "frames",
                              "upload_state",
                              "checksums_verified",
                              "problems"};

QString optionalNumber(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 1) : QString();
}

QString answerOf(const GameReading::Game& game, const QString& when, const QString& fromReport) {
    if (game.record) {
        for (const SessionRecord::Answer& answer : game.record->answers) {
            if (answer.when == when) {
                return answer.text;
            }
        }
    }
    return fromReport;
}

QByteArray changesText(const QList<DecisionLog::Change>& changes) {
    if (changes.isEmpty()) {
        return "unchanged";
    }
    QByteArray text;
    for (const DecisionLog::Change& change : changes) {
        if (!text.isEmpty()) {
            text += "; ";
        }
        text += change.parameter.toUtf8() + ' ' + (change.from ? QByteArray::number(*change.from) : "?") + "->" +
                QByteArray::number(change.to);
    }
    return text;
}

QByteArray stateText(const QJsonObject& state) {
    QByteArray text;
    for (auto it = state.begin(); it != state.end(); ++it) {
        if (!text.isEmpty()) {
            text += "; ";
        }
        text += it.key().toUtf8() + '=' + it.value().toVariant().toString().toUtf8();
    }
    return text;
}
} // namespace

TidyExport::TidyExport(QDir out) : out(std::move(out)) {}

TidyExport::~TidyExport() = default;

bool TidyExport::open(QString* error) {
    if (!out.exists() && !out.mkpath(".")) {
        *error = QString("cannot make the folder %1").arg(out.absolutePath());
        return false;
    }
    std::unique_ptr<Csv>* targets[] = {&games_, &periods, &samples, &decisions, &frames};
    for (int i = 0; i < fileNames.size(); ++i) {
        *targets[i] = std::make_unique<Csv>(out.filePath(fileNames[i]));
        if (!(*targets[i])->open()) {
            *error = QString("cannot write %1: %2").arg(out.filePath(fileNames[i]), (*targets[i])->errorString());
            return false;
        }
    }
    periods->header({"game_id", "period", "start_ms", "length_ms", "shots", "hits", "missed", "weapons_speed",
                     "shapes_speed", "targets_per_second", "avg_hit_distance", "avg_hit_time_ms", "file_verified"});
    samples->header({"game_id", "sample", "time_ms", "object", "x", "y", "radius", "paddle_visibility", "hit",
                     "file_verified"});
    decisions->header({"game_id", "method", "row", "kind", "time_ms", "time_utc", "period_start_ms",
                       "period_length_ms", "shots", "hits", "missed", "measure", "pm1", "pm2", "state_before",
                       "state_after", "decision", "reached_ms", "file_verified"});
    frames->header({"game_id", "scope", "period", "start_ms", "length_ms", "frames", "late", "longest_gap_ms",
                    "p50_ms", "p99_ms", "target_period_ms", "hit_test"});
    return true;
}

GameReading::Game TidyExport::add(const GameReading::Sources& sources) {
    QByteArray id;
    QByteArray verified;
    int sampleNumber = 0;
    const GameReading::Game game = GameReading::read(
        sources,
        [&](const GameReading::Sample& sample) {
            const QByteArray number = QByteArray::number(++sampleNumber);
            samples->plain(id).plain(number).plain(sample.time).plain("paddle").plain(sample.paddleX);
            samples->plain(sample.paddleY).empty().plain(sample.paddleVisibility).empty().plain(verified).end();
            for (const GameReading::SampleItem& item : sample.items) {
                samples->plain(id).plain(number).plain(sample.time).quoted(item.name).plain(item.x).plain(item.y);
                samples->plain(item.radius).empty().plain(item.hit ? "1" : "0").plain(verified).end();
            }
        },
        [&](const GameReading::Game& checked) {
            // Ids from files are not ours to trust: a label may hold a comma.
            id = Csv::field(checked.id().toUtf8());
            verified = GameReading::verificationName(checked.verification).toUtf8();
        });
    if (game.verification == GameReading::Verification::mismatch) {
        ++mismatchCount;
    }
    writePeriods(game, id, verified);
    writeDecisions(game, id, verified);
    writeFrames(game, id);
    gameRows.append(gameRow(game));
    return game;
}

void TidyExport::addFolder(const QDir& folder, const std::function<void(const GameReading::Game&)>& each) {
    const QList<qint64> times = GameReading::gameTimes(folder);
    auto fetch = [&folder](qint64 time) {
        return std::async(std::launch::async, [folder, time] {
            GameReading::Sources sources = GameReading::load(folder, time);
            GameReading::checksum(sources);
            return sources;
        });
    };
    std::future<GameReading::Sources> next;
    if (!times.isEmpty()) {
        next = fetch(times.first());
    }
    for (qsizetype i = 0; i < times.size(); ++i) {
        const GameReading::Sources sources = next.get();
        if (i + 1 < times.size()) {
            next = fetch(times[i + 1]);
        }
        const GameReading::Game game = add(sources);
        if (each) {
            each(game);
        }
    }
}

void TidyExport::writePeriods(const GameReading::Game& game, const QByteArray& id, const QByteArray& verified) {
    int number = 0;
    for (const GameReading::Period& p : game.periods) {
        periods->plain(id).number(++number).number(p.startMs).number(p.lengthMs).number(p.shots).number(p.hits);
        periods->number(p.missed).number(p.weaponsSpeed).number(p.shapesSpeed).number(p.targetsPerSecond, 3);
        periods->number(p.avgHitDistance, 4).number(static_cast<qint64>(p.avgHitTime)).plain(verified).end();
    }
}

void TidyExport::writeDecisions(const GameReading::Game& game, const QByteArray& id, const QByteArray& verified) {
    if (!game.record) {
        return;
    }
    const QJsonObject log = game.record->details["decisions"].toObject();
    const QByteArray method = log["method"].toString().toUtf8();
    int number = 0;
    for (const DecisionLog::Row& row : DecisionLog::rowsFromJson(log)) {
        auto input = [&](const char* key) {
            const QJsonValue value = row.inputs[QLatin1String(key)];
            return value.isDouble() ? QByteArray::number(value.toDouble(), 'g', 10) : QByteArray();
        };
        decisions->plain(id).quoted(method).number(++number).quoted(row.kind.toUtf8()).number(qRound64(row.timeMs));
        decisions->text(SessionRecord::timeText(row.time)).plain(input("periodStartMs")).plain(input("periodLengthMs"));
        decisions->plain(input("shots")).plain(input("hits")).plain(input("missed"));
        decisions->text(row.inputs["measure"].toString()).plain(input("pm1")).plain(input("pm2"));
        decisions->quoted(stateText(row.stateBefore)).quoted(stateText(row.stateAfter)).quoted(changesText(row.changes));
        if (row.reachedMs) {
            decisions->number(qRound64(*row.reachedMs));
        } else {
            decisions->empty();
        }
        decisions->plain(verified).end();
    }
}

void TidyExport::writeFrames(const GameReading::Game& game, const QByteArray& id) {
    if (!game.record) {
        return;
    }
    const QJsonObject timing = game.record->details["frameTiming"].toObject();
    if (timing.isEmpty()) {
        return;
    }
    auto row = [&](const char* scope, int number, const FrameTiming::Quality& q) {
        frames->plain(id).plain(scope);
        if (number > 0) {
            frames->number(number);
        } else {
            frames->empty();
        }
        frames->number(q.startMs).number(q.lengthMs).number(q.frames).number(q.late).number(q.longestGapMs, 3);
        frames->number(q.p50Ms, 3).number(q.p99Ms, 3).number(q.targetPeriodMs, 3).text(q.hitTest).end();
    };
    int number = 0;
    for (const QJsonValue value : timing["periods"].toArray()) {
        row("period", ++number, FrameTiming::qualityFromJson(value.toObject()));
    }
    row("game", 0, FrameTiming::qualityFromJson(timing["game"].toObject()));
}

TidyExport::GameRow TidyExport::gameRow(const GameReading::Game& game) const {
    const std::optional<SessionRecord>& record = game.record;
    const QJsonObject details = record ? record->details : QJsonObject();
    const QJsonObject level = details["level"].toObject();
    const GameReading::Report& report = game.report;
    int shots = 0;
    int hits = 0;
    int missed = 0;
    for (const GameReading::Period& p : game.periods) {
        shots += p.shots;
        hits += p.hits;
        missed += p.missed;
    }
    const QString before = answerOf(game, "before", report.answersBeforeGame);
    const QString after = answerOf(game, "after", report.answersAfterGame);
    const GameReading::PainStiffness beforeValues = GameReading::painStiffness(before);
    const GameReading::PainStiffness afterValues = GameReading::painStiffness(after);
    const QJsonObject timing = details["frameTiming"].toObject()["game"].toObject();
    auto yesNo = [](const QJsonValue& value) {
        return value.isBool() ? QString(value.toBool() ? "yes" : "no") : QString();
    };
    GameRow row;
    row.settings = details["settings"].toObject();
    row.fields = {game.id(),
                  record ? record->participantId : QString(),
                  game.time >= 0 ? QString::number(game.time) : QString(),
                  game.time >= 0 ? QDateTime::fromSecsSinceEpoch(game.time, Qt::UTC).toString(Qt::ISODate)
                                 : QString(),
                  record ? SessionRecord::timeText(record->start) : QString(),
                  record ? SessionRecord::timeText(record->end) : QString(),
                  record && record->lengthMs >= 0 ? QString::number(record->lengthMs) : QString(),
                  record ? SessionRecord::endingName(record->ending) : QString(),
                  level.contains("number") ? QString::number(level["number"].toInt())
                  : report.level >= 0      ? QString::number(report.level)
                                           : QString(),
                  level["name"].toString(),
                  level.contains("difficulty") ? QString::number(level["difficulty"].toInt())
                  : report.difficulty >= 0     ? QString::number(report.difficulty)
                                               : QString(),
                  level.contains("oneShot") ? yesNo(level["oneShot"]) : report.oneShot,
                  yesNo(level["timeAttack"]),
                  details["learning"].toObject()["method"].toString(),
                  report.groupName,
                  answerOf(game, "object", report.objectIndex >= 0 ? report.objectName : QString()),
                  before,
                  after,
                  optionalNumber(beforeValues.pain),
                  optionalNumber(beforeValues.stiffness),
                  optionalNumber(afterValues.pain),
                  optionalNumber(afterValues.stiffness),
                  QString::number(game.periods.size()),
                  QString::number(shots),
                  QString::number(hits),
                  QString::number(missed),
                  QString::number(hits - missed),
                  QString::number(game.sampleCount),
                  details["hitTest"].toString(),
                  timing.contains("late") ? QString::number(timing["late"].toInt()) : QString(),
                  timing.contains("frames") ? QString::number(timing["frames"].toInt()) : QString(),
                  record ? SessionRecord::uploadStateName(record->upload.state) : QString(),
                  GameReading::verificationName(game.verification),
                  game.problems.join("; ")};
    return row;
}

bool TidyExport::finish(QString* error) {
    // Settings that are the same in every game say nothing about any of them.
    std::set<QString> varying;
    std::set<QString> keys;
    for (const GameRow& row : gameRows) {
        for (auto it = row.settings.begin(); it != row.settings.end(); ++it) {
            keys.insert(it.key());
        }
    }
    for (const QString& key : keys) {
        const GameRow* first = nullptr;
        for (const GameRow& row : gameRows) {
            if (row.settings.isEmpty()) {
                continue;
            }
            if (first == nullptr) {
                first = &row;
            } else if (row.settings[key] != first->settings[key]) {
                varying.insert(key);
                break;
            }
        }
    }
    QStringList header = gameColumns;
    for (const QString& key : varying) {
        header.append("setting: " + key);
    }
    games_->header(header);
    for (const GameRow& row : gameRows) {
        for (const QString& field : row.fields) {
            games_->text(field);
        }
        for (const QString& key : varying) {
            games_->text(row.settings[key].toVariant().toString());
        }
        games_->end();
    }
    bool ok = true;
    for (Csv* csv : {games_.get(), periods.get(), samples.get(), decisions.get(), frames.get()}) {
        if (!csv->close()) {
            ok = false;
            *error = QString("cannot write the files in %1: %2").arg(out.absolutePath(), csv->errorString());
        }
    }
    return ok;
}
