// Load on the score server program (vazazo-server, run as a child process so that its memory is
// its own) over loopback, each client from its own 127.x address like players on their own
// machines:
// - 50 clients upload a 5 MB info stream at once;
// - 50 clients synchronize at once (three rounds); each has new scores in three tables and
//   uploads those, the rest of the 132 come back as stored;
// - 500 connections drip a byte every 2 s from 50 addresses while an honest client synchronizes.
// Each on SQLite and on PostgreSQL (a throw-away cluster made with initdb, when installed), with
// the server's peak resident memory in each phase.
// Usage: server [database spec] (default: a SQLite file and a PostgreSQL cluster, both temporary).
#include "server/Wire.h"
#include "support/TempPostgres.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {
constexpr int clients = 50;
constexpr qsizetype streamBytes = 5 * 1000 * 1000;
constexpr int syncRounds = 3;
constexpr double uploadGoalMBs = 100.0;
constexpr double syncGoalMs = 100.0;
constexpr double dripGoalMs = 1000.0;
constexpr int dripAddresses = 50;
constexpr int dripPerAddress = 10;

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

const char* verdict(bool met) {
    return met ? "met" : "not met";
}

QHostAddress player(int index) {
    return QHostAddress(QStringLiteral("127.0.1.%1").arg(index + 1));
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

// Written in slices, so that the client side holds little beyond the shared upload.
bool writeAll(QTcpSocket& socket, const QByteArray& bytes) {
    constexpr qsizetype slice = 256 * 1024;
    for (qsizetype at = 0; at < bytes.size(); at += slice) {
        socket.write(bytes.constData() + at, std::min(slice, bytes.size() - at));
        while (socket.bytesToWrite() > 0) {
            if (!socket.waitForBytesWritten(30000)) {
                return false;
            }
        }
    }
    return true;
}

bool connectFrom(QTcpSocket& socket, const QHostAddress& from, quint16 port) {
    socket.bind(from, 0);
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(30000);
}

QByteArray hello() {
    QByteArray bytes;
    wire::putInt(bytes, 1);
    wire::putInt(bytes, 173);
    return bytes;
}

// A game with a coordinates-like info stream of about streamBytes, sent with its id.
QByteArray infoUpload(int client) {
    QByteArray bytes = hello();
    wire::putInt(bytes, 6);
    wire::putString(bytes, "bench-game-" + QByteArray::number(client));
    wire::putInt(bytes, 5);
    wire::putString(bytes, "info");
    const QByteArray line = "123456 1.00 0.51234 0.93210 t0001 0.12345 0.54321 0.03000 c0002 0.22345 0.64321 "
                            "0.04000 g0003 0.5 0.5 0.01";
    while (bytes.size() < streamBytes) {
        wire::putString(bytes, line);
    }
    wire::putString(bytes, "");
    wire::putInt(bytes, 7);
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
            wire::putString(bytes, used ? QByteArray("player") + QByteArray::number(client) : QByteArray("-"));
            wire::putInt(bytes, used ? 1000 * round + client : -1);
            wire::putInt(bytes, -1);
        }
    }
    wire::putInt(bytes, 3);
    return bytes;
}

