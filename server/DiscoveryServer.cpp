#include "server/DiscoveryServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr qsizetype maxRequestBytes = 8 * 1024;

QByteArray response(const char* status, const QByteArray& body) {
    return QByteArray("HTTP/1.0 ") + status +
           "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
} // namespace

namespace {
std::unique_ptr<QTcpServer> makeServer(const QSslConfiguration* tls) {
    if (!tls) {
        return std::make_unique<QTcpServer>();
    }
    auto secure = std::make_unique<QSslServer>();
    secure->setSslConfiguration(*tls);
    return secure;
}
} // namespace

DiscoveryServer::DiscoveryServer(QObject* parent, const QSslConfiguration* tls)
    : QObject(parent), owned(makeServer(tls)), server(*owned) {
    connect(&server, &QTcpServer::newConnection, this, &DiscoveryServer::accept);
    if (tls) {
        // An encrypted socket is handed over after its handshake, not when it connects.
        connect(&server, &QTcpServer::pendingConnectionAvailable, this, &DiscoveryServer::accept);
    }
}

bool DiscoveryServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    server.setListenBacklogSize(256);
    if (auto* secure = qobject_cast<QSslServer*>(&server)) {
        secure->setHandshakeTimeout(timeoutMs);
    }
    if (!server.listen(address, port)) {
        *error = QStringLiteral("Cannot serve the discovery page on %1 port %2: %3")
                     .arg(address.toString())
                     .arg(port)
                     .arg(server.errorString());
        return false;
    }
    return true;
}

void DiscoveryServer::accept() {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        // When full, the oldest request makes room: an honest one takes a moment, a dripping
        // one holds its place until its deadline.
        if (!open.isEmpty() && open.size() >= maxConnections) {
            QTcpSocket* oldest = open.takeFirst();
            oldest->abort();
            oldest->deleteLater();
        }
        open.append(socket);
        socket->setParent(this);
        connect(socket, &QObject::destroyed, this, [this, socket] { open.removeOne(socket); });
        socket->setReadBufferSize(maxRequestBytes);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // One deadline for the whole exchange, the answer's delivery included.
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (socket->property("answered").toBool()) {
                return;
            }
            // The request line and headers end with an empty line; a body is never expected.
            const QByteArray seen = socket->peek(maxRequestBytes);
            const qsizetype end =
                seen.indexOf("\r\n\r\n") >= 0 ? seen.indexOf("\r\n\r\n") : seen.indexOf("\n\n");
            if (end < 0) {
                if (seen.size() >= maxRequestBytes) {
                    socket->setProperty("answered", true);
                    socket->write(response("431 Request Header Fields Too Large", "Request too large\n"));
                    socket->disconnectFromHost();
                }
                return;
            }
            socket->setProperty("answered", true);
            const QList<QByteArray> requestLine = seen.left(seen.indexOf('\n')).trimmed().split(' ');
            const bool found = requestLine.size() == 3 && requestLine[0] == "GET" &&
                               requestLine[1].split('?').first() == pagePath;
            socket->write(found ? response("200 OK", page) : response("404 Not Found", "Not found\n"));
            socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::errorOccurred, socket, [socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState) {
                socket->deleteLater();
            }
        });
        timer->start(timeoutMs);
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
        } else if (socket->bytesAvailable() > 0) {
            // The request came with the end of the handshake, before anyone listened.
            emit socket->readyRead();
        }
    }
}
