#include "scores/ScoreSync.h"

#include "core/Log.h"
#include "net/Connection.h"
#include "net/ProgressLines.h"
#include "net/Wire.h"
#include "scores/BestScoreTableSet.h"

#include <array>
#include <vector>

namespace {
using namespace BestScores;

struct Received {
    int number = 0;
    BestScoreTable::Names names;
    BestScoreTable::Numbers scores{};
    BestScoreTable::Numbers uniqueNumbers{};
};

void sendTable(Connection& connection, const BestScoreTable& table) {
    for (int i = 0; i < placeCount; ++i) {
        connection.sendString(table.names[i].toUtf8());
        connection.sendInteger(table.scores[i]);
        connection.sendInteger(table.uniqueNumbers[i]);
    }
}

// Nothing is taken unless the whole table arrived and passes the checks of a stored table.
std::optional<Received> receiveTable(Connection& connection, int number) {
    Received table;
    table.number = number;
    for (int i = 0; i < placeCount; ++i) {
        table.names[i] = QString::fromUtf8(connection.receiveString());
        table.scores[i] = connection.receiveInteger();
        table.uniqueNumbers[i] = connection.receiveInteger();
    }
    if (connection.isLost()) {
        return std::nullopt;
    }
    if (const std::optional<QString> problem = BestScoreTable::fault(table.names, table.scores, table.uniqueNumbers)) {
        appendLog(QString("Best-score table %1 from the server was refused, the stored one is kept: %2.")
                      .arg(number)
                      .arg(*problem));
        return std::nullopt;
    }
    return table;
}

QString percentage(double value) {
    return QString::asprintf("Synchronizing %i%%", static_cast<int>(value));
}
} // namespace

bool ScoreSync::run(BestScoreTableSet& tables, Connection& connection, ProgressLines& progress,
                    const QString& participantId, QString* refusal) {
    connection.startDeadline(deadlineMs);
    connection.setCancelCheck([&progress] { return progress.cancelRequested(); });
    connection.limitReceiving(maxReceivedBytes);
    if (!participantId.isEmpty()) {
        connection.sendInteger(Protocol::syncClaim);
        connection.sendString(participantId.toUtf8());
    }
    progress.addLine("Requesting schore synchronization..");
    connection.sendInteger(Wire::synchronize);
    progress.addLine("Determining changes..");
    const qint32 flagCount = connection.receiveInteger();
    if (flagCount == Protocol::syncRefusedFlagCount && !participantId.isEmpty()) {
        const QString why = QString::fromUtf8(connection.receiveString());
        connection.close();
        connection.setCancelCheck({});
        if (refusal != nullptr) {
            *refusal = why.isEmpty() ? QString("The score server refused the synchronization.") : why;
        }
        return false;
    }
    for (int t = 0; t < tableCount; ++t) {
        tables.table(t)->changed = t < flagCount && connection.receiveInteger() != 0;
    }
    for (qint32 surplus = tableCount; surplus < flagCount && !connection.isLost(); ++surplus) {
        connection.receiveInteger();
    }
    progress.addLine("Synchronizing 0%");
    for (int t = 0; t < tableCount; ++t) {
        if (tables.table(t)->changed) {
            connection.sendInteger(Wire::uploadTable);
            connection.sendInteger(t);
            sendTable(connection, *tables.table(t));
        }
        if ((t + 1) % difficultyIndexCount == 0) {
            progress.replaceLastLine(percentage((t + 1) * 50.0 / tableCount));
        }
    }
    connection.sendInteger(Wire::end);
    std::vector<Received> received;
    for (int t = 0; t < tableCount; ++t) {
        if (tables.table(t)->changed) {
            if (std::optional<Received> table = receiveTable(connection, t)) {
                received.push_back(std::move(*table));
            }
        }
        if ((t + 1) % difficultyIndexCount == 0) {
            progress.replaceLastLine(percentage(50 + (t + 1) * 50.0 / tableCount));
        }
    }
    progress.replaceLastLine("Synchronizing 100%");
    const bool complete = !connection.isLost();
    const int error = connection.lastError();
    // A server that broke off mid-way was merely lost; one that was stopped is not trusted at all.
    if (!complete && (error == Connection::cancelled || error == Connection::timedOut)) {
        connection.close();
        connection.setCancelCheck({});
        progress.addLine(Connection::errorText(error).section('\n', 0, 0));
        return false;
    }
    {
        const SettingsStore::Batch oneWrite = tables.batch();
        for (const Received& table : received) {
            BestScoreTable& kept = *tables.table(table.number);
            kept.names = table.names;
            kept.scores = table.scores;
            kept.uniqueNumbers = table.uniqueNumbers;
            tables.save(table.number / difficultyIndexCount, table.number % difficultyIndexCount);
        }
    }
    if (complete && !participantId.isEmpty()) {
        // Only now, with the tables stored, may the server forget what it merged for us.
        connection.sendInteger(Protocol::syncReceived);
    }
    connection.close();
    connection.setCancelCheck({});
    return complete;
}
