#include "server/ScoreServer.h"
#include "server/ServerOptions.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vazazo-server"));
    ServerConfig config;
    bool help = false;
    QString usage;
    QString error;
    if (!parseServerOptions(QCoreApplication::arguments(), &config, &help, &usage, &error)) {
        std::fprintf(stderr, "vazazo-server: %s\n%s", qPrintable(error), qPrintable(usage));
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
    // Ending on a signal through the event loop lets open streams keep what arrived.
    for (int signal : {SIGINT, SIGTERM}) {
        std::signal(signal, [](int) { QCoreApplication::quit(); });
    }
    const QString address = config.address.protocol() == QAbstractSocket::IPv6Protocol
                                ? QLatin1Char('[') + config.address.toString() + QLatin1Char(']')
                                : config.address.toString();
    std::printf("vazazo-server: discovery page http://%s:%u/~dezezi/Ruruzuvuv.html, score server %s:%u, database %s\n",
                qPrintable(address), server.httpPort(), qPrintable(address), server.tcpPort(),
                qPrintable(config.database));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
