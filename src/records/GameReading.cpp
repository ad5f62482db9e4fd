#include "records/GameReading.h"

#include "protocol/Sha256.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>

namespace GameReading {
namespace {

// Data files beyond this are not ours; reading them would only exhaust memory.
constexpr qint64 largestFile = 2LL * 1024 * 1024 * 1024;

QByteArrayView trimmedLine(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n')) {
        line.chop(1);
    }
    return line;
}

// Calls each(line, number) for every line; returns whether the text ended with a line end.
template <typename Each> bool forEachLine(const QByteArray& text, Each each) {
    const char* at = text.constData();
    const char* const end = at + text.size();
    int number = 0;
    while (at < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const char* stop = lineEnd != nullptr ? lineEnd : end;
        ++number;
        if (!each(trimmedLine(QByteArrayView(at, stop - at)), number)) {
            return true;
        }
        if (lineEnd == nullptr) {
            return false;
        }
        at = lineEnd + 1;
    }
    return true;
}

template <typename Number> bool readNumber(QByteArrayView text, Number& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last && first != last;
}

bool isNumberText(QByteArrayView text) {
    double value = 0.0;
    return readNumber(text, value);
}

// Splits on single blanks; empty pieces (two blanks) make the line no line of ours.
int splitBlanks(QByteArrayView line, QByteArrayView* pieces, int capacity) {
    int count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ' ') {
            if (count == capacity) {
                return -1;
            }
            pieces[count++] = line.sliced(start, i - start);
            start = i + 1;
        }
    }
    return count;
}

QString text(QByteArrayView bytes) {
    return QString::fromUtf8(bytes.data(), bytes.size());
}

void verify(Game& game, const Sources& sources) {
    if (!game.record) {
        return;
    }
    game.verification = Verification::verified;
    for (const SessionRecord::File& file : game.record->files) {
        const std::optional<QByteArray>* bytes = nullptr;
        const QByteArray* ahead = nullptr;
        if (file.name.startsWith("stats")) {
            bytes = &sources.stats;
            ahead = &sources.statsSha256;
        } else if (file.name.startsWith("info")) {
            bytes = &sources.info;
            ahead = &sources.infoSha256;
        }
        QString why;
        if (bytes == nullptr) {
            continue;
        }
        if (!bytes->has_value()) {
            why = QString("%1 is listed in its record but missing").arg(file.name);
        } else if ((*bytes)->size() != file.bytes) {
            why = QString("%1 has %2 bytes, its record says %3").arg(file.name).arg((*bytes)->size()).arg(file.bytes);
        } else if ((ahead->isEmpty() ? Sha256::hexOf(**bytes) : *ahead) !=
                   file.sha256.toLower()) {
            why = QString("%1 does not match the checksum in its record").arg(file.name);
        }
        if (!why.isEmpty()) {
            game.verification = Verification::mismatch;
            game.mismatchedFiles.append(file.name);
            game.problems.append(why);
        }
    }
}

void readReportLine(QByteArrayView line, Report& report) {
    static const QRegularExpression versionLine(
        "^Game version: (.*), level: (-?\\d+), difficulty: (-?\\d+), one shot at a time: (.*)$");
    static const QRegularExpression paddleLine(
        "^Vulnerable paddle: (.*), free paddle: (.*), mouse sensitivity: (.*), orientation: (.*)$");
    static const QRegularExpression groupLine("^Group Name: (.*), saved on (.*)$");
    static const QRegularExpression objectLine("^Object used to play the game: (-?\\d+), (.*)$");
    const QString whole = text(line);
    if (whole.startsWith("Before ")) {
        report.answersAfterGame = whole.mid(7);
    } else if (whole.startsWith("After ")) {
        report.answersBeforeGame = whole.mid(6);
    } else if (const QRegularExpressionMatch m = groupLine.match(whole); m.hasMatch()) {
        report.groupName = m.captured(1);
        report.savedOn = m.captured(2);
    } else if (const QRegularExpressionMatch m = versionLine.match(whole); m.hasMatch()) {
        report.version = m.captured(1);
        report.level = m.captured(2).toInt();
        report.difficulty = m.captured(3).toInt();
        report.oneShot = m.captured(4);
    } else if (const QRegularExpressionMatch m = paddleLine.match(whole); m.hasMatch()) {
        report.vulnerablePaddle = m.captured(1);
        report.freePaddle = m.captured(2);
        report.mouseSensitivity = m.captured(3);
        report.orientation = m.captured(4);
    } else if (const QRegularExpressionMatch m = objectLine.match(whole); m.hasMatch()) {
        report.objectIndex = m.captured(1).toInt();
        report.objectName = m.captured(2);
    }
}

