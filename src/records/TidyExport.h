#pragma once

#include "records/GameReading.h"

#include <QDir>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Writes games in long format for R and pandas: games.csv, periods.csv, samples.csv,
// decisions.csv and frames.csv (RFC 4180, UTF-8, a header row, '.' decimals, ISO 8601 UTC times).
// Files that do not match their record's checksums are still written, their rows flagged.
class TidyExport {
public:
    static const QStringList fileNames;

    explicit TidyExport(QDir out);
    ~TidyExport();

    // Creates the files with their header rows; false with the reason when one cannot be made.
    bool open(QString* error);
    // Reads one game and writes its rows; samples go straight to their file. Returns what was read.
    GameReading::Game add(const GameReading::Sources& sources);
    // Every game of a folder, newest first; the next game is read and checksummed on another
    // thread while one is written. each hears of every game read.
    void addFolder(const QDir& folder, const std::function<void(const GameReading::Game&)>& each = {});
    // Writes the games' rows (with the settings that differ between them) and closes every file.
    bool finish(QString* error);

    int games() const { return static_cast<int>(gameRows.size()); }
    int mismatches() const { return mismatchCount; }

private:
    class Csv;
    struct GameRow {
        QStringList fields;
        QJsonObject settings;
    };

    void writePeriods(const GameReading::Game& game, const QByteArray& id, const QByteArray& verified);
    void writeDecisions(const GameReading::Game& game, const QByteArray& id, const QByteArray& verified);
    void writeFrames(const GameReading::Game& game, const QByteArray& id);
    GameRow gameRow(const GameReading::Game& game) const;

    QDir out;
    std::unique_ptr<Csv> games_;
    std::unique_ptr<Csv> periods;
    std::unique_ptr<Csv> samples;
    std::unique_ptr<Csv> decisions;
    std::unique_ptr<Csv> frames;
    QList<GameRow> gameRows;
    int mismatchCount = 0;
};
