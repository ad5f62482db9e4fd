#include "server/ScoreServer.h"
#include "server/ServerExport.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

// A signal only writes its number; the event loop reads it. SIGINT and SIGTERM end the server so
// that it closes its connections normally and open streams keep what arrived. SIGHUP (a log
// rotation or a reload by the service manager) needs nothing: logs go to stderr, and the
// password file is read again at every reconnection.
void handleSignals() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char signal = 0;
        if (::read(signalPipe[1], &signal, 1) != 1) {
            return;
        }
        if (signal == SIGHUP) {
            qCInfo(serverLog) << "SIGHUP: nothing to reopen; the password file is read at each reconnection";
        } else {
            QCoreApplication::quit();
        }
    });
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, [](int number) {
            const char byte = char(number);
            [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
        });
    }
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vazazo-server"));
    // Plain lines on stderr, no colour and no time: a service manager's journal adds its own.
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN")) {
        qSetMessagePattern(QStringLiteral("vazazo-server: %{if-warning}warning: %{endif}%{if-critical}error: %{endif}%{message}"));
    }
    if (const std::optional<int> exported = runExportIfAsked(QCoreApplication::arguments())) {
        return *exported;
    }
    ServerConfig config;
    bool help = false;
    QString usage;
    QString error;
    if (!parseServerOptions(QCoreApplication::arguments(), &config, &help, &usage, &error)) {
        std::fprintf(stderr, "vazazo-server: %s\nRun vazazo-server --help for the options.\n",
                     qPrintable(error));
        return 2;
    }
    if (help) {
        std::fputs(qPrintable(usage), stdout);
        return 0;
    }
    if (config.checkOnly) {
        ServerDatabase database;
        if (!database.open(config.database, &error, ServerDatabase::Schema::CheckOnly, config.databasePasswordFile)) {
            std::fprintf(stderr, "vazazo-server: %s\n", qPrintable(error));
            return 1;
        }
        std::fprintf(stderr, "vazazo-server: database %s is usable\n", qPrintable(displayedDatabase(config.database)));
        return 0;
    }
    ScoreServer server(config);
    if (!server.start(&error)) {
        std::fprintf(stderr, "vazazo-server: %s\n", qPrintable(error));
        return 1;
    }
    handleSignals();
    const QString address = config.address.protocol() == QAbstractSocket::IPv6Protocol
                                ? QLatin1Char('[') + config.address.toString() + QLatin1Char(']')
                                : config.address.toString();
    std::fprintf(stderr,
                 "vazazo-server: discovery page http://%s:%u/~dezezi/Ruruzuvuv.html, score server %s:%u%s, "
                 "database %s\n",
                 qPrintable(address), server.httpPort(), qPrintable(address), server.tcpPort(),
                 config.tls.enabled() ? " over TLS" : "", qPrintable(displayedDatabase(config.database)));
    if (server.httpsPort() != 0) {
        std::fprintf(stderr, "vazazo-server: discovery page also at https://%s:%u/~dezezi/Ruruzuvuv.html\n",
                     qPrintable(address), server.httpsPort());
    }
    return QCoreApplication::exec();
}
