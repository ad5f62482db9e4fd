#include "server/ServerDatabase.h"

#include "server/ServerLog.h"
#include "server/Wire.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

namespace {
QAtomicInteger<quint64> connectionCounter;

bool isPostgresSpec(const QString& spec) {
    return spec.startsWith(QLatin1String("postgresql://")) || spec.startsWith(QLatin1String("postgres://"));
}

// Parsed by hand: QUrl refuses a percent-encoded socket folder as the host.
bool configurePostgres(QSqlDatabase& db, const QString& spec, QString* error) {
    QString rest = spec.mid(spec.indexOf(QLatin1String("://")) + 3);
    const qsizetype queryAt = rest.indexOf(QLatin1Char('?'));
    const QUrlQuery query(queryAt >= 0 ? rest.mid(queryAt + 1) : QString());
    if (queryAt >= 0) {
        rest.truncate(queryAt);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    QString authority = slash >= 0 ? rest.left(slash) : rest;
    const QString name = slash >= 0 ? QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8()) : QString();
    if (name.isEmpty()) {
        *error =
            QStringLiteral("The database spec %1 names no database (postgresql://user@host:port/dbname).")
                .arg(spec);
        return false;
    }
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString user = authority.left(at);
        const qsizetype colon = user.indexOf(QLatin1Char(':'));
        db.setUserName(QUrl::fromPercentEncoding(user.left(colon).toUtf8()));
        if (colon >= 0) {
            db.setPassword(QUrl::fromPercentEncoding(user.mid(colon + 1).toUtf8()));
        }
        authority = authority.mid(at + 1);
    }
    QString host = authority;
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && !authority.mid(colon).contains(QLatin1Char(']'))) {
        bool ok = false;
        const int port = authority.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            *error = QStringLiteral("The database spec %1 has a bad port.").arg(spec);
            return false;
        }
        db.setPort(port);
        host = authority.left(colon);
    }
    if (query.hasQueryItem(QStringLiteral("host"))) {
        host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    }
    host = QUrl::fromPercentEncoding(host.toUtf8());
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    db.setHostName(host);
    db.setDatabaseName(name);
    return true;
}

QStringList schema(bool postgres) {
    const QString id = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString blob = postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS streams (id %1, kind TEXT NOT NULL, client TEXT NOT NULL, "
                       "received_ms BIGINT NOT NULL, complete INTEGER NOT NULL DEFAULT 0)")
            .arg(id),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS stream_chunks (stream_id BIGINT NOT NULL REFERENCES streams(id), "
            "seq INTEGER NOT NULL, line_count INTEGER NOT NULL, data %1 NOT NULL, "
            "PRIMARY KEY (stream_id, seq))")
            .arg(blob),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS best_scores (table_no INTEGER NOT NULL, place INTEGER NOT NULL, "
            "name TEXT NOT NULL, score INTEGER NOT NULL, unique_no INTEGER NOT NULL, "
            "PRIMARY KEY (table_no, place))"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS score_numbers (id INTEGER PRIMARY KEY, last_issued BIGINT NOT NULL)"),
        QStringLiteral("INSERT INTO score_numbers (id, last_issued) SELECT 1, 0 "
                       "WHERE NOT EXISTS (SELECT 1 FROM score_numbers)"),
    };
}
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
    return isPostgres() ? db.transaction() : exec(QStringLiteral("BEGIN IMMEDIATE"));
}

bool ServerDatabase::isPostgres() const {
    return db.driverName() == QLatin1String("QPSQL");
}

bool ServerDatabase::fail(const QString& what, const QString& detail) {
    error = QStringLiteral("%1: %2").arg(what, detail);
    return false;
}

bool ServerDatabase::open(const QString& spec, QString* openError) {
    const bool postgres = isPostgresSpec(spec);
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *openError = QStringLiteral("The Qt SQL driver %1 is not installed (Debian: %2).")
                         .arg(driver, postgres ? QStringLiteral("libqt6sql6-psql")
                                               : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    db = QSqlDatabase::addDatabase(driver, connectionName);
    if (postgres) {
        if (!configurePostgres(db, spec, openError)) {
            return false;
        }
    } else {
        db.setDatabaseName(spec);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }
    if (!db.open()) {
        *openError = QStringLiteral("Cannot open the database %1: %2").arg(spec, db.lastError().text());
        return false;
    }
    if (postgres && !exec(QStringLiteral("SET client_min_messages = WARNING"))) {
        *openError = error;
        return false;
    }
    // WAL lets readers (tests, reports) look while the server writes; NORMAL keeps commits cheap
    // without risking the database file on a crash.
    if (!postgres && !(exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
                       exec(QStringLiteral("PRAGMA synchronous=NORMAL")))) {
        *openError = error;
        return false;
    }
    bool ok = begin();
    for (const QString& statement : schema(postgres)) {
        ok = ok && exec(statement);
    }
    if (!ok || !db.commit()) {
        db.rollback();
        *openError = QStringLiteral("Cannot create the tables in %1: %2")
                         .arg(spec, error.isEmpty() ? db.lastError().text() : error);
        return false;
    }
    return true;
}

void ServerDatabase::reconnect() {
    if (!isPostgres()) {
        return;
    }
    db.close();
    if (!db.open() || !exec(QStringLiteral("SET client_min_messages = WARNING"))) {
        fail(QStringLiteral("Reconnecting to the database"), db.lastError().text());
    }
}

bool ServerDatabase::exec(const QString& statement) {
    QSqlQuery query(db);
    if (!query.exec(statement)) {
        return fail(statement, query.lastError().text());
    }
    return true;
}

qint64 ServerDatabase::insertStream(const QString& kind, const QString& client) {
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("INSERT INTO streams (kind, client, received_ms) VALUES (?, ?, ?) RETURNING id"));
    query.addBindValue(kind);
    query.addBindValue(client);
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    if (!query.exec() || !query.next()) {
        fail(QStringLiteral("Storing a stream"), query.lastError().text());
        return -1;
    }
    return query.value(0).toLongLong();
}

