#include "records/SessionRecord.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
const char* const endingNames[] = {"unknown", "time up", "new game", "window closed", "recovered"};
const char* const uploadNames[] = {"not chosen", "queued", "confirmed", "sent without receipt"};

template <typename Enum, std::size_t N>
std::optional<Enum> byName(const char* const (&names)[N], const QString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i])) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

bool fail(QString* error, const QString& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}
} // namespace

QString SessionRecord::fileName(qint64 time) {
    return QString("session%1.json").arg(time);
}

QString SessionRecord::endingName(Ending ending) {
    return endingNames[static_cast<int>(ending)];
}

QString SessionRecord::uploadStateName(Upload::State state) {
    return uploadNames[static_cast<int>(state)];
}

QString SessionRecord::timeText(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime SessionRecord::parseTime(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

QJsonObject SessionRecord::toJson() const {
    QJsonObject object = details;
    object["format"] = formatVersion;
    object["gameId"] = gameId;
    object["participantId"] = participantId;
    object["start"] = timeText(start);
    object["end"] = timeText(end);
    object["lengthMs"] = static_cast<double>(lengthMs);
    object["ending"] = endingName(ending);
    QJsonArray answerList;
    for (const Answer& answer : answers) {
        answerList.append(QJsonObject{{"when", answer.when}, {"text", answer.text}, {"time", timeText(answer.time)}});
    }
    object["answers"] = answerList;
    QJsonArray fileList;
    for (const File& file : files) {
        fileList.append(QJsonObject{{"name", file.name},
                                    {"bytes", static_cast<double>(file.bytes)},
                                    {"sha256", QString::fromLatin1(file.sha256)}});
    }
    object["files"] = fileList;
    QJsonObject uploadObject{{"state", uploadStateName(upload.state)}};
    if (upload.state != Upload::State::notChosen) {
        uploadObject["server"] = upload.server;
        uploadObject["sha256"] = QString::fromLatin1(upload.sha256);
    }
    if (upload.state == Upload::State::confirmed) {
        uploadObject["receipt"] = QJsonObject{{"status", upload.receiptStatus},
                                              {"sha256", QString::fromLatin1(upload.receiptSha256)},
                                              {"time", timeText(upload.receiptTime)}};
    }
    object["upload"] = uploadObject;
    if (!recovery.isEmpty()) {
        object["recovery"] = recovery;
    }
    return object;
}

QByteArray SessionRecord::toBytes() const {
    return QJsonDocument(toJson()).toJson(QJsonDocument::Indented);
}

std::optional<SessionRecord> SessionRecord::fromBytes(const QByteArray& bytes, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        fail(error, parseError.error != QJsonParseError::NoError
                        ? QString("not JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset)
                        : QString("not a JSON object"));
        return std::nullopt;
    }
    return fromJson(document.object(), error);
}

std::optional<SessionRecord> SessionRecord::fromJson(const QJsonObject& object, QString* error) {
    const int format = object["format"].toInt(-1);
    if (format < 1 || format > formatVersion) {
        fail(error, QString("unknown format %1").arg(object["format"].toVariant().toString()));
        return std::nullopt;
    }
    SessionRecord record;
    record.gameId = object["gameId"].toString();
    if (record.gameId.isEmpty()) {
        fail(error, "no game id");
        return std::nullopt;
    }
    record.participantId = object["participantId"].toString();
    record.start = parseTime(object["start"].toString());
    record.end = parseTime(object["end"].toString());
    record.lengthMs = static_cast<qint64>(object["lengthMs"].toDouble(-1));
    record.ending = byName<Ending>(endingNames, object["ending"].toString()).value_or(Ending::unknown);
    for (const QJsonValue value : object["answers"].toArray()) {
        const QJsonObject answer = value.toObject();
        record.answers.append({answer["when"].toString(), answer["text"].toString(),
                               parseTime(answer["time"].toString())});
    }
    for (const QJsonValue value : object["files"].toArray()) {
        const QJsonObject file = value.toObject();
        record.files.append({file["name"].toString(), static_cast<qint64>(file["bytes"].toDouble(-1)),
                             file["sha256"].toString().toLatin1()});
    }
    const QJsonObject upload = object["upload"].toObject();
    record.upload.state =
        byName<Upload::State>(uploadNames, upload["state"].toString()).value_or(Upload::State::notChosen);
    record.upload.server = upload["server"].toString();
    record.upload.sha256 = upload["sha256"].toString().toLatin1();
    const QJsonObject receipt = upload["receipt"].toObject();
    record.upload.receiptStatus = receipt["status"].toInt();
    record.upload.receiptSha256 = receipt["sha256"].toString().toLatin1();
    record.upload.receiptTime = parseTime(receipt["time"].toString());
    record.recovery = object["recovery"].toObject();
    record.details = object;
    for (const char* key : {"format", "gameId", "participantId", "start", "end", "lengthMs", "ending", "answers",
                            "files", "upload", "recovery"}) {
        record.details.remove(key);
    }
    return record;
}

std::optional<SessionRecord> SessionRecord::read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    // A record is small; anything far larger is not one.
    if (file.size() > 64 * 1024 * 1024) {
        fail(error, "too large for a session record");
        return std::nullopt;
    }
    return fromBytes(file.readAll(), error);
}
