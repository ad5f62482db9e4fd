#include "net/ServerLink.h"

#include "core/Log.h"
#include "core/Notice.h"
#include "net/ProgressLines.h"
#include "net/ServerAddress.h"
#include "net/Wire.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <chrono>

namespace {
// Headers beyond this are not a page this program asked for.
constexpr qsizetype maxHeaderBytes = 16384;

struct Response {
    bool complete = false;
    int status = 0;
    QByteArray body;
};

// Reads until the server closes or enough of the body is in; a time-out or a cancel ends it with
// what came.
Response readResponse(QTcpSocket& socket, int timeoutMs, ProgressLines& lines) {
    QByteArray data;
    qsizetype headerEnd = -1;
    qsizetype separator = 0;
    Response response;
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < timeoutMs && !lines.cancelRequested()) {
        data += socket.readAll();
        if (headerEnd < 0) {
            headerEnd = data.indexOf("\r\n\r\n");
            separator = 4;
            if (headerEnd < 0 && (headerEnd = data.indexOf("\n\n")) >= 0) {
                separator = 2;
            }
            if (headerEnd < 0 && data.size() > maxHeaderBytes) {
                return response;
            }
        }
        if (headerEnd >= 0 && data.size() - headerEnd - separator >= ServerLink::pageReadBytes) {
            break;
        }
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
            break;
        }
        socket.waitForReadyRead(
            static_cast<int>(std::clamp<qint64>(timeoutMs - since.elapsed(), 1, Connection::waitSliceMs)));
    }
    if (headerEnd < 0) {
        return response;
    }
    static const QRegularExpression statusLine(R"(^HTTP/\d\.\d\s+(\d{3}))");
    const QRegularExpressionMatch match = statusLine.match(QString::fromLatin1(data.left(32)));
    if (!match.hasMatch()) {
        return response;
    }
    response.complete = true;
    response.status = match.captured(1).toInt();
    response.body = data.mid(headerEnd + separator, ServerLink::pageReadBytes);
    return response;
}
} // namespace

ServerLink::ServerLink(ProgressLines& progress, int timeoutMs)
    : lines(progress), conn(timeoutMs), timeoutMs(timeoutMs),
      pause([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }) {
    conn.setCancelCheck([this] { return lines.cancelRequested(); });
}

bool ServerLink::await(QTcpSocket& socket, const std::function<bool(int ms)>& wait,
                       const std::function<bool()>& done, std::chrono::steady_clock::time_point until) {
    using namespace std::chrono;
    while (!lines.cancelRequested()) {
        // The check may have run the event loop, which moves the socket on by itself.
        if (done()) {
            return true;
        }
        const auto left = duration_cast<milliseconds>(until - steady_clock::now()).count();
        if (left <= 0) {
            return false;
        }
        if (wait(static_cast<int>(std::min<long long>(left, Connection::waitSliceMs)))) {
            return true;
        }
        if (socket.state() == QAbstractSocket::UnconnectedState ||
            socket.error() != QAbstractSocket::SocketTimeoutError) {
            return false;
        }
    }
    return false;
}

void ServerLink::setPause(Pause newPause) {
    pause = std::move(newPause);
}

QByteArray ServerLink::fetchPage(const QString& host, const QString& path, quint16 port, bool https) {
    lines.addLine("Opening internet session..");
    lines.addLine("Connecting to " + host);
    const auto limit = [this] { return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs); };
    std::unique_ptr<QTcpSocket> connected = https ? openSecurePage(host, port) : std::make_unique<QTcpSocket>();
    if (!connected) {
        return {};
    }
    QTcpSocket& socket = *connected;
    if (!https) {
        socket.connectToHost(host, port);
        if (!await(
                socket, [&socket](int ms) { return socket.waitForConnected(ms); },
                [&socket] { return socket.state() == QAbstractSocket::ConnectedState; }, limit())) {
            lines.addLine("Cannot connect to the HTTP server!");
            return {};
        }
    }
    const QString hostHeader = ServerAddress{host, port}.toString();
    const QByteArray request = "GET " + path.toUtf8() + " HTTP/1.0\r\nHost: " + hostHeader.toUtf8() +
                               "\r\nUser-Agent: " + agentName + "\r\nConnection: close\r\n\r\n";
    socket.write(request);
    const auto writeLimit = limit();
    while (socket.bytesToWrite() > 0 &&
           await(
               socket, [&socket](int ms) { return socket.waitForBytesWritten(ms); },
               [&socket] { return socket.bytesToWrite() == 0; }, writeLimit)) {
    }
    if (socket.bytesToWrite() > 0) {
        lines.addLine("Problem with sending request!");
        return {};
    }
    const Response response = readResponse(socket, timeoutMs, lines);
    socket.abort();
    if (!response.complete) {
        lines.addLine("Problem with sending request!");
        return {};
    }
    if (response.status != 200) {
        lines.addLine("Cannot reach specified page!");
        return {};
    }
    QByteArray page = response.body;
    page.replace('\r', QByteArray());
    return page;
}

