#include "server/ServerDatabase.h"

#include "server/DatabaseAddress.h"

#include "server/ServerLog.h"
#include "server/Wire.h"

#include "protocol/Protocol.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QFile>
#include <QSqlRecord>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QSet>

#ifdef VAZAZO_WITH_LIBPQ
#include <libpq-fe.h>
#endif

namespace {
QAtomicInteger<quint64> connectionCounter;
// Reconnection attempts during an outage are spaced, so that many waiting clients do not hammer
// an unreachable host (each attempt may wait out connect_timeout).
constexpr qint64 reconnectSpacingMs = 500;

QStringList schema(bool postgres) {
    const QString id = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString blob = postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS streams (id %1, kind TEXT NOT NULL, client TEXT NOT NULL, "
                       "received_ms BIGINT NOT NULL, complete INTEGER NOT NULL DEFAULT 0, upload_key TEXT, "
                       "game_id TEXT, game_revision INTEGER)")
            .arg(id),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS stream_chunks (stream_id BIGINT NOT NULL REFERENCES streams(id), "
            "seq INTEGER NOT NULL, line_count INTEGER NOT NULL, data %1 NOT NULL, "
            "PRIMARY KEY (stream_id, seq))")
            .arg(blob),
        QStringLiteral("CREATE TABLE IF NOT EXISTS games (game_id TEXT NOT NULL, revision INTEGER NOT NULL, "
                       "digest TEXT NOT NULL, upload_key TEXT NOT NULL, client TEXT NOT NULL, "
                       "received_ms BIGINT NOT NULL, PRIMARY KEY (game_id, revision))"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS best_scores (table_no INTEGER NOT NULL, place INTEGER NOT NULL, "
            "name TEXT NOT NULL, score INTEGER NOT NULL, unique_no INTEGER NOT NULL, "
            "PRIMARY KEY (table_no, place))"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS score_numbers (id INTEGER PRIMARY KEY, last_issued BIGINT NOT NULL)"),
        QStringLiteral("INSERT INTO score_numbers (id, last_issued) SELECT 1, 0 "
                       "WHERE NOT EXISTS (SELECT 1 FROM score_numbers)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS sync_claims (participant TEXT NOT NULL, "
                       "table_no INTEGER NOT NULL, name TEXT NOT NULL, score INTEGER NOT NULL, "
                       "unique_no INTEGER NOT NULL, made_ms BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS applied_syncs (sync_key TEXT PRIMARY KEY, "
                       "done_ms BIGINT NOT NULL)"),
    };
}

// Added to databases made before games were stored.
const QList<std::pair<const char*, const char*>> addedStreamColumns = {
    {"upload_key", "TEXT"}, {"game_id", "TEXT"}, {"game_revision", "INTEGER"}};

const QStringList indexes = {
    QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS streams_upload_key ON streams (upload_key)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS streams_game ON streams (game_id, game_revision)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS sync_claims_participant ON sync_claims (participant)"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS applied_syncs_done ON applied_syncs (done_ms)"),
};

// What the server reads and writes, for --check.
const QList<std::pair<const char*, QStringList>> expectedColumns = {
    {"streams", {"id", "kind", "client", "received_ms", "complete", "upload_key", "game_id", "game_revision"}},
    {"stream_chunks", {"stream_id", "seq", "line_count", "data"}},
    {"games", {"game_id", "revision", "digest", "upload_key", "client", "received_ms"}},
    {"best_scores", {"table_no", "place", "name", "score", "unique_no"}},
    {"score_numbers", {"id", "last_issued"}},
    {"sync_claims", {"participant", "table_no", "name", "score", "unique_no", "made_ms"}},
    {"applied_syncs", {"sync_key", "done_ms"}},
};

constexpr qint64 appliedSyncsKeptMs = 24 * 3600 * 1000LL;
constexpr qint64 claimsKeptMs = 7 * 24 * 3600 * 1000LL;
} // namespace

