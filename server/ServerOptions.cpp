#include "server/ServerOptions.h"

#include <QCommandLineParser>

namespace {
bool portValue(const QCommandLineParser& parser, const QString& name, quint16* port, QString* error) {
    if (!parser.isSet(name)) {
        return true;
    }
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0 || value > 65535) {
        *error = QStringLiteral("--%1 needs a port number from 0 to 65535, not \"%2\".")
                     .arg(name, parser.value(name));
        return false;
    }
    *port = static_cast<quint16>(value);
    return true;
}
bool positiveValue(const QCommandLineParser& parser, const QString& name, qint64 limit, qint64* value,
                   QString* error) {
    if (!parser.isSet(name)) {
        return true;
    }
    bool ok = false;
    const qint64 number = parser.value(name).toLongLong(&ok);
    if (!ok || number <= 0 || number > limit) {
        *error = QStringLiteral("--%1 needs a whole number from 1 to %2, not \"%3\".")
                     .arg(name)
                     .arg(limit)
                     .arg(parser.value(name));
        return false;
    }
    *value = number;
    return true;
}

bool positiveValue(const QCommandLineParser& parser, const QString& name, qint64 limit, int* value,
                   QString* error) {
    qint64 wide = *value;
    const bool ok = positiveValue(parser, name, limit, &wide, error);
    *value = int(wide);
    return ok;
}
} // namespace