// The client side of one synchronization; the latency is from connecting to the last table.
double synchronize(quint16 port, const QHostAddress& from, const QByteArray& upload) {
    const Steady::time_point start = Steady::now();
    QTcpSocket socket;
    QByteArray sink;
    qint32 value = 0;
    if (!connectFrom(socket, from, port) || !writeAll(socket, hello() + QByteArray("\x04\0\0\0", 4)) ||
        !readInt(socket, &value) || value != 0 || !readInt(socket, &value) || value != 132 ||
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

double upload(quint16 port, const QHostAddress& from, const QByteArray& bytes) {
    const Steady::time_point start = Steady::now();
    QTcpSocket socket;
    if (!connectFrom(socket, from, port) || !writeAll(socket, bytes)) {
        return -1.0;
    }
    QByteArray answer;
    qint32 status = -1;
    qint32 end = 0;
    // Version answer, receipt (status and digest), then the echoed end once everything is stored.
    if (!readInt(socket, &status) || !readInt(socket, &status) || status != 0 ||
        !readExactly(socket, 4 + 64, &answer) || !readInt(socket, &end) || end != 3) {
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

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// The server program, started on free ports; its peak memory can be reset between phases.
class ServerProcess {
public:
    bool start(const QString& database, QString* error) {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../vazazo-server");
        process.start(program, {QStringLiteral("--db"), database, QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--http-port"), QStringLiteral("0"), QStringLiteral("--max-per-address"),
                                QStringLiteral("16")});
        if (!process.waitForStarted(10000)) {
            *error = QStringLiteral("cannot start %1").arg(program);
            return false;
        }
        QByteArray output;
        const QRegularExpression served(QStringLiteral("score server [^ ]*:(\\d+)"));
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && process.state() == QProcess::Running) {
            process.waitForReadyRead(200);
            output += process.readAllStandardError();
            const QRegularExpressionMatch match = served.match(QString::fromUtf8(output));
            if (match.hasMatch()) {
                port = quint16(match.captured(1).toUInt());
                return true;
            }
        }
        *error = QStringLiteral("the server did not start: %1").arg(QString::fromUtf8(output));
        return false;
    }
    ~ServerProcess() {
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    quint16 tcpPort() const { return port; }
    void resetPeakMemory() {
        QFile clear(QStringLiteral("/proc/%1/clear_refs").arg(process.processId()));
        if (clear.open(QIODevice::WriteOnly)) {
            clear.write("5");
        }
    }
    // User and system CPU seconds the server has used so far.
    double cpuSeconds() {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly)) {
            return -1.0;
        }
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK))
                                  : -1.0;
    }
    double peakMemoryMiB() {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly)) {
            return -1.0;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:")) {
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
            }
        }
        return -1.0;
    }

private:
    QProcess process;
    quint16 port = 0;
};

// Connections that drip one byte of a version check every 2 s and come back when dropped.
class DripSwarm : public QObject {
public:
    explicit DripSwarm(quint16 port) : port(port) {}
    void start() {
        for (int a = 0; a < dripAddresses; ++a) {
            for (int i = 0; i < dripPerAddress; ++i) {
                const QHostAddress from(QStringLiteral("127.0.2.%1").arg(a + 1));
                auto* socket = new QTcpSocket(this);
                connect(socket, &QTcpSocket::connected, this, [this] { ++connected; });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket, from] {
                    --connected;
                    QTimer::singleShot(50, socket, [this, socket, from] { open(socket, from); });
                });
                open(socket, from);
                sockets.push_back(socket);
            }
        }
        auto* drip = new QTimer(this);
        connect(drip, &QTimer::timeout, this, [this] {
            for (QTcpSocket* socket : sockets) {
                if (socket->state() == QAbstractSocket::ConnectedState) {
                    socket->write("\x01", 1);
                }
            }
        });
        drip->start(2000);
    }
    std::atomic<int> connected{0};

private:
    void open(QTcpSocket* socket, const QHostAddress& from) {
        socket->abort();
        socket->bind(from, 0);
        socket->connectToHost(QHostAddress::LocalHost, port);
    }
    quint16 port;
    std::vector<QTcpSocket*> sockets;
};

