#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <functional>

// One place of a best-score table as the server keeps it.
struct ServerScore {
    QString name = QStringLiteral("-");
    qint32 score = -1;  // negative: an empty place
    qint32 unique = -1; // -1: not yet given a number by the server

    bool isEmpty() const { return score < 0; }
    bool operator==(const ServerScore&) const = default;
};

using ServerTable = std::array<ServerScore, 10>;

constexpr int tableCount = 132; // game level 0..10 x difficulty index 0..11
constexpr int maxNameLength = 255;
// Every client deletes a stored score above this as damaged, so the server never keeps one.
constexpr qint32 maxScore = 16777215;

// Merges a client's version of a table into the stored one. Entries sharing a unique number
// are one entry (the higher score wins); empty places go; the best ten by score remain, equal
// scores in stored order, stored before uploaded. Numbers the server cannot have issued (<= 0 or
// above lastIssued) count as new: such entries, if they survive, get a number from newUnique. So
// does an uploaded entry whose number the server holds under another name (namesByNumber: every
// stored entry's number and name), so that nobody can rename someone else's entry. Scores above
// maxScore are dropped.
ServerTable mergeScoreTables(const ServerTable& stored, const ServerTable& uploaded, qint32 lastIssued,
                             const std::function<qint32()>& newUnique,
                             const QHash<qint32, QString>& namesByNumber = {});

// The number and name of every entry of the tables.
QHash<qint32, QString> namesByNumber(const QList<ServerTable>& tables);

// Names arrive as bytes: UTF-8 when valid, else read as Latin-1, cut to maxNameLength.
QString nameFromWire(const QByteArray& bytes);
