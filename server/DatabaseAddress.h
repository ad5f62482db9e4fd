#pragma once

#include <QString>

// The parts of a postgresql:// address the driver needs; the password stays out of every text.
struct PostgresAddress {
    QString host; // a name, an address or a Unix-socket folder
    int port = -1;
    QString user;
    QString password;
    QString database;
    QString connectOptions; // the query's other items, as driver connect options
};

// Parses postgresql://[user[:password]@][host][:port]/dbname[?host=/socket/folder&sslmode=...].
bool parsePostgresAddress(const QString& spec, PostgresAddress* address, QString* error);
// The database address as it may be shown: without its password.
QString displayedDatabase(const QString& spec);
// Whether the address names a PostgreSQL database rather than a SQLite file.
bool isPostgresSpec(const QString& spec);
