#include "support/TempPostgres.h"

#include <QFile>
#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QUrl>

#include <pwd.h>
#include <unistd.h>

namespace {
QString findBinaries() {
    // Newest first; the versions are whole numbers of the same width.
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    for (const QString& version :
         root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) &&
            QFile::exists(bin + QStringLiteral("/pg_ctl"))) {
            return bin;
        }
    }
    return {};
}
} // namespace

bool TempPostgres::run(const QString& program, const QStringList& arguments, int limitMs, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0) {
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                                  binaries + QLatin1Char('/') + program} +
                          arguments);
    } else {
        process.start(binaries + QLatin1Char('/') + program, arguments);
    }
    const bool finished = process.waitForFinished(limitMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TempPostgres::startServer(QString* output) {
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                .arg(folder.path())
                                .arg(portNumber);
    return run(QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), folder.filePath(QStringLiteral("data")), QStringLiteral("-o"), options,
                QStringLiteral("-l"), folder.filePath(QStringLiteral("log")), QStringLiteral("-w"),
                QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
               90000, output);
}

bool TempPostgres::stop(QString* error) {
    QString output;
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), folder.filePath(QStringLiteral("data")), QStringLiteral("-m"),
              QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
              QStringLiteral("stop")},
             90000, &output)) {
        *error = QStringLiteral("pg_ctl stop failed: %1").arg(output);
        return false;
    }
    running = false;
    return true;
}

bool TempPostgres::restart(QString* error) {
    QString output;
    running = startServer(&output);
    if (!running) {
        *error = QStringLiteral("pg_ctl start failed: %1").arg(output);
    }
    return running;
}

bool TempPostgres::start(QString* error, const QString& password) {
    binaries = findBinaries();
    if (binaries.isEmpty()) {
        *error = QStringLiteral(
            "PostgreSQL server binaries (initdb, pg_ctl) not found under /usr/lib/postgresql/*/bin; "
            "install the package postgresql.");
        return false;
    }
    if (!folder.isValid()) {
        *error = QStringLiteral("Cannot create a temporary folder for PostgreSQL.");
        return false;
    }
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr ||
            chown(folder.path().toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            *error = QStringLiteral("Cannot hand %1 to the user nobody for PostgreSQL.").arg(folder.path());
            return false;
        }
    }
    const QString data = folder.filePath(QStringLiteral("data"));
    QString output;
    QStringList initArguments{QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"),
                              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-sync")};
    if (password.isEmpty()) {
        initArguments << QStringLiteral("--auth=trust");
    } else {
        const QString passwordFile = folder.filePath(QStringLiteral("initdb-password"));
        QFile file(passwordFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(password.toUtf8() + '\n') < 0) {
            *error = QStringLiteral("Cannot write %1.").arg(passwordFile);
            return false;
        }
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        initArguments << QStringLiteral("--auth-local=trust") << QStringLiteral("--auth-host=scram-sha-256")
                      << QStringLiteral("--pwfile=") + passwordFile;
    }
    if (!run(QStringLiteral("initdb"), initArguments, 120000, &output)) {
        *error = QStringLiteral("initdb failed: %1").arg(output);
        return false;
    }
    // Another program may take the probed port before the server binds it: then try another.
    for (int attempt = 0; attempt < 3 && !running; ++attempt) {
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) {
                *error = QStringLiteral("No free loopback port for PostgreSQL.");
                return false;
            }
            portNumber = probe.serverPort();
        }
        running = startServer(&output);
    }
    if (!running) {
        QFile log(folder.filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        *error =
            QStringLiteral("pg_ctl start failed: %1\n%2").arg(output, QString::fromLocal8Bit(log.readAll()));
    }
    return running;
}

TempPostgres::~TempPostgres() {
    if (running) {
        QString output;
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), folder.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("30"),
             QStringLiteral("stop")},
            40000, &output);
    }
}

QString TempPostgres::tcpSpec() const {
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(portNumber);
}

QString TempPostgres::socketSpec() const {
    // Concatenated: arg() would take an encoding's "%2F" for a placeholder.
    return QStringLiteral("postgresql://postgres@:%1/postgres?host=").arg(portNumber) +
           QString::fromLatin1(QUrl::toPercentEncoding(folder.path()));
}
