#pragma once

#include "server/ScoreMerge.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <utility>

// A data stream as stored: its lines in order, byte for byte.
struct StoredStream {
    qint64 id = 0;
    QString kind;       // "stats" or "info"
    QString client;     // peer address
    QDateTime received; // when its first byte arrived (UTC)
    QList<QByteArray> lines;
    bool complete = false; // false: the connection ended before the stream's empty string
};

// The server's storage: SQLite by default, PostgreSQL for a "postgresql://" spec. One object is
// one connection, used on the thread that opened it.
class ServerDatabase {
public:
    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // spec: a SQLite file path, or postgresql://[user[:password]@][host][:port]/dbname where the
    // host may be a percent-encoded Unix-socket folder (or given as ?host=/folder). Creates the
    // schema when missing.
    bool open(const QString& spec, QString* error);
    bool isPostgres() const;
    QString lastError() const { return error; }

    // Streams are written in chunks of lines framed like on the wire; a stream becomes complete
    // together with its last chunk.
    qint64 beginStream(const QString& kind, const QString& client);
    bool appendChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool completeStream(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);

    // Merges the uploads (table number, client's version) in one transaction and returns the
    // stored versions of the tables asked for, in that order; false on a database error.
    bool synchronize(const QList<std::pair<int, ServerTable>>& uploads, const QList<int>& wanted,
                     QList<ServerTable>* result);

    ServerTable table(int number);
    QList<StoredStream> streams();

private:
    // A lost PostgreSQL connection (a server restart) is reopened and the work, which was rolled
    // back, tried once more.
    bool retrying(const std::function<bool()>& work);
    void reconnect();
    qint64 insertStream(const QString& kind, const QString& client);
    bool completeStreamOnce(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool synchronizeOnce(const QList<std::pair<int, ServerTable>>& uploads, const QList<int>& wanted,
                         QList<ServerTable>* result);
    bool begin();
    bool exec(const QString& statement);
    bool insertChunk(qint64 stream, int sequence, const QByteArray& framedLines, int lineCount);
    bool readTables(QList<ServerTable>* tables);
    bool writeTable(int number, const ServerTable& table);
    bool fail(const QString& what, const QString& detail);

    QString connectionName;
    QSqlDatabase db;
    QString error;
};