// The lines of a file that could not be read, and a last line cut off.
void noteBadLines(Game& game, const QString& name, const char* kind, int bad, int firstBad, bool whole) {
    if (bad == 1) {
        game.problems.append(QString("%1: line %2 is no %3 line").arg(name).arg(firstBad).arg(kind));
    } else if (bad > 1) {
        game.problems.append(
            QString("%1: %2 lines are no %3 lines, the first is line %4").arg(name).arg(bad).arg(kind).arg(firstBad));
    }
    if (!whole) {
        game.problems.append(QString("%1 ends in the middle of a line").arg(name));
    }
}

void readStats(const QByteArray& bytes, const QString& name, Game& game) {
    int bad = 0;
    int firstBad = 0;
    const bool whole = forEachLine(bytes, [&](QByteArrayView line, int number) {
        if (std::optional<Period> period = parsePeriod(line)) {
            game.periods.append(*period);
        } else if (!line.isEmpty()) {
            if (bad++ == 0) {
                firstBad = number;
            }
        }
        return true;
    });
    noteBadLines(game, name, "statistics", bad, firstBad, whole);
}

void readInfo(const QByteArray& bytes, const QString& name, Game& game, const SampleSink& sink) {
    enum class Part { columns, report, samples } part = Part::columns;
    bool sawReport = false;
    int bad = 0;
    int firstBad = 0;
    Sample sample;
    const bool whole = forEachLine(bytes, [&](QByteArrayView line, int number) {
        switch (part) {
        case Part::columns:
            if (line.startsWith("Group Name: ")) {
                part = Part::report;
                sawReport = true;
                readReportLine(line, game.report);
            } else if (line == "Columns in this file:") {
                game.report.coordinates = true;
            }
            break;
        case Part::report:
            if (line.isEmpty()) {
                part = Part::samples;
            } else if (parseSample(line, sample)) {
                // A server that ended the stream at the empty line between them kept no separator.
                part = Part::samples;
                ++game.sampleCount;
                if (sink) {
                    sink(sample);
                }
            } else {
                readReportLine(line, game.report);
            }
            break;
        case Part::samples:
            if (parseSample(line, sample)) {
                ++game.sampleCount;
                if (sink) {
                    sink(sample);
                }
            } else if (!line.isEmpty() && bad++ == 0) {
                firstBad = number;
            }
            break;
        }
        return true;
    });
    if (!sawReport) {
        game.problems.append(QString("%1 has no game report").arg(name));
    }
    noteBadLines(game, name, "coordinates", bad, firstBad, whole);
}

} // namespace

void checksum(Sources& sources) {
    if (sources.stats) {
        sources.statsSha256 = Sha256::hexOf(*sources.stats);
    }
    if (sources.info) {
        sources.infoSha256 = Sha256::hexOf(*sources.info);
    }
}

QString statsName(qint64 time) {
    return QString("stats%1.txt").arg(time);
}

QString infoName(qint64 time) {
    return QString("info%1.txt").arg(time);
}

QString verificationName(Verification verification) {
    switch (verification) {
    case Verification::verified:
        return "yes";
    case Verification::mismatch:
        return "no";
    case Verification::noRecord:
        break;
    }
    return "no record";
}

QString Game::id() const {
    if (record && !record->gameId.isEmpty()) {
        return record->gameId;
    }
    return time >= 0 ? QString("T%1").arg(time) : label;
}

