#include "records/DecisionLog.h"

#include "records/SessionRecord.h"

void DecisionLog::setCalendar(Calendar newCalendar) {
    std::lock_guard guard(lock);
    calendar = std::move(newCalendar);
}

void DecisionLog::reset(const QString& method, double originMs) {
    std::lock_guard guard(lock);
    method_ = method;
    origin = originMs;
    rows_.clear();
}

void DecisionLog::add(Row row, double atMs) {
    std::lock_guard guard(lock);
    row.timeMs = atMs - origin;
    if (!row.time.isValid()) {
        row.time = calendar ? calendar() : QDateTime::currentDateTimeUtc();
    }
    rows_.append(row);
}

void DecisionLog::reached(double atMs) {
    std::lock_guard guard(lock);
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
        if (it->reachedMs) {
            break;
        }
        if (!it->changes.isEmpty()) {
            it->reachedMs = atMs - origin;
        }
    }
}

QString DecisionLog::method() const {
    std::lock_guard guard(lock);
    return method_;
}

QList<DecisionLog::Row> DecisionLog::rows() const {
    std::lock_guard guard(lock);
    return rows_;
}

double DecisionLog::originMs() const {
    std::lock_guard guard(lock);
    return origin;
}

QJsonObject DecisionLog::rowToJson(const Row& row) {
    QJsonArray changes;
    for (const Change& change : row.changes) {
        changes.append(QJsonObject{{"parameter", change.parameter},
                                   {"from", change.from ? QJsonValue(*change.from) : QJsonValue()},
                                   {"to", change.to}});
    }
    return QJsonObject{{"kind", row.kind},
                       {"timeMs", qRound64(row.timeMs)},
                       {"time", SessionRecord::timeText(row.time)},
                       {"inputs", row.inputs},
                       {"stateBefore", row.stateBefore},
                       {"stateAfter", row.stateAfter},
                       {"decision", changes.isEmpty() ? QJsonValue("unchanged") : QJsonValue(changes)},
                       {"reachedMs", row.reachedMs ? QJsonValue(qRound64(*row.reachedMs)) : QJsonValue()}};
}

QJsonObject DecisionLog::toJson() const {
    std::lock_guard guard(lock);
    QJsonArray rows;
    for (const Row& row : rows_) {
        rows.append(rowToJson(row));
    }
    return QJsonObject{{"method", method_}, {"rows", rows}};
}

QList<DecisionLog::Row> DecisionLog::rowsFromJson(const QJsonObject& decisions) {
    QList<Row> rows;
    for (const QJsonValue value : decisions["rows"].toArray()) {
        const QJsonObject object = value.toObject();
        Row row;
        row.kind = object["kind"].toString();
        row.timeMs = object["timeMs"].toDouble();
        row.time = SessionRecord::parseTime(object["time"].toString());
        row.inputs = object["inputs"].toObject();
        row.stateBefore = object["stateBefore"].toObject();
        row.stateAfter = object["stateAfter"].toObject();
        for (const QJsonValue changeValue : object["decision"].toArray()) {
            const QJsonObject change = changeValue.toObject();
            Change c;
            c.parameter = change["parameter"].toString();
            if (change["from"].isDouble()) {
                c.from = change["from"].toInt();
            }
            c.to = change["to"].toInt();
            row.changes.append(c);
        }
        if (object["reachedMs"].isDouble()) {
            row.reachedMs = object["reachedMs"].toDouble();
        }
        rows.append(row);
    }
    return rows;
}