std::unique_ptr<QTcpSocket> ServerLink::openSecurePage(const QString& host, quint16 port) {
    auto socket = std::make_unique<QSslSocket>();
    QString problem;
    if (!trust.prepare(*socket, &problem)) {
        lines.addLine(problem);
        appendLog(problem);
        return nullptr;
    }
    socket->connectToHostEncrypted(host, port);
    QSslSocket* secure = socket.get();
    if (await(
            *secure, [secure](int ms) { return secure->waitForEncrypted(ms); },
            [secure] { return secure->isEncrypted(); },
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs))) {
        return socket;
    }
    problem = TlsTrust::verificationProblem(*socket);
    if (problem.isEmpty()) {
        lines.addLine("Cannot connect to the HTTP server!");
        return nullptr;
    }
    lines.addLine("The certificate of the HTTPS server could not be verified!");
    lines.addLine(problem);
    appendLog(QString("The certificate of the score server's page at %1 could not be verified: %2")
                  .arg(ServerAddress{host, port}.toString(), problem));
    return nullptr;
}

bool ServerLink::open(const QString& scoreServer) {
    const std::optional<PageAddress> pageAddress = PageAddress::parse(scoreServer);
    if (!pageAddress) {
        lines.addLine(QString("The score server \"%1\" is not of the form host[:port].").arg(scoreServer));
        return false;
    }
    conn.startDeadline(openDeadlineMs);
    const QByteArray page =
        fetchPage(pageAddress->address.host, pagePath, pageAddress->address.port, pageAddress->https);
    const qsizetype first = page.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : page.indexOf('\n', first + 1);
    if (second < 0) {
        return false;
    }
    caps = Protocol::Capabilities::fromPage(page);
    const QString named = QString::fromUtf8(page.mid(first + 1, second - first - 1));
    const std::optional<ServerAddress> server = ServerAddress::parse(named, Wire::serverPort);
    if (caps.tls) {
        conn.useTls(trust);
    }
    if (!server || !conn.connect(server->host, server->port)) {
        lines.addLine("Error (1): " + (server ? conn.errorText() : Connection::errorText(Connection::hostNotFound)));
        if (server && conn.lastError() == Connection::certificateNotVerified) {
            lines.addLine(conn.failureDetail());
            appendLog(QString("The certificate of the score server at %1 could not be verified: %2")
                          .arg(server->toString(), conn.failureDetail()));
        }
        // The pause lets the message be read; a player who cancelled has read enough.
        if (conn.lastError() != Connection::cancelled) {
            pause(failurePauseMs);
        }
        return false;
    }
    lines.addLine("Checking version..");
    conn.sendInteger(Wire::versionCheck);
    conn.sendInteger(Wire::programVersion);
    const QByteArray answer = conn.receiveString();
    if (conn.isLost()) {
        // An empty answer from a lost connection is no acceptance.
        lines.addLine("Error (1): " + conn.errorText());
        conn.close();
        if (conn.lastError() != Connection::cancelled) {
            pause(failurePauseMs);
        }
        return false;
    }
    if (!answer.isEmpty()) {
        Notice::show(QString::fromUtf8(answer));
        conn.close();
        return false;
    }
    conn.startDeadline(commandDeadlineMs);
    return true;
}
