// Load on the score server in-process over loopback: 50 clients upload a 5 MB info stream at
// once, then 50 clients synchronize at once (three rounds). Each synchronizing player has new
// scores in three tables and uploads those; the rest of the 132 come back as stored.
// Usage: server [database spec] (default: a SQLite file in a temporary folder).
#include "server/ScoreServer.h"
#include "server/Wire.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <thread>
#include <vector>

namespace {
constexpr int clients = 50;
constexpr qsizetype streamBytes = 5 * 1000 * 1000;
constexpr int syncRounds = 3;
constexpr double uploadGoalMBs = 50.0;
constexpr double syncGoalMs = 200.0;

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

bool readExactly(QTcpSocket& socket, qsizetype n, QByteArray* out) {
    while (socket.bytesAvailable() < n) {
        if (!socket.waitForReadyRead(30000)) {
            return false;
        }
    }
    *out = socket.read(n);
    return true;
}

bool readInt(QTcpSocket& socket, qint32* value) {
    QByteArray bytes;
    if (!readExactly(socket, 4, &bytes)) {
        return false;
    }
    *value = wire::intAt(bytes.constData());
    return true;
}

bool writeAll(QTcpSocket& socket, const QByteArray& bytes) {
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(30000)) {
            return false;
        }
    }
    return true;
}

QByteArray hello() {
    QByteArray bytes;
    wire::putInt(bytes, 1);
    wire::putInt(bytes, 173);
    return bytes;
}

// A coordinates-like info stream of about streamBytes.
QByteArray infoUpload() {
    QByteArray bytes = hello();
    wire::putInt(bytes, 5);
    wire::putString(bytes, "info");
    const QByteArray line = "123456 1.00 0.51234 0.93210 t0001 0.12345 0.54321 0.03000 c0002 0.22345 0.64321 "
                            "0.04000 g0003 0.5 0.5 0.01";
    while (bytes.size() < streamBytes) {
        wire::putString(bytes, line);
    }
    wire::putString(bytes, "");
    wire::putInt(bytes, 3);
    return bytes;
}

QByteArray syncUpload(int client, int round) {
    QByteArray bytes;
    for (int t = (client + round) % 40; t < 132; t += 44) {
        wire::putInt(bytes, 2);
        wire::putInt(bytes, t);
        for (int place = 0; place < 10; ++place) {
            const bool used = place == 0;
            wire::putString(bytes,
                            used ? QByteArray("player") + QByteArray::number(client) : QByteArray("-"));
            wire::putInt(bytes, used ? 1000 * round + client : -1);
            wire::putInt(bytes, -1);
        }
    }
    wire::putInt(bytes, 3);
    return bytes;
}

// The client side of one synchronization; the latency is from connecting to the last table.
double synchronize(quint16 port, const QByteArray& upload) {
    const Steady::time_point start = Steady::now();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray sink;
    qint32 value = 0;
    if (!socket.waitForConnected(30000) || !writeAll(socket, hello() + QByteArray("\x04\0\0\0", 4)) ||
        !readInt(socket, &value) || value != 0 || !readInt(socket, &value) ||
        !readExactly(socket, 4 * qsizetype(value), &sink) || !writeAll(socket, upload)) {
        return -1.0;
    }
    for (int place = 0; place < 132 * 10; ++place) {
        qint32 length = 0;
        if (!readInt(socket, &length) || !readExactly(socket, length + 8, &sink)) {
            return -1.0;
        }
    }
    return msSince(start);
}

double upload(quint16 port, const QByteArray& bytes) {
    const Steady::time_point start = Steady::now();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(30000) || !writeAll(socket, bytes)) {
        return -1.0;
    }
    QByteArray accepted;
    // The server closes after the end command, once everything is stored.
    if (!readExactly(socket, 4, &accepted) ||
        (socket.state() == QAbstractSocket::ConnectedState && !socket.waitForDisconnected(60000))) {
        return -1.0;
    }
    return msSince(start);
}

template <typename Work> std::vector<double> atOnce(Work work) {
    std::vector<double> results(clients);
    std::latch go(clients);
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            go.arrive_and_wait();
            results[i] = work(i);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return results;
}

double percentile99(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(0.99 * double(values.size())))];
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vazazo.server.info=false"));
    QTemporaryDir folder;
    ServerConfig config;
    config.database =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath(QStringLiteral("bench.sqlite"));
    config.httpPort = 0;
    config.tcpPort = 0;
    config.idleTimeoutMs = 60000;
    ServerThread server(config);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(error));
        return 1;
    }
    const quint16 port = server.tcpPort();
    std::printf("Score server, %d clients at once, database %s\n", clients, qPrintable(config.database));

    const QByteArray info = infoUpload();
    const Steady::time_point start = Steady::now();
    const std::vector<double> uploads = atOnce([&](int) { return upload(port, info); });
    const double wallMs = msSince(start);
    const bool uploadsOk = std::none_of(uploads.begin(), uploads.end(), [](double ms) { return ms < 0; });
    const double mbs = clients * double(info.size()) / 1e6 / (wallMs / 1000.0);
    std::printf("  upload %d x %.1f MB: %.0f ms, aggregate %.1f MB/s, p99 %.0f ms%s; goal >= %.0f MB/s: %s\n",
                clients, info.size() / 1e6, wallMs, mbs, percentile99(uploads),
                uploadsOk ? "" : " (FAILED uploads)", uploadGoalMBs,
                verdict(uploadsOk && mbs >= uploadGoalMBs));

    std::vector<double> latencies;
    for (int round = 1; round <= syncRounds; ++round) {
        const std::vector<double> times =
            atOnce([&](int client) { return synchronize(port, syncUpload(client, round)); });
        latencies.insert(latencies.end(), times.begin(), times.end());
    }
    const bool syncOk = std::none_of(latencies.begin(), latencies.end(), [](double ms) { return ms < 0; });
    const double p99 = percentile99(latencies);
    std::printf(
        "  synchronize %d x %d rounds: median %.1f ms, p99 %.1f ms%s; goal p99 < %.0f ms: %s\n", clients,
        syncRounds,
        [&] {
            auto v = latencies;
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        }(),
        p99, syncOk ? "" : " (FAILED synchronizations)", syncGoalMs, verdict(syncOk && p99 < syncGoalMs));
    return uploadsOk && syncOk ? 0 : 1;
}