bool ServerDatabase::insertChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount) {
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("INSERT INTO stream_chunks (stream_id, seq, line_count, data) VALUES (?, ?, ?, ?)"));
    query.addBindValue(stream);
    query.addBindValue(sequence);
    query.addBindValue(lineCount);
    query.addBindValue(framedLines);
    return query.exec() || fail(QStringLiteral("Storing stream lines"), query.lastError().text());
}

bool ServerDatabase::retrying(const std::function<bool()>& work) {
    if (work()) {
        return true;
    }
    if (!isPostgres()) {
        return false;
    }
    qCWarning(serverLog) << "Reopening the database connection after:" << error;
    reconnect();
    return work();
}

qint64 ServerDatabase::beginStream(const QString& kind, const QString& client) {
    qint64 id = -1;
    retrying([&] {
        id = insertStream(kind, client);
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
        return fail(QStringLiteral("Completing a stream"), db.lastError().text());
    }
    bool ok = lineCount == 0 || insertChunk(stream, sequence, framedLines, lineCount);
    if (ok) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE streams SET complete = 1 WHERE id = ?"));
        query.addBindValue(stream);
        ok = query.exec() || fail(QStringLiteral("Completing a stream"), query.lastError().text());
    }
    if (ok && db.commit()) {
        return true;
    }
    db.rollback();
    return false;
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
            (*tables)[number][place] = {query.value(2).toString(), query.value(3).toInt(),
                                        query.value(4).toInt()};
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
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO best_scores (table_no, place, name, score, unique_no) VALUES (?, ?, ?, ?, ?)"));
    for (int place = 0; place < 10 && !table[place].isEmpty(); ++place) {
        insert.addBindValue(number);
        insert.addBindValue(place);
        insert.addBindValue(table[place].name);
        insert.addBindValue(table[place].score);
        insert.addBindValue(table[place].unique);
        if (!insert.exec()) {
            return fail(QStringLiteral("Writing best scores"), insert.lastError().text());
        }
    }
    return true;
}

bool ServerDatabase::synchronizeOnce(const QList<std::pair<int, ServerTable>>& uploads,
                                     const QList<int>& wanted, QList<ServerTable>* result) {
    if (!begin()) {
        return fail(QStringLiteral("Synchronizing"), db.lastError().text());
    }
    QList<ServerTable> tables;
    // Touching the counter first makes concurrent servers on one PostgreSQL database take turns.
    QSqlQuery counter(db);
    bool ok = true;
    if (!uploads.isEmpty()) {
        ok =
            counter.exec(QStringLiteral("UPDATE score_numbers SET last_issued = last_issued WHERE id = 1")) &&
            counter.exec(QStringLiteral("SELECT last_issued FROM score_numbers WHERE id = 1")) &&
            counter.next();
        if (!ok) {
            fail(QStringLiteral("Reading the score numbers"), counter.lastError().text());
        }
    }
    ok = ok && readTables(&tables);
    if (ok && !uploads.isEmpty()) {
        const qint64 lastIssued = counter.value(0).toLongLong();
        qint64 next = lastIssued;
        for (const auto& [number, uploaded] : uploads) {
            ServerTable& stored = tables[number];
            const ServerTable merged =
                mergeScoreTables(stored, uploaded, static_cast<qint32>(qMin<qint64>(lastIssued, INT32_MAX)),
                                 [&next] { return static_cast<qint32>(++next); });
            if (merged != stored) {
                stored = merged;
                ok = ok && writeTable(number, merged);
            }
        }
        if (ok && next != lastIssued) {
            QSqlQuery update(db);
            update.prepare(QStringLiteral("UPDATE score_numbers SET last_issued = ? WHERE id = 1"));
            update.addBindValue(next);
            ok = update.exec() ||
                 fail(QStringLiteral("Updating the score numbers"), update.lastError().text());
        }
    }
    if (!ok || !db.commit()) {
        if (ok) {
            fail(QStringLiteral("Synchronizing"), db.lastError().text());
        }
        db.rollback();
        return false;
    }
    result->clear();
    for (int number : wanted) {
        result->append(tables.value(number));
    }
    return true;
}

ServerTable ServerDatabase::table(int number) {
    QList<ServerTable> tables;
    return readTables(&tables) ? tables.value(number) : ServerTable();
}

QList<StoredStream> ServerDatabase::streams() {
    QList<StoredStream> result;
    QSqlQuery query(db);
    if (!query.exec(
            QStringLiteral("SELECT id, kind, client, received_ms, complete FROM streams ORDER BY id"))) {
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

bool ServerDatabase::completeStream(qint64 stream, int sequence, const QByteArray& framedLines,
                                    int lineCount) {
    return retrying([&] { return completeStreamOnce(stream, sequence, framedLines, lineCount); });
}

bool ServerDatabase::synchronize(const QList<std::pair<int, ServerTable>>& uploads, const QList<int>& wanted,
                                 QList<ServerTable>* result) {
    return retrying([&] { return synchronizeOnce(uploads, wanted, result); });
}
