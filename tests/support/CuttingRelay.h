#pragma once

#include "support/ScriptedPeer.h"

#include <QElapsedTimer>

#include <atomic>

// Relays one connection from 127.0.0.1 to a server on 127.0.0.1. Once the server has sent the
// client `passBytes` bytes, its next bytes never arrive: both sides are cut instead, as a network
// that fails right after the server answered. Every wait is bounded.
class CuttingRelay {
public:
    CuttingRelay(quint16 target, qint64 passBytes)
        : relay([this, target, passBytes](QTcpSocket& client) {
              QTcpSocket upstream;
              upstream.connectToHost(QHostAddress::LocalHost, target);
              QElapsedTimer timer;
              timer.start();
              for (qint64 passed = 0; upstream.waitForConnected(ScriptedPeer::waitMs) &&
                                      timer.elapsed() < 2 * ScriptedPeer::waitMs &&
                                      client.state() == QAbstractSocket::ConnectedState;) {
                  client.waitForReadyRead(5);
                  upstream.write(client.readAll());
                  upstream.waitForBytesWritten(5);
                  upstream.waitForReadyRead(5);
                  const QByteArray answer = upstream.readAll();
                  client.write(answer.left(passBytes - passed));
                  client.waitForBytesWritten(5);
                  if ((passed += answer.size()) > passBytes) {
                      client.waitForBytesWritten(ScriptedPeer::waitMs);
                      cut = true;
                      client.abort();
                  }
              }
          }) {}

    quint16 port() const { return relay.port(); }
    // Whether the server's answer was cut.
    std::atomic<bool> cut{false};

private:
    ScriptedPeer relay;
};
