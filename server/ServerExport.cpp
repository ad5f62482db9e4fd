#include "server/ServerExport.h"

#include "records/GameReading.h"
#include "records/TidyExport.h"
#include "server/ServerDatabase.h"
#include "server/ScoreServer.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {
// What the exporter reads of a stored stream.
template <typename Stored> GameReading::StoredStream readable(const Stored& stream) {
    GameReading::StoredStream out;
    out.id = stream.id;
    out.kind = stream.kind;
    out.client = stream.client;
    out.received = stream.received;
    out.lines = stream.lines;
    out.complete = stream.complete;
    // A database that links streams to their game by id says so in these fields.
    if constexpr (requires { stream.gameId; stream.gameRevision; }) {
        out.gameId = stream.gameId;
        out.revision = stream.gameRevision;
    }
    return out;
}
} // namespace

std::optional<int> runExportIfAsked(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--export"));
    if (at < 0) {
        return std::nullopt;
    }
    QTextStream err(stderr);
    if (at + 1 >= arguments.size() || arguments[at + 1].startsWith(QLatin1String("--"))) {
        err << "vazazo-server: --export needs the folder to write the CSV files into\n";
        return 2;
    }
    const QString folder = arguments[at + 1];
    QString spec = ServerConfig().database;
    const qsizetype db = arguments.indexOf(QStringLiteral("--db"));
    if (db >= 0 && db + 1 < arguments.size()) {
        spec = arguments[db + 1];
    }
    // Opening a database that is not there would make an empty one.
    if (!spec.startsWith(QLatin1String("postgresql://")) && !QFileInfo::exists(spec)) {
        err << "vazazo-server: there is no database " << spec << '\n';
        return 2;
    }
    ServerDatabase database;
    QString error;
    if (!database.open(spec, &error)) {
        err << "vazazo-server: " << error << '\n';
        return 2;
    }
    QList<GameReading::StoredStream> streams;
    for (const StoredStream& stream : database.streams()) {
        streams.append(readable(stream));
    }
    TidyExport exporter{QDir(folder)};
    if (!exporter.open(&error)) {
        err << "vazazo-server: " << error << '\n';
        return 2;
    }
    for (const GameReading::Sources& sources : GameReading::storedGames(streams)) {
        const GameReading::Game game = exporter.add(sources);
        for (const QString& problem : game.problems) {
            err << game.label << ": " << problem << '\n';
        }
    }
    if (!exporter.finish(&error)) {
        err << "vazazo-server: " << error << '\n';
        return 2;
    }
    QTextStream(stdout) << exporter.games() << " games exported from " << spec << " to " << folder << ", "
                        << exporter.mismatches() << " with streams that do not match their record\n";
    return exporter.mismatches() > 0 ? 1 : 0;
}
