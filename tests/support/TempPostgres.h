#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster in a temporary folder, listening on a free loopback port and
// on a Unix socket in that folder; stopped and removed by the destructor. As root the cluster
// runs as "nobody", since initdb refuses root.
class TempPostgres {
public:
    TempPostgres() = default;
    ~TempPostgres();
    TempPostgres(const TempPostgres&) = delete;
    TempPostgres& operator=(const TempPostgres&) = delete;

    // False with the reason when the server binaries are missing or the cluster does not start.
    // With a password, connections over TCP must give it (the Unix socket stays open to all).
    bool start(QString* error, const QString& password = QString());
    // A stop and a start on the same port, as an outage of the database looks to its clients.
    bool stop(QString* error);
    bool restart(QString* error);
    quint16 port() const { return portNumber; }
    // postgresql://postgres@127.0.0.1:PORT/postgres
    QString tcpSpec() const;
    // The same database through the Unix socket in the temporary folder.
    QString socketSpec() const;
    // A file in the cluster's temporary folder, for password files and the like.
    QString filePath(const QString& name) const { return folder.filePath(name); }

private:
    bool run(const QString& program, const QStringList& arguments, int limitMs, QString* output);
    bool startServer(QString* output);
    bool pgCtl(const QStringList& arguments, QString* output);

    QTemporaryDir folder;
    QString binaries;
    quint16 portNumber = 0;
    bool running = false;
};
