#include "support/TempPostgres.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QUrl>

#include <pwd.h>
#include <unistd.h>

bool TempPostgres::run(const QString& program, const QStringList& arguments, int limitMs, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = binaries + '/' + program;
    // initdb refuses root.
    if (geteuid() == 0)
        process.start("runuser", QStringList{"-u", "nobody", "--", path} + arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(limitMs);
    if (!finished)
        process.kill(), process.waitForFinished(5000);
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TempPostgres::pgCtl(const QStringList& arguments, QString* output) {
    return run("pg_ctl", QStringList{"-D", folder.filePath("data"), "-w", "-t", "60"} + arguments, 90000, output);
}

bool TempPostgres::startServer(QString* output) {
    const QString options =
        QString("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off").arg(folder.path()).arg(portNumber);
    return pgCtl({"-o", options, "-l", folder.filePath("log"), "start"}, output);
}

bool TempPostgres::stop(QString* error) {
    QString output;
    running = running && !pgCtl({"-m", "fast", "stop"}, &output);
    *error = running ? "pg_ctl stop failed: " + output : QString();
    return !running;
}

bool TempPostgres::restart(QString* error) {
    QString output;
    running = startServer(&output);
    *error = running ? QString() : "pg_ctl start failed: " + output;
    return running;
}

bool TempPostgres::start(QString* error, const QString& password) {
    // Newest first; the versions are whole numbers of the same width.
    const QDir root("/usr/lib/postgresql");
    for (const QString& version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        if (binaries.isEmpty() && QFile::exists(root.filePath(version + "/bin/initdb")))
            binaries = root.filePath(version + "/bin");
    }
    const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    if (binaries.isEmpty() || !folder.isValid() ||
        (geteuid() == 0 && (!nobody || chown(QFile::encodeName(folder.path()), nobody->pw_uid, nobody->pw_gid)))) {
        *error = "No PostgreSQL server binaries under /usr/lib/postgresql/*/bin (install the package "
                 "postgresql), or no temporary folder the cluster can own.";
        return false;
    }
    QString output;
    QStringList init{"-D", folder.filePath("data"), "-U", "postgres", "-E", "UTF8", "--no-sync", "--auth=trust"};
    if (!password.isEmpty()) {
        QFile file(folder.filePath("initdb-password"));
        if (!file.open(QIODevice::WriteOnly) || file.write(password.toUtf8() + '\n') < 0) {
            *error = "Cannot write " + file.fileName();
            return false;
        }
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        init << "--auth-local=trust" << "--auth-host=scram-sha-256" << "--pwfile=" + file.fileName();
    }
    if (!run("initdb", init, 120000, &output)) {
        *error = "initdb failed: " + output;
        return false;
    }
    // Another program may take the probed port before the server binds it: then try another.
    for (int attempt = 0; attempt < 3 && !running; ++attempt) {
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            portNumber = probe.serverPort();
        }
        running = portNumber != 0 && startServer(&output);
    }
    if (!running) {
        QFile log(folder.filePath("log"));
        log.open(QIODevice::ReadOnly);
        *error = "pg_ctl start failed: " + output + '\n' + QString::fromLocal8Bit(log.readAll());
    }
    return running;
}

TempPostgres::~TempPostgres() {
    QString output;
    if (running)
        pgCtl({"-m", "immediate", "stop"}, &output);
}

QString TempPostgres::tcpSpec() const {
    return QString("postgresql://postgres@127.0.0.1:%1/postgres").arg(portNumber);
}

QString TempPostgres::socketSpec() const {
    // Concatenated: arg() would take an encoding's "%2F" for a placeholder.
    return QString("postgresql://postgres@:%1/postgres?host=").arg(portNumber) +
           QString::fromLatin1(QUrl::toPercentEncoding(folder.path()));
}
