#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

// The learning method's decisions in one game, one row per judged period (and one for the
// parameters it starts with): what it saw, where it stood, what it changed and when the change
// reached the game. Written by the module's thread, completed by the window's, read for the record.
class DecisionLog {
public:
    struct Change {
        QString parameter;
        // Nothing where the value was not set by the method before.
        std::optional<int> from;
        int to = 0;
    };

    struct Row {
        // "start" for the parameters a method begins with, "period" for a judged period.
        QString kind;
        // Milliseconds since the game started, on the program clock.
        double timeMs = 0.0;
        QDateTime time;
        QJsonObject inputs;
        QJsonObject stateBefore;
        QJsonObject stateAfter;
        QList<Change> changes;
        // When the window applied the changes; nothing while pending or when nothing changed.
        std::optional<double> reachedMs;
    };

    using Calendar = std::function<QDateTime()>;
    // Where a row's UTC time comes from (the system's calendar unless set, while no game runs).
    void setCalendar(Calendar calendar);

    // A new game: method is the learning method at work ("none" at a fixed difficulty); times are
    // counted from originMs on the program clock.
    void reset(const QString& method, double originMs);
    // Program clock milliseconds; the row's time is made relative here.
    void add(Row row, double atMs);
    // The window applied what the method last asked for.
    void reached(double atMs);

    QString method() const;
    QList<Row> rows() const;
    double originMs() const;

    QJsonObject toJson() const;
    static QList<Row> rowsFromJson(const QJsonObject& decisions);
    static QJsonObject rowToJson(const Row& row);

private:
    mutable std::mutex lock;
    Calendar calendar;
    QString method_ = "none";
    double origin = 0.0;
    QList<Row> rows_;
};
