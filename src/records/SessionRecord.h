#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// What a saved game's "session<T>.json" holds beside its statistics and info files: who played,
// with what program and settings, how the game ended, and the checksums of its data as written
// and as the server confirmed them.
class SessionRecord {
public:
    static constexpr int formatVersion = 1;

    enum class Ending { unknown, timeUp, newGame, windowClosed, recovered };

    struct Answer {
        // "before" or "after" the game.
        QString when;
        QString text;
        QDateTime time;
    };

    struct File {
        QString name;
        qint64 bytes = 0;
        // Lower-case hex SHA-256.
        QByteArray sha256;
    };

    struct Upload {
        enum class State { notChosen, queued, confirmed, sentWithoutReceipt };
        State state = State::notChosen;
        QString server;
        // Of the game's streams as this program sends them.
        QByteArray sha256;
        // The server's receipt, once it came.
        int receiptStatus = 0;
        QByteArray receiptSha256;
        QDateTime receiptTime;
    };

    QString gameId;
    QString participantId;
    QDateTime start;
    QDateTime end;
    qint64 lengthMs = -1;
    Ending ending = Ending::unknown;
    QList<Answer> answers;
    QList<File> files;
    Upload upload;
    // For a recovered game: what the journal showed of how far it got.
    QJsonObject recovery;
    // Program, machine, level, settings, learning method and seeds, as the recorder wrote them.
    QJsonObject details;

    static QString fileName(qint64 time);
    static QString endingName(Ending ending);
    static QString uploadStateName(Upload::State state);

    QJsonObject toJson() const;
    QByteArray toBytes() const;
    // Nothing, with the reason in error, when the text is no record of a known format.
    static std::optional<SessionRecord> fromBytes(const QByteArray& bytes, QString* error = nullptr);
    static std::optional<SessionRecord> fromJson(const QJsonObject& object, QString* error = nullptr);
    static std::optional<SessionRecord> read(const QString& path, QString* error = nullptr);

    // Times in records: UTC, ISO 8601 with milliseconds.
    static QString timeText(const QDateTime& time);
    static QDateTime parseTime(const QString& text);
};