bool measure(const QString& label, const QString& database, bool drip) {
    ServerProcess server;
    QString error;
    if (!server.start(database, &error)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(error));
        return false;
    }
    const quint16 port = server.tcpPort();
    std::printf("%s\n", qPrintable(label));

    std::vector<QByteArray> infos;
    for (int i = 0; i < clients; ++i) {
        infos.push_back(infoUpload(i));
    }
    server.resetPeakMemory();
    const double cpuBefore = server.cpuSeconds();
    const Steady::time_point start = Steady::now();
    const std::vector<double> uploads = atOnce([&](int i) { return upload(port, player(i), infos[i]); });
    const double wallMs = msSince(start);
    const bool uploadsOk = std::none_of(uploads.begin(), uploads.end(), [](double ms) { return ms < 0; });
    const double mbs = clients * double(infos[0].size()) / 1e6 / (wallMs / 1000.0);
    std::printf("  upload %d x %.1f MB: %.0f ms, aggregate %.1f MB/s, p99 %.0f ms%s; goal >= %.0f MB/s: %s\n",
                clients, infos[0].size() / 1e6, wallMs, mbs, percentile(uploads, 0.99),
                uploadsOk ? "" : " (FAILED uploads)", uploadGoalMBs, verdict(uploadsOk && mbs >= uploadGoalMBs));
    const double cpu = server.cpuSeconds() - cpuBefore;
    std::printf("  server CPU during the uploads: %.2f s, %.0f MB per CPU second; peak memory %.0f MiB (buffer "
                "budget 256 MiB)\n",
                cpu, clients * double(infos[0].size()) / 1e6 / cpu, server.peakMemoryMiB());

    std::vector<double> latencies;
    for (int round = 1; round <= syncRounds; ++round) {
        const std::vector<double> times =
            atOnce([&](int i) { return synchronize(port, player(i), syncUpload(i, round)); });
        latencies.insert(latencies.end(), times.begin(), times.end());
    }
    const bool syncOk = std::none_of(latencies.begin(), latencies.end(), [](double ms) { return ms < 0; });
    const double p99 = percentile(latencies, 0.99);
    std::printf("  synchronize %d x %d rounds: median %.1f ms, p99 %.1f ms%s; goal p99 < %.0f ms: %s\n", clients,
                syncRounds, percentile(latencies, 0.5), p99, syncOk ? "" : " (FAILED synchronizations)", syncGoalMs,
                verdict(syncOk && p99 < syncGoalMs));
    bool dripOk = true;
    if (drip) {
        server.resetPeakMemory();
        QThread thread;
        auto* swarm = new DripSwarm(port);
        swarm->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, swarm, &QObject::deleteLater);
        thread.start();
        QMetaObject::invokeMethod(swarm, [swarm] { swarm->start(); });
        QElapsedTimer clock;
        clock.start();
        while (swarm->connected < dripAddresses * dripPerAddress && clock.elapsed() < 30000) {
            QThread::msleep(50);
        }
        const int dripping = swarm->connected;
        QThread::msleep(4500);
        const double honestMs = synchronize(port, QHostAddress(QStringLiteral("127.0.0.1")), syncUpload(99, 9));
        thread.quit();
        thread.wait();
        dripOk = honestMs >= 0 && honestMs < dripGoalMs;
        std::printf("  honest synchronization beside %d dripping connections from %d addresses: %.1f ms; goal < %.0f ms: "
                    "%s\n",
                    dripping, dripAddresses, honestMs, dripGoalMs, verdict(dripOk));
        std::printf("  server peak memory under the drip: %.0f MiB\n", server.peakMemoryMiB());
    }
    return uploadsOk && syncOk && dripOk;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0) {
        std::printf("Load average at the start: %.2f on %ld processors (a loaded machine lowers every figure)\n",
                    load[0], sysconf(_SC_NPROCESSORS_ONLN));
    }
    QTemporaryDir folder;
    bool ok = true;
    if (argc > 1) {
        return measure(QStringLiteral("Score server, database %1").arg(QString::fromLocal8Bit(argv[1])),
                       QString::fromLocal8Bit(argv[1]), true)
                   ? 0
                   : 1;
    }
    ok = measure(QStringLiteral("Score server on SQLite, %1 clients at once").arg(clients),
                 folder.filePath(QStringLiteral("bench.sqlite")), true);
    TempPostgres postgres;
    QString error;
    if (!postgres.start(&error)) {
        std::printf("PostgreSQL: not measured (%s)\n", qPrintable(error.section(QLatin1Char('\n'), 0, 0)));
        return ok ? 0 : 1;
    }
    ok = measure(QStringLiteral("Score server on PostgreSQL (throw-away cluster, fsync off), %1 clients at once")
                     .arg(clients),
                 postgres.tcpSpec(), false) &&
         ok;
    return ok ? 0 : 1;
}