ServerDatabase::ServerDatabase()
    : connectionName(QStringLiteral("vazazo-server-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

ServerDatabase::~ServerDatabase() {
    if (db.isValid()) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
    }
}

bool ServerDatabase::begin() {
    // SQLite: take the write lock up front, so a second writer waits out the busy time-out
    // instead of failing when its read turns into a write.
    return isPostgres() ? (db.transaction() || fail(QStringLiteral("Starting a transaction"), db.lastError().text()))
                        : exec(QStringLiteral("BEGIN IMMEDIATE"));
}

bool ServerDatabase::commitOrRollBack(bool ok, const QString& what) {
    if (ok && db.commit()) {
        return true;
    }
    if (ok) {
        fail(what, db.lastError().text());
    }
    db.rollback();
    return false;
}

bool ServerDatabase::isPostgres() const {
    return db.driverName() == QLatin1String("QPSQL");
}

bool ServerDatabase::fail(const QString& what, const QString& detail) {
    error = QStringLiteral("%1: %2").arg(what, detail);
    return false;
}

bool ServerDatabase::connectPostgres(QString* openError) {
    QString password = postgres.password;
    if (!passwordFile.isEmpty()) {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *openError = QStringLiteral("Cannot read the password file %1: %2").arg(passwordFile, file.errorString());
            return false;
        }
        password = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    }
    db.setPassword(password);
    const bool opened = db.open();
    // The driver keeps what it was given; nothing later needs the password in this process.
    db.setPassword(QString());
    if (!opened) {
        QString text = db.lastError().text();
        if (!password.isEmpty()) {
            text.replace(password, QStringLiteral("(password)"));
        }
        *openError = text;
        return false;
    }
    QSqlQuery quiet(db);
    if (!quiet.exec(QStringLiteral("SET client_min_messages = WARNING"))) {
        *openError = quiet.lastError().text();
        return false;
    }
    return true;
}

bool ServerDatabase::open(const QString& spec, QString* openError, Schema mode, const QString& passwordFileName) {
    const bool isPg = isPostgresSpec(spec);
    const QString driver = isPg ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *openError = QStringLiteral("The Qt SQL driver %1 is not installed (Debian: %2).")
                         .arg(driver, isPg ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    const QString shown = displayedDatabase(spec);
    passwordFile = passwordFileName;
    db = QSqlDatabase::addDatabase(driver, connectionName);
    if (isPg) {
        QString why;
        if (!parsePostgresAddress(spec, &postgres, &why)) {
            *openError = why;
            return false;
        }
        db.setHostName(postgres.host);
        db.setPort(postgres.port);
        db.setUserName(postgres.user);
        db.setDatabaseName(postgres.database);
        db.setConnectOptions(postgres.connectOptions);
        if (!connectPostgres(&why)) {
            *openError = QStringLiteral("Cannot open the database %1: %2").arg(shown, why);
            return false;
        }
    } else {
        if (mode == Schema::CheckOnly && !QFile::exists(spec)) {
            *openError = QStringLiteral("The database %1 does not exist.").arg(shown);
            return false;
        }
        db.setDatabaseName(spec);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            *openError = QStringLiteral("Cannot open the database %1: %2").arg(shown, db.lastError().text());
            return false;
        }
        // WAL lets readers (tests, reports) look while the server writes; NORMAL keeps commits
        // cheap without risking the database file on a crash.
        if (!(exec(QStringLiteral("PRAGMA journal_mode=WAL")) && exec(QStringLiteral("PRAGMA synchronous=NORMAL")))) {
            *openError = error;
            return false;
        }
    }
    if (mode == Schema::CheckOnly) {
        return checkSchema(openError);
    }
    if (!createSchema()) {
        *openError = QStringLiteral("Cannot create the tables in %1: %2").arg(shown, error);
        return false;
    }
    return true;
}

bool ServerDatabase::createSchema() {
    bool ok = begin();
    for (const QString& statement : schema(isPostgres())) {
        ok = ok && exec(statement);
    }
    if (ok) {
        const QSqlRecord columns = db.record(QStringLiteral("streams"));
        for (const auto& [name, type] : addedStreamColumns) {
            if (!columns.contains(QLatin1String(name))) {
                ok = ok && exec(QStringLiteral("ALTER TABLE streams ADD COLUMN %1 %2").arg(QLatin1String(name), QLatin1String(type)));
            }
        }
    }
    for (const QString& statement : indexes) {
        ok = ok && exec(statement);
    }
    return commitOrRollBack(ok, QStringLiteral("Creating the tables"));
}