PainStiffness painStiffness(const QString& answers) {
    static const QRegularExpression form("pain level: ([^,]*), stiffness level: (.*)$");
    PainStiffness result;
    const QRegularExpressionMatch m = form.match(answers);
    if (!m.hasMatch()) {
        return result;
    }
    bool ok = false;
    const double pain = m.captured(1).trimmed().toDouble(&ok);
    if (ok) {
        result.pain = pain;
    }
    const double stiffness = m.captured(2).trimmed().toDouble(&ok);
    if (ok) {
        result.stiffness = stiffness;
    }
    return result;
}

std::optional<Period> parsePeriod(QByteArrayView line) {
    QByteArrayView pieces[10];
    if (splitBlanks(line, pieces, 10) != 10) {
        return std::nullopt;
    }
    Period p;
    if (readNumber(pieces[0], p.startMs) && readNumber(pieces[1], p.lengthMs) && readNumber(pieces[2], p.shots) &&
        readNumber(pieces[3], p.hits) && readNumber(pieces[4], p.missed) && readNumber(pieces[5], p.weaponsSpeed) &&
        readNumber(pieces[6], p.shapesSpeed) && readNumber(pieces[7], p.targetsPerSecond) &&
        readNumber(pieces[8], p.avgHitDistance) && readNumber(pieces[9], p.avgHitTime)) {
        return p;
    }
    return std::nullopt;
}

bool parseSample(QByteArrayView line, Sample& sample) {
    sample.items.clear();
    qsizetype at = 0;
    auto next = [&](QByteArrayView& piece) {
        if (at > line.size()) {
            return false;
        }
        qsizetype stop = line.indexOf(' ', at);
        if (stop < 0) {
            stop = line.size();
        }
        piece = line.sliced(at, stop - at);
        at = stop + 1;
        return !piece.isEmpty();
    };
    if (!next(sample.time) || !next(sample.paddleVisibility) || !next(sample.paddleX) || !next(sample.paddleY)) {
        return false;
    }
    qint64 time = 0;
    if (!readNumber(sample.time, time) || !isNumberText(sample.paddleVisibility) || !isNumberText(sample.paddleX) ||
        !isNumberText(sample.paddleY)) {
        return false;
    }
    while (at <= line.size()) {
        SampleItem item;
        if (!next(item.name) || !(item.name[0] >= 'a' && item.name[0] <= 'z')) {
            return false;
        }
        QByteArrayView piece;
        if (!next(piece)) {
            return false;
        }
        if (piece == "hit") {
            item.hit = true;
        } else {
            item.x = piece;
            if (!next(item.y) || !next(item.radius) || !isNumberText(item.x) || !isNumberText(item.y) ||
                !isNumberText(item.radius)) {
                return false;
            }
        }
        sample.items.push_back(item);
    }
    return true;
}

Game read(const Sources& sources, const SampleSink& samples, const GameSink& verified) {
    Game game;
    game.time = sources.time;
    game.label = sources.label;
    game.problems = sources.readErrors;
    const QString stats = sources.time >= 0 ? statsName(sources.time) : QString("the statistics");
    const QString info = sources.time >= 0 ? infoName(sources.time) : QString("the info");
    if (sources.session) {
        QString why;
        game.record = SessionRecord::fromBytes(*sources.session, &why);
        if (!game.record) {
            game.problems.append(QString("%1: %2")
                                     .arg(sources.time >= 0 ? SessionRecord::fileName(sources.time)
                                                            : QString("the session record"),
                                          why));
        }
    }
    // Checked first, so that the rows read after it can carry the verdict.
    verify(game, sources);
    if (verified) {
        verified(game);
    }
    game.hasStats = sources.stats.has_value();
    game.hasInfo = sources.info.has_value();
    if (!game.hasStats) {
        game.problems.append(QString("%1 is missing").arg(stats));
    } else {
        readStats(*sources.stats, stats, game);
    }
    if (!game.hasInfo) {
        game.problems.append(QString("%1 is missing").arg(info));
    } else {
        readInfo(*sources.info, info, game, samples);
    }
    return game;
}

