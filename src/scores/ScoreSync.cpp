#include "scores/ScoreSync.h"

#include "net/Connection.h"
#include "net/ProgressLines.h"
#include "net/Wire.h"
#include "scores/BestScoreTableSet.h"

#include <array>

namespace {
using namespace BestScores;

struct Place {
    QByteArray name;
    int score = emptyScore;
    int uniqueNumber = unsynchronized;
};

void sendTable(Connection& connection, const BestScoreTable& table) {
    for (int i = 0; i < placeCount; ++i) {
        connection.sendString(table.names[i].toUtf8());
        connection.sendInteger(table.scores[i]);
        connection.sendInteger(table.uniqueNumbers[i]);
    }
}

// Nothing is taken unless the whole table arrived.
bool receiveTable(Connection& connection, BestScoreTable& table) {
    std::array<Place, placeCount> places;
    for (Place& place : places) {
        place.name = connection.receiveString();
        place.score = connection.receiveInteger();
        place.uniqueNumber = connection.receiveInteger();
    }
    if (connection.isLost()) {
        return false;
    }
    for (int i = 0; i < placeCount; ++i) {
        table.names[i] = QString::fromUtf8(places[i].name);
        table.scores[i] = places[i].score;
        table.uniqueNumbers[i] = places[i].uniqueNumber;
    }
    return true;
}

QString percentage(double value) {
    return QString::asprintf("Synchronizing %i%%", static_cast<int>(value));
}
} // namespace

bool ScoreSync::run(BestScoreTableSet& tables, Connection& connection, ProgressLines& progress,
                    const QString& participantId) {
    if (!participantId.isEmpty()) {
        connection.sendInteger(Protocol::syncClaim);
        connection.sendString(participantId.toUtf8());
    }
    progress.addLine("Requesting schore synchronization..");
    connection.sendInteger(Wire::synchronize);
    progress.addLine("Determining changes..");
    const qint32 flagCount = connection.receiveInteger();
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
    {
        const SettingsStore::Batch oneWrite = tables.batch();
        for (int t = 0; t < tableCount; ++t) {
            BestScoreTable& table = *tables.table(t);
            if (table.changed && receiveTable(connection, table)) {
                tables.save(t / difficultyIndexCount, t % difficultyIndexCount);
            }
            if ((t + 1) % difficultyIndexCount == 0) {
                progress.replaceLastLine(percentage(50 + (t + 1) * 50.0 / tableCount));
            }
        }
    }
    progress.replaceLastLine("Synchronizing 100%");
    const bool complete = !connection.isLost();
    if (complete && !participantId.isEmpty()) {
        // Only now, with the tables stored, may the server forget what it merged for us.
        connection.sendInteger(Protocol::syncReceived);
        connection.flush();
    }
    connection.close();
    return complete;
}
