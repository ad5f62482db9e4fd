#include "server/ScoreServer.h"

#include "server/ClientSession.h"
#include "server/DiscoveryServer.h"
#include "server/ServerLog.h"

#include <QHostInfo>
#include <QSemaphore>
#include <QSslServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

Q_LOGGING_CATEGORY(serverLog, "vazazo.server")

ScoreServer::ScoreServer(ServerConfig config, QObject* parent)
    : QObject(parent), config(std::move(config)), discovery(new DiscoveryServer(this)),
      tcpServer(this->config.tls.enabled() ? std::make_unique<QSslServer>() : std::make_unique<QTcpServer>()),
      tcp(*tcpServer), registry(this->config.limits, this->config.maxConnections),
      syncQueue(new SyncQueue(database, this)) {
    connect(&tcp, &QTcpServer::newConnection, this, &ScoreServer::accept);
    if (auto* secure = qobject_cast<QSslServer*>(&tcp)) {
        // Sockets come out of the handshake here, not when they connect.
        connect(secure, &QTcpServer::pendingConnectionAvailable, this, &ScoreServer::accept);
        connect(secure, &QSslServer::errorOccurred, this,
                [](QSslSocket* socket, QAbstractSocket::SocketError) {
                    qCInfo(serverLog) << socket->peerAddress().toString()
                                      << "TLS handshake failed:" << socket->errorString();
                });
    }
}

ScoreServer::~ScoreServer() {
    // Sessions go first: they may still store the tail of a stream.
    for (ClientSession* session : findChildren<ClientSession*>(Qt::FindDirectChildrenOnly)) {
        delete session;
    }
}

bool ScoreServer::start(QString* error) {
    if (config.idleTimeoutMs <= 0) {
        *error = QStringLiteral("The idle time-out must be positive.");
        return false;
    }
    if (config.tls.enabled() && !loadServerTls(config.tls, &tlsConfiguration, error)) {
        return false;
    }
    if (config.httpsPort >= 0 && !config.tls.enabled()) {
        *error = QStringLiteral("The page over HTTPS needs --tls-cert and --tls-key.");
        return false;
    }
    if (auto* secure = qobject_cast<QSslServer*>(&tcp)) {
        secure->setSslConfiguration(tlsConfiguration);
        secure->setHandshakeTimeout(config.idleTimeoutMs);
    }
    if (!database.open(config.database, error, ServerDatabase::Schema::Create, config.databasePasswordFile)) {
        return false;
    }
    // Room for a crowd connecting at once; a full queue makes a client's retry wait a second.
    tcp.setListenBacklogSize(256);
    if (!tcp.listen(config.address, config.tcpPort)) {
        *error = QStringLiteral("Cannot listen on %1 port %2: %3")
                     .arg(config.address.toString())
                     .arg(config.tcpPort)
                     .arg(tcp.errorString());
        return false;
    }
    discovery->setPage(page());
    discovery->setTimeoutMs(qMin(config.idleTimeoutMs, config.limits.handshakeMs));
    discovery->setMaxConnections(config.maxConnections);
    if (!discovery->listen(config.address, config.httpPort, error)) {
        tcp.close();
        return false;
    }
    if (config.httpsPort >= 0) {
        secureDiscovery = new DiscoveryServer(this, &tlsConfiguration);
        secureDiscovery->setPage(page());
        secureDiscovery->setTimeoutMs(config.idleTimeoutMs);
        secureDiscovery->setMaxConnections(config.maxConnections);
        if (!secureDiscovery->listen(config.address, static_cast<quint16>(config.httpsPort), error)) {
            tcp.close();
            return false;
        }
    }
    return true;
}

quint16 ScoreServer::httpPort() const {
    return discovery->port();
}

quint16 ScoreServer::tcpPort() const {
    return tcp.serverPort();
}

quint16 ScoreServer::httpsPort() const {
    return secureDiscovery ? secureDiscovery->port() : 0;
}

QByteArray ScoreServer::page() const {
    QString host = config.advertisedHost;
    if (host.isEmpty()) {
        const bool any = config.address == QHostAddress::Any || config.address == QHostAddress::AnyIPv4 ||
                         config.address == QHostAddress::AnyIPv6;
        host = any ? QHostInfo::localHostName() : config.address.toString();
    }
    const quint16 port = tcp.isListening() ? tcp.serverPort() : config.tcpPort;
    if (port != defaultTcpPort) {
        const bool ipv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
        host = (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') +
               QString::number(port);
    }
    return "Vazazo score server\n" + host.toUtf8() + "\n" + capabilities().pageLine();
}

Protocol::Capabilities ScoreServer::capabilities() const {
    Protocol::Capabilities offered;
    offered.receipts = true;
    offered.sessions = true;
    offered.syncClaims = true;
    offered.tls = config.tls.enabled();
    return offered;
}

void ScoreServer::accept() {
    while (QTcpSocket* socket = tcp.nextPendingConnection()) {
        serve(socket);
    }
}

void ScoreServer::serve(QTcpSocket* socket) {
    // The address is taken now: a client that resets at once has none later.
    QHostAddress peer = socket->peerAddress();
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped);
    if (mapped) {
        peer = QHostAddress(v4);
    }
    const QString address = peer.isNull() ? QStringLiteral("unknown") : peer.toString();
    QString why;
    if (socket->state() != QAbstractSocket::ConnectedState || !registry.admit(address, &why)) {
        if (!why.isEmpty()) {
            registry.noteTurnedAway(address, QStringLiteral("refused: ") + why);
        }
        socket->abort();
        delete socket;
        return;
    }
    new ClientSession(socket, address, database, *syncQueue, config.idleTimeoutMs, registry, this);
    if (socket->bytesAvailable() > 0) {
        // Bytes that came with the end of a TLS handshake were announced before the session listened.
        QTimer::singleShot(0, socket, [socket] { emit socket->readyRead(); });
    }
}

namespace {
class ServerRunner : public QThread {
public:
    ServerRunner(const ServerConfig& config, QSemaphore& ready, QString& error, quint16& http, quint16& tcp,
                 quint16& https)
        : config(config), ready(ready), error(error), http(http), tcp(tcp), https(https) {}

    void run() override {
        ScoreServer server(config);
        const bool started = server.start(&error);
        http = server.httpPort();
        tcp = server.tcpPort();
        https = server.httpsPort();
        ready.release();
        if (started) {
            exec();
        }
    }

private:
    ServerConfig config;
    QSemaphore& ready;
    QString& error;
    quint16& http;
    quint16& tcp;
    quint16& https;
};
} // namespace

ServerThread::ServerThread(ServerConfig config) : config(std::move(config)) {}

ServerThread::~ServerThread() {
    if (thread) {
        thread->quit();
        thread->wait();
    }
}

bool ServerThread::start(QString* error) {
    if (thread) {
        *error = QStringLiteral("The server thread runs already.");
        return false;
    }
    QSemaphore ready;
    QString startError;
    thread = std::make_unique<ServerRunner>(config, ready, startError, http, tcp, https);
    thread->start();
    ready.acquire();
    if (!startError.isEmpty()) {
        thread->wait();
        thread.reset();
        *error = startError;
        return false;
    }
    return true;
}