Sources fromStreams(const QString& label, const StoredLines& streams) {
    auto file = [](const std::optional<QList<QByteArray>>& lines, const char* end) -> std::optional<QByteArray> {
        if (!lines) {
            return std::nullopt;
        }
        QByteArray bytes;
        qsizetype size = 0;
        for (const QByteArray& line : *lines) {
            size += line.size() + 2;
        }
        bytes.reserve(size);
        for (const QByteArray& line : *lines) {
            bytes += line;
            bytes += end;
        }
        return bytes;
    };
    Sources sources;
    sources.label = label;
    sources.stats = file(streams.stats, "\r\n");
    sources.info = file(streams.info, "\r\n");
    sources.session = file(streams.session, "\n");
    return sources;
}

QList<Sources> storedGames(const QList<StoredStream>& streams) {
    struct Found {
        QDateTime received;
        StoredLines lines;
        QStringList notes;
        QString label;
    };
    QMap<QString, std::pair<int, Found>> byId;
    QList<Found> unlinked;
    QHash<QString, int> openStats;
    auto place = [](Found& found, const StoredStream& stream) {
        if (!stream.complete) {
            found.notes.append(QString("the %1 stream %2 broke off before its end").arg(stream.kind).arg(stream.id));
        }
        if (!found.received.isValid() || stream.received < found.received) {
            found.received = stream.received;
        }
        if (stream.kind == "stats") {
            found.lines.stats = stream.lines;
        } else if (stream.kind == "info") {
            found.lines.info = stream.lines;
        } else if (stream.kind == "session") {
            found.lines.session = stream.lines;
        }
    };
    for (const StoredStream& stream : streams) {
        if (!stream.gameId.isEmpty() && stream.revision >= 0) {
            auto it = byId.find(stream.gameId);
            if (it == byId.end() || it->first < stream.revision) {
                it = byId.insert(stream.gameId, {stream.revision, Found()});
                it->second.label = QString("game %1 revision %2").arg(stream.gameId).arg(stream.revision);
            }
            if (it->first == stream.revision) {
                place(it->second, stream);
            }
            continue;
        }
        if (stream.kind == "stats") {
            Found found;
            found.label = QString("streams from %1 at %2").arg(stream.client, SessionRecord::timeText(stream.received));
            place(found, stream);
            openStats[stream.client] = static_cast<int>(unlinked.size());
            unlinked.append(found);
        } else if (stream.kind == "info" && openStats.contains(stream.client)) {
            place(unlinked[openStats.take(stream.client)], stream);
        }
    }
    QList<Found> all = unlinked;
    for (const auto& [revision, found] : byId) {
        all.append(found);
    }
    std::stable_sort(all.begin(), all.end(), [](const Found& a, const Found& b) { return a.received > b.received; });
    QList<Sources> games;
    for (const Found& found : all) {
        Sources sources = fromStreams(found.label, found.lines);
        sources.readErrors = found.notes;
        games.append(sources);
    }
    return games;
}

QList<qint64> gameTimes(const QDir& folder) {
    static const QRegularExpression names("^(?:stats|info)(\\d{1,18})\\.txt$|^session(\\d{1,18})\\.json$");
    std::set<qint64> times;
    const QStringList entries = folder.entryList({"stats*.txt", "info*.txt", "session*.json"}, QDir::Files);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch m = names.match(entry);
        if (m.hasMatch()) {
            times.insert((m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).toLongLong());
        }
    }
    return QList<qint64>(times.rbegin(), times.rend());
}

Sources load(const QDir& folder, qint64 time) {
    Sources sources;
    sources.time = time;
    sources.label = folder.absoluteFilePath(statsName(time));
    auto readFile = [&](const QString& name) -> std::optional<QByteArray> {
        QFile file(folder.filePath(name));
        if (!file.exists()) {
            return std::nullopt;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            sources.readErrors.append(QString("%1 cannot be read: %2").arg(name, file.errorString()));
            return std::nullopt;
        }
        if (file.size() > largestFile) {
            sources.readErrors.append(QString("%1 is too large to be a game's file").arg(name));
            return std::nullopt;
        }
        return file.readAll();
    };
    sources.stats = readFile(statsName(time));
    sources.info = readFile(infoName(time));
    sources.session = readFile(SessionRecord::fileName(time));
    return sources;
}

} // namespace GameReading
