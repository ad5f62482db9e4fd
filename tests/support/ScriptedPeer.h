#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <future>
#include <thread>

// A server on 127.0.0.1 for one connection, which a script serves from a thread of its own while
// the blocking client runs on the test's thread. Every wait is bounded, so a broken client fails
// the test instead of hanging it.
class ScriptedPeer {
public:
    using Script = std::function<void(QTcpSocket& client)>;
    static constexpr int waitMs = 10000;

    explicit ScriptedPeer(Script script) {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        worker = std::thread([this, script = std::move(script), &listening] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost);
            listening.set_value(server.serverPort());
            if (server.waitForNewConnection(waitMs)) {
                QTcpSocket& client = *server.nextPendingConnection();
                script(client);
                client.waitForBytesWritten(waitMs);
                client.disconnectFromHost();
                client.state() == QAbstractSocket::UnconnectedState || client.waitForDisconnected(waitMs);
            }
        });
        serverPort = port.get();
    }
    ~ScriptedPeer() { worker.join(); }

    quint16 port() const { return serverPort; }

    // For scripts: exactly count bytes, or what came before the client went.
    static QByteArray read(QTcpSocket& client, qint64 count) {
        QByteArray bytes;
        while ((bytes += client.read(count - bytes.size())).size() < count && client.waitForReadyRead(waitMs)) {
        }
        return bytes;
    }
    // Everything until the client closes.
    static QByteArray readAll(QTcpSocket& client) {
        QByteArray bytes = client.readAll();
        while (client.waitForReadyRead(waitMs))
            bytes += client.readAll();
        return bytes + client.readAll();
    }

private:
    std::thread worker;
    quint16 serverPort = 0;
};
