#pragma once

#include "protocol/Protocol.h"
#include "server/ServerDatabase.h"
#include "server/ServerTls.h"
#include "server/SessionRegistry.h"
#include "server/SyncQueue.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include "protocol/Protocol.h"

#include <memory>

class DiscoveryServer;
class QTcpSocket;
class QThread;

struct ServerConfig {
    QString database = QStringLiteral("vazazo-server.sqlite"); // SQLite path or postgresql://...
    QString databasePasswordFile;                              // first line: the PostgreSQL password
    QHostAddress address = QHostAddress::LocalHost;            // both servers listen here
    quint16 httpPort = 8080;                                   // 0: any free port
    quint16 tcpPort = 8228;                                    // 0: any free port
    QString advertisedHost;                                    // the page's host; empty: the listen address
    int idleTimeoutMs = 30000;
    int maxConnections = 500; // per server (TCP and HTTP each); the stalest makes room for a new one
    ServerLimits limits;
    bool checkOnly = false;   // --check: look at the database and exit
    TlsFiles tls;             // set: the TCP exchange runs over TLS and the page says so
    int httpsPort = -1;       // the page over HTTPS too (needs tls); -1: not, 0: any free port
};

// The discovery page and the score and collection server, on the thread that starts it.
class ScoreServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 defaultTcpPort = 8228;

    explicit ScoreServer(ServerConfig config, QObject* parent = nullptr);
    ~ScoreServer() override;

    bool start(QString* error);
    quint16 httpPort() const;
    quint16 tcpPort() const;
    quint16 httpsPort() const;
    // The discovery page's text: a title line, host[:port], then the capabilities line.
    QByteArray page() const;
    // What the page offers beyond the original exchange.
    Protocol::Capabilities capabilities() const;

private:
    void accept();
    // Takes over an accepted connection (whatever transport carries it).
    void serve(QTcpSocket* socket);

    ServerConfig config;
    ServerDatabase database;
    DiscoveryServer* discovery;
    DiscoveryServer* secureDiscovery = nullptr;
    QSslConfiguration tlsConfiguration;
    // A QSslServer when the exchange is encrypted; it hands over sockets only once their
    // handshake is done.
    std::unique_ptr<QTcpServer> tcpServer;
    QTcpServer& tcp;
    SessionRegistry registry;
    SyncQueue* syncQueue;
};

// Runs a ScoreServer on a thread of its own, so that a blocking client can talk to it from the
// calling thread. The destructor stops the server and waits for its thread.
class ServerThread {
public:
    explicit ServerThread(ServerConfig config);
    ~ServerThread();
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    bool start(QString* error);
    quint16 httpPort() const { return http; }
    quint16 tcpPort() const { return tcp; }
    quint16 httpsPort() const { return https; }

private:
    ServerConfig config;
    std::unique_ptr<QThread> thread;
    quint16 http = 0;
    quint16 tcp = 0;
    quint16 https = 0;
};
