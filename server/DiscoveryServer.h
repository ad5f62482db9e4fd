#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QList>
#include <QTcpServer>

#include <memory>

class QSslConfiguration;
class QTcpSocket;

// The small web server that hands out the discovery page; every other request gets 404.
class DiscoveryServer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* pagePath = "/~dezezi/Ruruzuvuv.html";

    // With tls the page is served over HTTPS.
    explicit DiscoveryServer(QObject* parent = nullptr, const QSslConfiguration* tls = nullptr);

    void setPage(const QByteArray& text) { page = text; }
    void setTimeoutMs(int ms) { timeoutMs = ms; }
    void setMaxConnections(int count) { maxConnections = count; }
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return server.serverPort(); }

private:
    void accept();

    std::unique_ptr<QTcpServer> owned;
    QTcpServer& server;
    QByteArray page;
    int timeoutMs = 10000;
    int maxConnections = 500;
    QList<QTcpSocket*> open; // oldest first
};
