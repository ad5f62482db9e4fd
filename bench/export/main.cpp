// The export of a thousand games of 30 s with coordinates (about 100 samples a second, a few
// targets and a gun on the field), from files made the way the game saves them.
// build/bench/export [games]
#include "game/GameReport.h"
#include "learning/DataFiles.h"
#include "learning/DataLines.h"
#include "learning/LineList.h"
#include "net/ProgressLines.h"
#include "records/TidyExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>

namespace {
struct NoProgress : ProgressLines {
    void addLine(const QString&) override {}
    void replaceLastLine(const QString&) override {}
};

void saveGame(const QDir& folder, qint64 time, int number) {
    LineList stats;
    for (int p = 0; p < 6; ++p) {
        PeriodStats period;
        period.periodStart = 5000.0 * p;
        period.periodLength = 5000.0;
        period.shots = 10 + p;
        period.hits = 5;
        period.missed = p % 3;
        period.weaponsSpeed = 7;
        period.shapesSpeed = 3;
        period.shapesFrequency = 1.0;
        period.avgHitDistance = 0.3;
        period.avgHitTime = 1500.0;
        stats.append(DataLines::statistics(period, 0));
    }
    LineList info;
    GameReport::Facts facts;
    facts.groupName = "bench";
    for (const QString& line : GameReport::compose(facts, QLocale::c())) {
        info.append(line.toUtf8());
    }
    for (int s = 0; s < 3000; ++s) {
        CoordinatesLine line;
        line.begin(10.0 * s, 1.0, 0.5 + 0.0001 * s, 0.95);
        for (int t = 0; t < 4; ++t) {
            line.addObject(QString("t%1").arg((s / 500) * 4 + t, 4, 10, QChar('0')), 0.2 * t + 0.0001 * s,
                           0.0003 * (s % 500), 0.03);
        }
        line.addObject(u"g0001", 0.5, 0.9 - 0.001 * (s % 500), 0.01);
        info.append(line.take());
    }
    SessionRecord record;
    record.gameId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.start = QDateTime::currentDateTimeUtc();
    record.details["settings"] = QJsonObject{{"game", number % 2}};
    NoProgress progress;
    DataFiles(folder).write(time, stats, info, true, "Saving ", progress, &record);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int games = argc > 1 ? std::max(1, QString(argv[1]).toInt()) : 1000;
    QTemporaryDir dir;
    QDir folder(dir.filePath("games"));
    folder.mkpath(".");
    std::printf("making %d games of 30 s with coordinates...\n", games);
    std::fflush(stdout);
    // One game written, the rest copied: the export reads them all the same.
    saveGame(folder, 1700000000, 0);
    qint64 bytes = 0;
    for (const QString& name : {"stats", "info", "session"}) {
        const QString suffix = name == QString("session") ? ".json" : ".txt";
        const QString source = folder.filePath(name + "1700000000" + suffix);
        bytes += QFileInfo(source).size();
        for (int i = 1; i < games; ++i) {
            QFile::copy(source, folder.filePath(name + QString::number(1700000000 + i) + suffix));
        }
    }
    QElapsedTimer timer;
    timer.start();
    TidyExport exporter{QDir(dir.filePath("csv"))};
    QString error;
    if (!exporter.open(&error)) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    exporter.addFolder(folder);
    if (!exporter.finish(&error)) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    const double seconds = timer.elapsed() / 1000.0;
    const qint64 samples = QFileInfo(dir.filePath("csv/samples.csv")).size();
    std::printf("%d games (%.1f MB each) exported in %.2f s, samples.csv %.0f MB; goal for 1000 games < 10 s: %s\n",
                exporter.games(), bytes / 1e6, seconds, samples / 1e6,
                games >= 1000 ? (seconds < 10.0 ? "met" : "not met") : "not measured (fewer games)");
    return 0;
}
