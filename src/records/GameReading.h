#pragma once

#include "records/SessionRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// Reads saved games back: the statistics and info files and the session record, from a folder or
// from the bytes a server stored. One reader for every tool that looks at results, so that a fault
// in the files is described the same way everywhere and nothing parses them a second time.
namespace GameReading {

// One statistics line.
struct Period {
    qint64 startMs = 0;
    qint64 lengthMs = 0;
    int shots = 0;
    int hits = 0;
    int missed = 0;
    int weaponsSpeed = 0;
    int shapesSpeed = 0;
    double targetsPerSecond = 0.0;
    double avgHitDistance = 0.0;
    double avgHitTime = 0.0;
};

// What the head of an info file says about the game.
struct Report {
    QString groupName;
    QString savedOn;
    // The questionnaire texts: "Before " holds the answers given after the game, "After " those
    // given before it; each "pain level: X, stiffness level: Y".
    QString answersAfterGame;
    QString answersBeforeGame;
    QString version;
    int level = -1;
    int difficulty = -1;
    QString oneShot;
    QString vulnerablePaddle;
    QString freePaddle;
    QString mouseSensitivity;
    QString orientation;
    int objectIndex = -1;
    QString objectName;
    bool coordinates = false;
};

// A questionnaire text as numbers; nothing for "n/a" or text of another form.
struct PainStiffness {
    std::optional<double> pain;
    std::optional<double> stiffness;
};
PainStiffness painStiffness(const QString& answers);

// One coordinates line, its numbers kept as written (views into the line, valid while it is).
// Items are objects with coordinates, or hit marks (name only).
struct SampleItem {
    QByteArrayView name;
    QByteArrayView x;
    QByteArrayView y;
    QByteArrayView radius;
    bool hit = false;
};
struct Sample {
    QByteArrayView time;
    QByteArrayView paddleVisibility;
    QByteArrayView paddleX;
    QByteArrayView paddleY;
    std::vector<SampleItem> items;
};

// Whether the files match the checksums their record gives.
enum class Verification { noRecord, verified, mismatch };
QString verificationName(Verification verification);

// The files of one game as stored: any of them may be missing.
struct Sources {
    qint64 time = -1;
    QString label;
    std::optional<QByteArray> stats;
    std::optional<QByteArray> info;
    std::optional<QByteArray> session;
    // Where a file could not be read at all.
    QStringList readErrors;
    // Lower-case hex SHA-256 of stats and info, when worked out ahead (see checksum).
    QByteArray statsSha256;
    QByteArray infoSha256;
};

// Works out the files' checksums now, so that another thread can do it while a game is read.
void checksum(Sources& sources);

struct Game {
    qint64 time = -1;
    QString label;
    bool hasStats = false;
    bool hasInfo = false;
    std::optional<SessionRecord> record;
    QList<Period> periods;
    Report report;
    int sampleCount = 0;
    Verification verification = Verification::noRecord;
    // Per file name ("stats<T>.txt"), whether it matched its recorded checksum.
    QStringList mismatchedFiles;
    // Everything found wrong, each a short sentence naming the file.
    QStringList problems;

    // The id of the game: the record's, or the file time for games saved without one.
    QString id() const;
    bool damaged() const { return !problems.isEmpty(); }
};

using SampleSink = std::function<void(const Sample&)>;

// Reads a game from its bytes. Samples go to the sink, when one is given, in file order; without
// one they are only counted. The game's checksums are verified before any sample is read.
using GameSink = std::function<void(const Game&)>;
Game read(const Sources& sources, const SampleSink& samples = {}, const GameSink& verified = {});

// One coordinates line into sample (its items are replaced); false when it is not one.
bool parseSample(QByteArrayView line, Sample& sample);
// One statistics line; nothing when it is not one.
std::optional<Period> parsePeriod(QByteArrayView line);

// The games in a folder, by the T of their file names, newest first. Reading their bytes is left
// to load, so that a caller can report progress and stop.
QList<qint64> gameTimes(const QDir& folder);
Sources load(const QDir& folder, qint64 time);

// A game as a server stores it: its streams' lines (each sent as one string, without its line
// end). The files are rebuilt as the game writes them, CR LF after every line, so that their
// record's checksums hold for an unchanged upload; the record's lines are joined as they were split.
struct StoredLines {
    std::optional<QList<QByteArray>> stats;
    std::optional<QList<QByteArray>> info;
    std::optional<QList<QByteArray>> session;
};
Sources fromStreams(const QString& label, const StoredLines& streams);

// One stream as a server's database holds it.
struct StoredStream {
    qint64 id = 0;
    QString kind;
    QString client;
    QDateTime received;
    QList<QByteArray> lines;
    bool complete = false;
    // Empty, with revision -1, for a stream sent without a game id (by an older client).
    QString gameId;
    int revision = -1;
};
// The games among a server's streams, newest first: those with an id from their latest revision's
// streams; older uploads without an id pair a statistics stream with the info stream the same
// client sent next. Streams that broke off are read as far as they came, and said so.
QList<Sources> storedGames(const QList<StoredStream>& streams);

QString statsName(qint64 time);
QString infoName(qint64 time);

} // namespace GameReading
