#pragma once

#include "server/DatabaseAddress.h"
#include "server/ScoreMerge.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <utility>

// A data stream as stored: its lines in order, byte for byte.
struct StoredStream {
    qint64 id = 0;
    QString kind;       // "stats", "info" or "session"
    QString client;     // peer address
    QDateTime received; // when its first byte arrived (UTC)
    QList<QByteArray> lines;
    bool complete = false; // false: the connection ended before the stream's empty string
    QString gameId;        // empty: sent without a game id
    int gameRevision = -1; // -1: not part of a stored game (no id, or the game's upload broke off)
};

// A game as stored: one revision per distinct content uploaded under its id.
struct StoredGame {
    QString id;
    int revision = 0;
    QByteArray digest;
    QString client;
    QDateTime received;
};

// One client's synchronization: key is unique per synchronization (a retry keeps it), the
// participant is empty when the client gave none.
struct SyncRequest {
    QByteArray key;
    QString participant;
    QList<std::pair<int, ServerTable>> uploads;
};

// The server's storage: SQLite by default, PostgreSQL for a "postgresql://" spec. One object is
// one connection, used on the thread that opened it. Every write is keyed so that doing it again
// after a lost connection (the first try may have been committed) adds nothing.
class ServerDatabase {
public:
    enum class Schema { Create, CheckOnly };

    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // spec: a SQLite file path or a postgresql:// address. A password file, when given, is read
    // here and on every reconnection; without one libpq looks at PGPASSWORD and ~/.pgpass.
    bool open(const QString& spec, QString* error, Schema schema = Schema::Create,
              const QString& passwordFile = QString());
    // Whether every table and column the server uses is there.
    bool checkSchema(QString* error);
    bool isPostgres() const;
    QString lastError() const { return error; }
    // After a failed call: true when the database could not be reached, so that trying again
    // later may succeed; false when the database answered and refused the work itself.
    bool unavailable() const { return lostConnection; }

    // Streams are written in chunks of lines framed like on the wire; a stream becomes complete
    // together with its last chunk. key: unique per stream upload. gameId: empty outside a game.
    qint64 beginStream(const QByteArray& key, const QString& kind, const QString& client,
                       const QString& gameId = QString());
    bool appendChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool completeStream(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);

    // Links a game's uploaded streams to its id (key: unique per game upload). status: a
    // Protocol::ReceiptStatus; a repeat of stored content drops the streams just uploaded.
    bool finishGame(const QByteArray& key, const QString& gameId, const QByteArray& digest,
                    const QList<qint64>& streams, const QString& client, qint32* status);

    // Merges the requests' uploads (table number, client's version) one after the other in one
    // transaction and returns all tables as stored then; false on a database error. With a
    // participant, uploaded entries without a number take the numbers an unfinished
    // synchronization of that participant issued for the same entries, and the numbers issued
    // now are kept as that participant's claims.
    bool synchronize(const QList<SyncRequest>& requests, QList<ServerTable>* result);
    // The participant stored the tables: its claims are settled.
    bool clearClaims(const QString& participant);

    ServerTable table(int number);
    QList<StoredStream> streams();
    QList<StoredGame> games();
    int claimCount(const QString& participant);

private:
    bool retrying(const std::function<bool()>& work);
    bool reconnect();
    bool connectPostgres(QString* error);
    qint64 insertStream(const QByteArray& key, const QString& kind, const QString& client,
                        const QString& gameId);
    bool completeStreamOnce(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool finishGameOnce(const QByteArray& key, const QString& gameId, const QByteArray& digest,
                        const QList<qint64>& streams, const QString& client, qint32* status);
    bool synchronizeOnce(const QList<SyncRequest>& requests, QList<ServerTable>* result);
    bool begin();
    bool commitOrRollBack(bool ok, const QString& what);
    bool exec(const QString& statement);
    bool createSchema();
    bool insertChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool readTables(QList<ServerTable>* tables);
    bool writeTable(int number, const ServerTable& table);
    bool fail(const QString& what, const QString& detail);

    QString connectionName;
    QSqlDatabase db;
    PostgresAddress postgres;
    QString passwordFile;
    QString error;
    bool lostConnection = false;
    QElapsedTimer lastReconnect;
    int syncsSincePrune = 0;
};
