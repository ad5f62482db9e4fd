#include "server/ScoreServer.h"
#include "server/ServerExport.h"
#include "server/ServerOptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

// A signal only writes a byte; the event loop sees it and quits, so that the server closes
// its connections normally and open streams keep what arrived.
void quitOnSignals() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    for (int signal : {SIGINT, SIGTERM}) {
        std::signal(signal, [](int) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
        });
    }
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vazazo-server"));
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
    ScoreServer server(config);
    if (!server.start(&error)) {
        std::fprintf(stderr, "vazazo-server: %s\n", qPrintable(error));
        return 1;
    }
    quitOnSignals();
    const QString address = config.address.protocol() == QAbstractSocket::IPv6Protocol
                                ? QLatin1Char('[') + config.address.toString() + QLatin1Char(']')
                                : config.address.toString();
    std::printf("vazazo-server: discovery page http://%s:%u/~dezezi/Ruruzuvuv.html, score server %s:%u, "
                "database %s\n",
                qPrintable(address), server.httpPort(), qPrintable(address), server.tcpPort(),
                qPrintable(config.database));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
