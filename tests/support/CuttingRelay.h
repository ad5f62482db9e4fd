#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <future>
#include <thread>

// Relays one connection from 127.0.0.1 to a server on 127.0.0.1, on a thread of its own. Once the
// server has sent the client `passBytes` bytes, its next bytes never arrive: both sides are cut
// instead, as a network that fails right after the server answered. Every wait is bounded.
class CuttingRelay {
public:
    CuttingRelay(quint16 target, qint64 passBytes) {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        worker = std::thread([this, target, passBytes, &listening] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost);
            listening.set_value(server.serverPort());
            if (!server.waitForNewConnection(limitMs)) {
                return;
            }
            QTcpSocket* client = server.nextPendingConnection();
            QTcpSocket upstream;
            upstream.connectToHost(QHostAddress::LocalHost, target);
            if (!upstream.waitForConnected(limitMs)) {
                return;
            }
            qint64 passed = 0;
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < limitMs && client->state() == QAbstractSocket::ConnectedState &&
                   upstream.state() == QAbstractSocket::ConnectedState) {
                client->waitForReadyRead(5);
                upstream.write(client->readAll());
                upstream.waitForBytesWritten(5);
                upstream.waitForReadyRead(5);
                QByteArray answer = upstream.readAll();
                if (passed + answer.size() > passBytes) {
                    client->write(answer.left(passBytes - passed));
                    client->waitForBytesWritten(limitMs);
                    cut = true;
                    client->abort();
                    upstream.abort();
                    break;
                }
                passed += answer.size();
                client->write(answer);
                client->waitForBytesWritten(5);
            }
        });
        relayPort = port.get();
    }
    ~CuttingRelay() { worker.join(); }

    quint16 port() const { return relayPort; }
    // Whether the server's answer was cut.
    std::atomic<bool> cut{false};

private:
    static constexpr int limitMs = 20000;
    std::thread worker;
    quint16 relayPort = 0;
};