bool ServerDatabase::checkSchema(QString* checkError) {
    QStringList missing;
    for (const auto& [table, columns] : expectedColumns) {
        const QSqlRecord record = db.record(QLatin1String(table));
        if (record.isEmpty()) {
            missing.append(QStringLiteral("table %1").arg(QLatin1String(table)));
            continue;
        }
        for (const QString& column : columns) {
            if (!record.contains(column)) {
                missing.append(QStringLiteral("%1.%2").arg(QLatin1String(table), column));
            }
        }
    }
    if (!missing.isEmpty()) {
        *checkError = QStringLiteral("The database lacks %1.").arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT last_issued FROM score_numbers WHERE id = 1")) || !probe.next()) {
        *checkError = QStringLiteral("The database's score numbers cannot be read: %1").arg(probe.lastError().text());
        return false;
    }
    return true;
}

bool ServerDatabase::reconnect() {
    if (!isPostgres()) {
        return false;
    }
    if (lastReconnect.isValid() && !lastReconnect.hasExpired(reconnectSpacingMs) && !db.isOpen()) {
        return false;
    }
    lastReconnect.start();
    db.close();
    QString why;
    if (!connectPostgres(&why)) {
        db.close();
        fail(QStringLiteral("Reconnecting to the database"), why);
        return false;
    }
    return true;
}

bool ServerDatabase::exec(const QString& statement) {
    QSqlQuery query(db);
    if (!query.exec(statement)) {
        return fail(statement, query.lastError().text());
    }
    return true;
}

// A failure on PostgreSQL may be a lost connection: reopen it and try once more (the first try
// was rolled back or, being keyed, is harmless to repeat). When the database cannot be reached
// at all, unavailable() says so and the caller may try again later.
bool ServerDatabase::retrying(const std::function<bool()>& work) {
    lostConnection = false;
    if (db.isOpen() && work()) {
        return true;
    }
    if (!isPostgres()) {
        return false;
    }
    if (db.isOpen()) {
        qCWarning(serverLog) << "Reopening the database connection after:" << error;
    }
    if (!reconnect()) {
        lostConnection = true;
        return false;
    }
    return work();
}

qint64 ServerDatabase::insertStream(const QByteArray& key, const QString& kind, const QString& client,
                                    const QString& gameId) {
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO streams (kind, client, received_ms, upload_key, game_id) "
                                  "VALUES (?, ?, ?, ?, ?) ON CONFLICT (upload_key) DO NOTHING"));
    insert.addBindValue(kind);
    insert.addBindValue(client);
    insert.addBindValue(QDateTime::currentMSecsSinceEpoch());
    insert.addBindValue(QString::fromLatin1(key));
    insert.addBindValue(gameId.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(gameId));
    QSqlQuery find(db);
    find.prepare(QStringLiteral("SELECT id FROM streams WHERE upload_key = ?"));
    find.addBindValue(QString::fromLatin1(key));
    if (!insert.exec()) {
        fail(QStringLiteral("Storing a stream"), insert.lastError().text());
        return -1;
    }
    if (!find.exec() || !find.next()) {
        fail(QStringLiteral("Storing a stream"), find.lastError().text());
        return -1;
    }
    return find.value(0).toLongLong();
}

bool ServerDatabase::insertChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount) {
#ifdef VAZAZO_WITH_LIBPQ
    if (isPostgres()) {
        const QVariant handle = db.driver()->handle();
        const bool isConnection =
            qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0;
        PGconn* connection = isConnection ? *static_cast<PGconn* const*>(handle.constData()) : nullptr;
        if (connection) {
            const QByteArray streamText = QByteArray::number(stream);
            const QByteArray sequenceText = QByteArray::number(sequence);
            const QByteArray countText = QByteArray::number(lineCount);
            const char* values[4] = {streamText.constData(), sequenceText.constData(), countText.constData(),
                                     framedLines.constData()};
            const int lengths[4] = {0, 0, 0, int(framedLines.size())};
            const int formats[4] = {0, 0, 0, 1};
            PGresult* result = PQexecParams(connection,
                                            "INSERT INTO stream_chunks (stream_id, seq, line_count, data) "
                                            "VALUES ($1, $2, $3, $4) ON CONFLICT (stream_id, seq) DO NOTHING",
                                            4, nullptr, values, lengths, formats, 0);
            const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
            if (!ok) {
                fail(QStringLiteral("Storing stream lines"), QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
            }
            PQclear(result);
            return ok;
        }
    }
#endif
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO stream_chunks (stream_id, seq, line_count, data) VALUES (?, ?, ?, ?) "
                                 "ON CONFLICT (stream_id, seq) DO NOTHING"));
    query.addBindValue(stream);
    query.addBindValue(sequence);
    query.addBindValue(lineCount);
    query.addBindValue(framedLines);
    return query.exec() || fail(QStringLiteral("Storing stream lines"), query.lastError().text());
}