bool parseServerOptions(const QStringList& arguments, ServerConfig* config, bool* help, QString* usage,
                        QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Vazazo score and collection server: serves the discovery page over HTTP and takes data uploads and "
        "best-score synchronizations over TCP."));
    parser.addOptions({
        {QStringLiteral("http-port"), QStringLiteral("HTTP port of the discovery page (default 8080)."),
         QStringLiteral("N")},
        {QStringLiteral("port"), QStringLiteral("TCP port of the score server (default 8228)."),
         QStringLiteral("N")},
        {QStringLiteral("listen"),
         QStringLiteral("Address to listen on (default 127.0.0.1; 0.0.0.0 for every interface)."),
         QStringLiteral("ADDR")},
        {QStringLiteral("host"),
         QStringLiteral("Host name the discovery page gives to clients (default: the listen address)."),
         QStringLiteral("NAME")},
        {QStringLiteral("db"),
         QStringLiteral("SQLite file (default vazazo-server.sqlite) or "
                        "postgresql://user@host:port/dbname[?host=/socket/folder&sslmode=...]."),
         QStringLiteral("SPEC")},
        {QStringLiteral("db-password-file"),
         QStringLiteral("File whose first line is the PostgreSQL password (else PGPASSWORD or ~/.pgpass)."),
         QStringLiteral("FILE")},
        {QStringLiteral("check"),
         QStringLiteral("Open the database, check its tables and exit: 0 when usable, 1 otherwise.")},
        {QStringLiteral("export"),
         QStringLiteral("Write the stored games as CSV files (games, periods, samples, decisions, frames) to DIR "
                        "and exit; with --db for the database."),
         QStringLiteral("DIR")},
        {QStringLiteral("idle-timeout-ms"),
         QStringLiteral("Cut off clients silent this long (default 30000)."), QStringLiteral("N")},
        {QStringLiteral("tls-cert"),
         QStringLiteral("PEM certificate (then any intermediates): the score server speaks TLS and its page "
                        "says so. Needs --tls-key."),
         QStringLiteral("FILE")},
        {QStringLiteral("tls-key"), QStringLiteral("PEM private key of --tls-cert, without a passphrase."),
         QStringLiteral("FILE")},
        {QStringLiteral("https-port"),
         QStringLiteral("Also serve the discovery page over HTTPS on this port (needs --tls-cert)."),
         QStringLiteral("N")},
        {QStringLiteral("max-connections"),
         QStringLiteral("Clients served at once (default 500); when full, the stalest makes room."),
         QStringLiteral("N")},
        {QStringLiteral("max-per-address"),
         QStringLiteral("Clients served at once from one address (default 16)."), QStringLiteral("N")},
        {QStringLiteral("memory-budget-mib"),
         QStringLiteral("Buffers of all clients together (default 256); a client over it is cut off."),
         QStringLiteral("N")},
        {QStringLiteral("max-stream-mib"),
         QStringLiteral("Longest data stream (default 256); a longer one is cut off and kept as incomplete."),
         QStringLiteral("N")},
        {QStringLiteral("syncs-per-minute"),
         QStringLiteral("Score synchronizations per address and minute (default 30)."), QStringLiteral("N")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
    });
    *help = false;
    *usage = parser.helpText();
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *help = true;
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().first());
        return false;
    }
    if (!portValue(parser, QStringLiteral("http-port"), &config->httpPort, error) ||
        !portValue(parser, QStringLiteral("port"), &config->tcpPort, error)) {
        return false;
    }
    if (parser.isSet(QStringLiteral("listen"))) {
        const QString text = parser.value(QStringLiteral("listen"));
        QHostAddress address(text);
        if (text == QLatin1String("localhost")) {
            address = QHostAddress::LocalHost;
        }
        if (address.isNull()) {
            *error = QStringLiteral("--listen needs an IP address such as 127.0.0.1 or 0.0.0.0, not \"%1\".")
                         .arg(text);
            return false;
        }
        config->address = address;
    }
    if (parser.isSet(QStringLiteral("host"))) {
        config->advertisedHost = parser.value(QStringLiteral("host")).trimmed();
        if (config->advertisedHost.isEmpty() || config->advertisedHost.contains(QLatin1Char('\n'))) {
            *error = QStringLiteral("--host needs a host name.");
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("db"))) {
        config->database = parser.value(QStringLiteral("db"));
        if (config->database.isEmpty()) {
            *error = QStringLiteral("--db needs a file name or a postgresql:// address.");
            return false;
        }
    }
    config->tls.certificate = parser.value(QStringLiteral("tls-cert"));
    config->tls.key = parser.value(QStringLiteral("tls-key"));
    const bool tlsSet = parser.isSet(QStringLiteral("tls-cert"));
    if (tlsSet != parser.isSet(QStringLiteral("tls-key")) ||
        (tlsSet && (config->tls.certificate.isEmpty() || config->tls.key.isEmpty()))) {
        *error = QStringLiteral("--tls-cert and --tls-key go together, each with a file name.");
        return false;
    }
    if (parser.isSet(QStringLiteral("https-port"))) {
        quint16 port = 0;
        if (!portValue(parser, QStringLiteral("https-port"), &port, error)) {
            return false;
        }
        if (!config->tls.enabled()) {
            *error = QStringLiteral("--https-port needs --tls-cert and --tls-key.");
            return false;
        }
        config->httpsPort = port;
    }
    if (parser.isSet(QStringLiteral("db-password-file"))) {
        config->databasePasswordFile = parser.value(QStringLiteral("db-password-file"));
        if (config->databasePasswordFile.isEmpty()) {
            *error = QStringLiteral("--db-password-file needs a file name.");
            return false;
        }
    }
    config->checkOnly = parser.isSet(QStringLiteral("check"));
    ServerLimits& limits = config->limits;
    qint64 memoryMiB = limits.memoryBudgetBytes >> 20;
    qint64 streamMiB = limits.maxStreamBytes >> 20;
    if (!positiveValue(parser, QStringLiteral("max-connections"), 100000, &config->maxConnections, error) ||
        !positiveValue(parser, QStringLiteral("max-per-address"), 100000, &limits.maxPerAddress, error) ||
        !positiveValue(parser, QStringLiteral("memory-budget-mib"), 1 << 20, &memoryMiB, error) ||
        !positiveValue(parser, QStringLiteral("max-stream-mib"), 1 << 20, &streamMiB, error) ||
        !positiveValue(parser, QStringLiteral("syncs-per-minute"), 1000000, &limits.syncsPerMinute, error)) {
        return false;
    }
    limits.memoryBudgetBytes = memoryMiB << 20;
    limits.maxStreamBytes = streamMiB << 20;
    if (parser.isSet(QStringLiteral("idle-timeout-ms"))) {
        bool ok = false;
        config->idleTimeoutMs = parser.value(QStringLiteral("idle-timeout-ms")).toInt(&ok);
        if (!ok || config->idleTimeoutMs <= 0) {
            *error = QStringLiteral("--idle-timeout-ms needs a positive number of milliseconds.");
            return false;
        }
    }
    return true;
}
