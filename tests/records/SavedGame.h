#pragma once

#include "game/GameReport.h"
#include "learning/DataFiles.h"
#include "learning/DataLines.h"
#include "learning/LineList.h"
#include "records/DecisionLog.h"
#include "records/FrameTiming.h"
#include "records/SessionRecord.h"
#include "support/RecordingProgress.h"

#include <QDir>
#include <QFile>
#include <QUuid>

// A game saved the way the game saves one, with statistics, coordinates and a session record
// holding decisions and frame timing.
struct SavedGame {
    int periods = 3;
    int samples = 5;
    bool coordinates = true;
    QString before = "pain level: 3.0, stiffness level: 4.0";
    QString after = "pain level: 2.0, stiffness level: 1.5";
    qint64 time = 1700000000;

    SessionRecord record;
    QList<PeriodStats> written;

    // Writes the files; returns the T they were saved under.
    qint64 save(const QDir& folder) {
        LineList stats;
        DecisionLog decisions;
        decisions.reset("classical", 0.0);
        for (int i = 0; i < periods; ++i) {
            written.append({5000.0 * i, 5000.0, 1.5, 10 + i, 4 + i % 3, i % 2, 8 - i, 2 + i, 0.25 + 0.01 * i,
                            1800.0 + i});
            stats.append(DataLines::statistics(written.last(), 0));
            decisions.add(
                {.kind = "period",
                 .inputs = {{"shots", 10 + i}, {"hits", 4 + i % 3}, {"missed", i % 2}, {"pm1", i % 2}},
                 .stateBefore = {{"level", 2 + i}},
                 .stateAfter = {{"level", 3 + i}},
                 .changes = {{"weaponsSpeed", 8 - i, 7 - i}}},
                5000.0 * (i + 1));
            decisions.reached(5000.0 * (i + 1) + 9);
        }
        LineList info;
        GameReport::Facts facts{.groupName = "group",
                                .savedOn = QDateTime(QDate(2026, 12, 5), QTime(17, 3, 4)),
                                .questionnaire = before,
                                .gameLevel = 3};
        QStringList report = GameReport::compose(facts, QLocale::c());
        report[0] += "\nBefore " + after;
        for (const QString& line : report) {
            info.append(line.toUtf8());
        }
        for (int s = 0; s < samples; ++s) {
            CoordinatesLine line;
            line.begin(1000.0 + 10 * s, 1.0, 0.5 + 0.001 * s, 0.95);
            // Two targets in each sample; a hit mark joins every third one.
            for (int t = 0; t < 2; ++t) {
                line.addObject(QString("t%1").arg(t, 4, 10, QChar('0')), 0.1 * t, 0.01 * s, 0.03);
            }
            if (s % 3 == 2) {
                line.addText(u" t0000 hit");
            }
            info.append(line.take());
        }
        record.gameId = QUuid::createUuid().toString(QUuid::WithoutBraces);
        record.start = QDateTime(QDate(2026, 12, 5), QTime(16, 3, 4), Qt::UTC);
        record.end = record.start.addSecs(15);
        record.lengthMs = 15000;
        record.ending = SessionRecord::Ending::timeUp;
        record.answers = {{"before", before, record.start}, {"after", after, record.end}};
        record.details["level"] = QJsonObject{{"number", 3}, {"name", "Time Attack 1"}, {"difficulty", 0}};
        if (!record.details.contains("settings")) {
            record.details["settings"] = QJsonObject{{"Weapons Speed", "5"}};
        }
        record.details["decisions"] = decisions.toJson();
        std::vector<FrameTiming::Frame> frames;
        for (int f = 0; f < 100 * periods; ++f) {
            frames.push_back({50.0 * f, f % 10 == 0 ? 30.0 : 10.0, 10.0f, false});
        }
        record.details["frameTiming"] = FrameTiming::toJson(FrameTiming::summarise(frames, 5000.0));
        RecordingProgress progress;
        const DataFiles::Result result =
            DataFiles(folder).write(time, stats, info, coordinates, "Saving ", progress, &record);
        return result.ok() ? result.time : -1;
    }
};

// Flips one bit of the file at `at`.
inline bool corrupt(const QString& path, qint64 at) {
    QFile file(path);
    char c = 0;
    return file.open(QIODevice::ReadWrite) && file.seek(at) && file.getChar(&c) && file.seek(at) &&
           file.putChar(static_cast<char>(c ^ 0x01));
}