qint64 ServerDatabase::beginStream(const QByteArray& key, const QString& kind, const QString& client,
                                   const QString& gameId) {
    qint64 id = -1;
    retrying([&] {
        id = insertStream(key, kind, client, gameId);
        return id >= 0;
    });
    return id;
}

bool ServerDatabase::appendChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount) {
    return retrying([&] { return insertChunk(stream, sequence, framedLines, lineCount); });
}

bool ServerDatabase::completeStreamOnce(qint64 stream, int sequence, const QByteArray& framedLines,
                                        int lineCount) {
    if (!begin()) {
        return false;
    }
    bool ok = lineCount == 0 || insertChunk(stream, sequence, framedLines, lineCount);
    if (ok) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE streams SET complete = 1 WHERE id = ?"));
        query.addBindValue(stream);
        ok = query.exec() || fail(QStringLiteral("Completing a stream"), query.lastError().text());
    }
    return commitOrRollBack(ok, QStringLiteral("Completing a stream"));
}

bool ServerDatabase::completeStream(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount) {
    return retrying([&] { return completeStreamOnce(stream, sequence, framedLines, lineCount); });
}

bool ServerDatabase::finishGameOnce(const QByteArray& key, const QString& gameId, const QByteArray& digest,
                                    const QList<qint64>& streamIds, const QString& client, qint32* status) {
    if (!begin()) {
        return false;
    }
    bool ok = true;
    if (isPostgres()) {
        // Servers sharing the database finish one game id at a time.
        QSqlQuery lock(db);
        lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
        lock.addBindValue(gameId);
        ok = lock.exec() || fail(QStringLiteral("Locking a game"), lock.lastError().text());
    }
    QSqlQuery known(db);
    known.prepare(QStringLiteral("SELECT revision, digest, upload_key FROM games WHERE game_id = ? ORDER BY revision"));
    known.addBindValue(gameId);
    ok = ok && (known.exec() || fail(QStringLiteral("Reading a game"), known.lastError().text()));
    int nextRevision = 0;
    int ownRevision = -1;
    bool sameContent = false;
    while (ok && known.next()) {
        const int revision = known.value(0).toInt();
        nextRevision = qMax(nextRevision, revision + 1);
        if (known.value(2).toString().toLatin1() == key) {
            ownRevision = revision;
        }
        sameContent = sameContent || known.value(1).toString().toLatin1() == digest;
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    if (ownRevision >= 0) {
        // This very upload was stored by a try whose answer was lost.
        *status = ownRevision == 0 ? Protocol::receiptStored : Protocol::receiptRevision;
    } else if (sameContent) {
        QSqlQuery chunks(db);
        chunks.prepare(QStringLiteral("DELETE FROM stream_chunks WHERE stream_id = ?"));
        QSqlQuery streamRows(db);
        streamRows.prepare(QStringLiteral("DELETE FROM streams WHERE id = ? AND game_revision IS NULL"));
        for (qint64 id : streamIds) {
            chunks.addBindValue(id);
            streamRows.addBindValue(id);
            ok = ok && (chunks.exec() || fail(QStringLiteral("Dropping a repeated game"), chunks.lastError().text())) &&
                 (streamRows.exec() ||
                  fail(QStringLiteral("Dropping a repeated game"), streamRows.lastError().text()));
        }
        *status = Protocol::receiptAlreadyStored;
    } else {
        QSqlQuery game(db);
        game.prepare(QStringLiteral("INSERT INTO games (game_id, revision, digest, upload_key, client, received_ms) "
                                    "VALUES (?, ?, ?, ?, ?, ?)"));
        game.addBindValue(gameId);
        game.addBindValue(nextRevision);
        game.addBindValue(QString::fromLatin1(digest));
        game.addBindValue(QString::fromLatin1(key));
        game.addBindValue(client);
        game.addBindValue(QDateTime::currentMSecsSinceEpoch());
        ok = game.exec() || fail(QStringLiteral("Storing a game"), game.lastError().text());
        QSqlQuery link(db);
        link.prepare(QStringLiteral("UPDATE streams SET game_revision = ? WHERE id = ?"));
        for (qint64 id : streamIds) {
            link.addBindValue(nextRevision);
            link.addBindValue(id);
            ok = ok && (link.exec() || fail(QStringLiteral("Linking a game's streams"), link.lastError().text()));
        }
        *status = nextRevision == 0 ? Protocol::receiptStored : Protocol::receiptRevision;
    }
    return commitOrRollBack(ok, QStringLiteral("Storing a game"));
}

bool ServerDatabase::finishGame(const QByteArray& key, const QString& gameId, const QByteArray& digest,
                                const QList<qint64>& streamIds, const QString& client, qint32* status) {
    return retrying([&] { return finishGameOnce(key, gameId, digest, streamIds, client, status); });
}

bool ServerDatabase::readTables(QList<ServerTable>* tables) {
    tables->fill(ServerTable(), tableCount);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT table_no, place, name, score, unique_no FROM best_scores"))) {
        return fail(QStringLiteral("Reading the best scores"), query.lastError().text());
    }
    while (query.next()) {
        const int number = query.value(0).toInt();
        const int place = query.value(1).toInt();
        if (number >= 0 && number < tableCount && place >= 0 && place < 10) {
            (*tables)[number][place] = {query.value(2).toString(), query.value(3).toInt(), query.value(4).toInt()};
        }
    }
    return true;
}

bool ServerDatabase::writeTable(int number, const ServerTable& table) {
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM best_scores WHERE table_no = ?"));
    remove.addBindValue(number);
    if (!remove.exec()) {
        return fail(QStringLiteral("Writing best scores"), remove.lastError().text());
    }
    int used = 0;
    while (used < 10 && !table[used].isEmpty()) {
        ++used;
    }
    if (used == 0) {
        return true;
    }
    // One statement for the whole table: a round trip per place is what a synchronization
    // would otherwise wait for.
    QStringList rows;
    for (int place = 0; place < used; ++place) {
        rows.append(QStringLiteral("(?, ?, ?, ?, ?)"));
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO best_scores (table_no, place, name, score, unique_no) VALUES ") +
                   rows.join(QLatin1Char(',')));
    for (int place = 0; place < used; ++place) {
        insert.addBindValue(number);
        insert.addBindValue(place);
        insert.addBindValue(table[place].name);
        insert.addBindValue(table[place].score);
        insert.addBindValue(table[place].unique);
    }
    return insert.exec() || fail(QStringLiteral("Writing best scores"), insert.lastError().text());
}

namespace {
struct Claim {
    int table;
    QString name;
    qint32 score;
    qint32 unique;
    bool used = false;
};
} // namespace

bool ServerDatabase::synchronizeOnce(const QList<SyncRequest>& requests, QList<ServerTable>* result) {
    if (!begin()) {
        return false;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QList<ServerTable> tables;
    // Touching the counter first makes concurrent servers on one PostgreSQL database take turns.
    QSqlQuery counter(db);
    bool ok = counter.exec(QStringLiteral(
                  "UPDATE score_numbers SET last_issued = last_issued WHERE id = 1 RETURNING last_issued")) &&
              counter.next();
    if (!ok) {
        fail(QStringLiteral("Reading the score numbers"), counter.lastError().text());
    }
    const qint64 lastIssued = ok ? counter.value(0).toLongLong() : 0;
    // SQLite keeps a statement with RETURNING open until it is finished, which blocks the commit.
    counter.finish();
    // A synchronization whose commit went through before the connection broke is not merged again.
    QSet<QString> applied;
    QList<const SyncRequest*> merging;
    for (const SyncRequest& request : requests) {
        if (!request.uploads.isEmpty()) {
            merging.append(&request);
        }
    }
    if (ok && !merging.isEmpty()) {
        QStringList marks;
        for (int i = 0; i < merging.size(); ++i) {
            marks.append(QStringLiteral("?"));
        }
        QSqlQuery done(db);
        done.prepare(QStringLiteral("SELECT sync_key FROM applied_syncs WHERE sync_key IN (%1)")
                         .arg(marks.join(QLatin1Char(','))));
        for (const SyncRequest* request : merging) {
            done.addBindValue(QString::fromLatin1(request->key));
        }
        ok = done.exec() || fail(QStringLiteral("Reading the synchronizations"), done.lastError().text());
        while (ok && done.next()) {
            applied.insert(done.value(0).toString());
        }
    }
    ok = ok && readTables(&tables);
    const qint32 lastIssued32 = static_cast<qint32>(qMin<qint64>(lastIssued, INT32_MAX));
    qint64 next = lastIssued;
    QSet<int> changed;
    QStringList newKeys;
    QSqlQuery claim(db);
    claim.prepare(QStringLiteral(
        "INSERT INTO sync_claims (participant, table_no, name, score, unique_no, made_ms) VALUES (?, ?, ?, ?, ?, ?)"));
    for (const SyncRequest* request : merging) {
        if (!ok) {
            break;
        }
        if (applied.contains(QString::fromLatin1(request->key))) {
            continue;
        }
        newKeys.append(QString::fromLatin1(request->key));
        QList<Claim> claims;
        if (!request->participant.isEmpty()) {
            QSqlQuery read(db);
            read.prepare(QStringLiteral("SELECT table_no, name, score, unique_no FROM sync_claims "
                                        "WHERE participant = ? AND made_ms >= ?"));
            read.addBindValue(request->participant);
            read.addBindValue(now - claimsKeptMs);
            ok = read.exec() || fail(QStringLiteral("Reading the claims"), read.lastError().text());
            while (ok && read.next()) {
                claims.append({read.value(0).toInt(), read.value(1).toString(), read.value(2).toInt(),
                               read.value(3).toInt()});
            }
        }
        const QHash<qint32, QString> names = namesByNumber(tables);
        // Numbers issued before this request count as known to it, those of earlier requests in
        // the same transaction included.
        const qint32 knownBefore = static_cast<qint32>(qMin<qint64>(next, INT32_MAX));
        for (auto [number, uploaded] : request->uploads) {
            for (ServerScore& entry : uploaded) {
                if (entry.isEmpty() || (entry.unique > 0 && entry.unique <= lastIssued32)) {
                    continue;
                }
                const QString name = entry.name.left(maxNameLength);
                for (Claim& c : claims) {
                    if (!c.used && c.table == number && c.name == name && c.score == entry.score) {
                        c.used = true;
                        entry.unique = c.unique;
                        break;
                    }
                }
            }
            ServerTable& stored = tables[number];
            const ServerTable merged = mergeScoreTables(
                stored, uploaded, knownBefore, [&next] { return static_cast<qint32>(++next); }, names);
            if (merged != stored) {
                stored = merged;
                changed.insert(number);
            }
            for (const ServerScore& entry : merged) {
                if (request->participant.isEmpty() || !ok || entry.isEmpty() || entry.unique <= knownBefore) {
                    continue;
                }
                claim.addBindValue(request->participant);
                claim.addBindValue(number);
                claim.addBindValue(entry.name);
                claim.addBindValue(entry.score);
                claim.addBindValue(entry.unique);
                claim.addBindValue(now);
                ok = claim.exec() || fail(QStringLiteral("Storing a claim"), claim.lastError().text());
            }
        }
    }
    for (int number : std::as_const(changed)) {
        ok = ok && writeTable(number, tables[number]);
    }
    if (ok && next != lastIssued) {
        QSqlQuery update(db);
        update.prepare(QStringLiteral("UPDATE score_numbers SET last_issued = ? WHERE id = 1"));
        update.addBindValue(next);
        ok = update.exec() || fail(QStringLiteral("Updating the score numbers"), update.lastError().text());
    }
    if (ok && !newKeys.isEmpty()) {
        QStringList rows;
        for (int i = 0; i < newKeys.size(); ++i) {
            rows.append(QStringLiteral("(?, ?)"));
        }
        QSqlQuery mark(db);
        mark.prepare(QStringLiteral("INSERT INTO applied_syncs (sync_key, done_ms) VALUES ") +
                     rows.join(QLatin1Char(',')));
        for (const QString& key : std::as_const(newKeys)) {
            mark.addBindValue(key);
            mark.addBindValue(now);
        }
        ok = mark.exec() || fail(QStringLiteral("Recording a synchronization"), mark.lastError().text());
        // Old keys go now and then; a key is only ever looked for by a retry moments later.
        syncsSincePrune += int(newKeys.size());
        if (ok && syncsSincePrune >= 100) {
            QSqlQuery prune(db);
            prune.prepare(QStringLiteral("DELETE FROM applied_syncs WHERE done_ms < ?"));
            prune.addBindValue(now - appliedSyncsKeptMs);
            ok = prune.exec() || fail(QStringLiteral("Recording a synchronization"), prune.lastError().text());
            syncsSincePrune = 0;
        }
    }
    if (!commitOrRollBack(ok, QStringLiteral("Synchronizing"))) {
        return false;
    }
    *result = tables;
    return true;
}

bool ServerDatabase::synchronize(const QList<SyncRequest>& requests, QList<ServerTable>* result) {
    return retrying([&] { return synchronizeOnce(requests, result); });
}

bool ServerDatabase::clearClaims(const QString& participant) {
    return retrying([&] {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM sync_claims WHERE participant = ? OR made_ms < ?"));
        query.addBindValue(participant);
        query.addBindValue(QDateTime::currentMSecsSinceEpoch() - claimsKeptMs);
        return query.exec() || fail(QStringLiteral("Settling the claims"), query.lastError().text());
    });
}

int ServerDatabase::claimCount(const QString& participant) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM sync_claims WHERE participant = ?"));
    query.addBindValue(participant);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

ServerTable ServerDatabase::table(int number) {
    QList<ServerTable> tables;
    return readTables(&tables) ? tables.value(number) : ServerTable();
}

QList<StoredStream> ServerDatabase::streams() {
    QList<StoredStream> result;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral(
            "SELECT id, kind, client, received_ms, complete, game_id, game_revision FROM streams ORDER BY id"))) {
        fail(QStringLiteral("Reading streams"), query.lastError().text());
        return result;
    }
    QSqlQuery chunks(db);
    chunks.prepare(QStringLiteral("SELECT data FROM stream_chunks WHERE stream_id = ? ORDER BY seq"));
    while (query.next()) {
        StoredStream stream;
        stream.id = query.value(0).toLongLong();
        stream.kind = query.value(1).toString();
        stream.client = query.value(2).toString();
        stream.received = QDateTime::fromMSecsSinceEpoch(query.value(3).toLongLong(), QTimeZone::utc());
        stream.complete = query.value(4).toInt() != 0;
        stream.gameId = query.value(5).toString();
        stream.gameRevision = query.value(6).isNull() ? -1 : query.value(6).toInt();
        chunks.addBindValue(stream.id);
        if (chunks.exec()) {
            while (chunks.next()) {
                wire::Input input;
                input.append(chunks.value(0).toByteArray());
                QByteArray line;
                while (input.takeString(&line, INT32_MAX) == wire::Input::Result::Ok) {
                    stream.lines.append(line);
                }
            }
        }
        result.append(stream);
    }
    return result;
}

QList<StoredGame> ServerDatabase::games() {
    QList<StoredGame> result;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral(
            "SELECT game_id, revision, digest, client, received_ms FROM games ORDER BY received_ms, game_id, revision"))) {
        fail(QStringLiteral("Reading games"), query.lastError().text());
        return result;
    }
    while (query.next()) {
        result.append({query.value(0).toString(), query.value(1).toInt(), query.value(2).toString().toLatin1(),
                       query.value(3).toString(),
                       QDateTime::fromMSecsSinceEpoch(query.value(4).toLongLong(), QTimeZone::utc())});
    }
    return result;
}
