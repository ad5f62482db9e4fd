#include "net/Connection.h"

#include "net/Wire.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <cstdio>

namespace {
// Sends queue in the socket up to this much before the sender waits for them to leave.
constexpr qint64 sendQueueBytes = 1 << 20;

void console(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void printConnectError(int error) {
    if (error == Connection::hostNotFound) {
        console("ERROR, no such host\n");
    } else if (error == Connection::connectionRefused) {
        console("The attempt to connect was forcefully rejected.\n");
    } else {
        console(QString::asprintf("ERROR connecting (%i).\n", error));
    }
}
} // namespace

Connection::Connection(int timeoutMs) : timeoutMs(timeoutMs) {}

Connection::~Connection() {
    close();
}

void Connection::useTls(const TlsTrust& trust) {
    tls = trust;
}

bool Connection::connect(const QString& host, quint16 port) {
    close();
    lost = false;
    error = noError;
    detail.clear();
    if (tls) {
        return connectEncrypted(host, port);
    }
    socket = std::make_unique<QTcpSocket>();
    // The look-up happens inside, so the time-out bounds it too.
    socket->connectToHost(host, port);
    if (!await([this](int ms) { return socket->waitForConnected(ms); },
               [this] { return socket->state() == QAbstractSocket::ConnectedState; })) {
        printConnectError(error);
        socket.reset();
        return false;
    }
    return true;
}

bool Connection::connectEncrypted(const QString& host, quint16 port) {
    auto secure = std::make_unique<QSslSocket>();
    if (!tls->prepare(*secure, &detail)) {
        error = certificateNotVerified;
        console("ERROR, " + detail + "\n");
        lost = true;
        return false;
    }
    QSslSocket* raw = secure.get();
    socket = std::move(secure);
    raw->connectToHostEncrypted(host, port);
    if (await([raw](int ms) { return raw->waitForEncrypted(ms); }, [raw] { return raw->isEncrypted(); })) {
        return true;
    }
    if (error != cancelled && error != timedOut) {
        detail = TlsTrust::verificationProblem(*raw);
        if (!detail.isEmpty()) {
            error = certificateNotVerified;
        }
    }
    if (error == certificateNotVerified) {
        console("ERROR, certificate not verified: " + detail + "\n");
    } else if (error == secureChannelFailed) {
        detail = socket->errorString();
        console("ERROR, no secure channel: " + detail + "\n");
    } else {
        printConnectError(error);
    }
    socket.reset();
    lost = true;
    return false;
}

void Connection::startDeadline(int ms) {
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

void Connection::limitReceiving(qint64 bytes) {
    receiveAllowance = bytes;
}

void Connection::setCancelCheck(CancelCheck check) {
    cancelCheck = std::move(check);
}

bool Connection::await(const std::function<bool(int ms)>& wait, const std::function<bool()>& done) {
    using namespace std::chrono;
    const steady_clock::time_point idleLimit = steady_clock::now() + milliseconds(timeoutMs);
    while (socket) {
        if (cancelCheck && cancelCheck()) {
            lose(cancelled);
            return false;
        }
        // The check may have run the event loop, which moves the socket's data on by itself.
        if (done()) {
            return true;
        }
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            // Closed meanwhile; a time-out left over from an earlier slice is not the reason.
            lose(socket->error() == QAbstractSocket::SocketTimeoutError ? connectionReset : socketErrorCode());
            return false;
        }
        const steady_clock::time_point now = steady_clock::now();
        if (deadline && now >= *deadline) {
            lose(timedOut);
            return false;
        }
        if (now >= idleLimit) {
            lose(connectionAborted);
            return false;
        }
        const steady_clock::time_point until = deadline ? std::min(*deadline, idleLimit) : idleLimit;
        const auto left = duration_cast<milliseconds>(until - now).count() + 1;
        if (wait(static_cast<int>(std::min<long long>(left, waitSliceMs)))) {
            return true;
        }
        if (socket->error() != QAbstractSocket::SocketTimeoutError) {
            lose(socketErrorCode());
            return false;
        }
    }
    return false;
}

void Connection::close() {
    if (!socket) {
        return;
    }
    if (!lost) {
        flush();
    }
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState) {
        socket->waitForDisconnected(std::min(timeoutMs, 1000));
    }
    socket.reset();
}

bool Connection::isOpen() const {
    return socket && !lost;
}

void Connection::sendInteger(qint32 value) {
    sendBytes(Wire::integer(value));
}

void Connection::sendString(const QByteArray& text) {
    sendBytes(Wire::string(text));
}

void Connection::sendBytes(const QByteArray& bytes) {
    if (!isOpen()) {
        return;
    }
    if (socket->write(bytes) != bytes.size()) {
        lose(socketErrorCode());
        return;
    }
    if (deadline) {
        *deadline += std::chrono::milliseconds(bytes.size() * deadlineMsPerMiB / (1 << 20));
    }
    while (!lost && socket->bytesToWrite() > sendQueueBytes) {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            lose(socketErrorCode());
        } else {
            await([this](int ms) { return socket->waitForBytesWritten(ms); },
                  [this] { return socket->bytesToWrite() <= sendQueueBytes; });
        }
    }
}

bool Connection::flush() {
    while (isOpen() && socket->bytesToWrite() > 0) {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            lose(socketErrorCode());
        } else {
            await([this](int ms) { return socket->waitForBytesWritten(ms); },
                  [this] { return socket->bytesToWrite() == 0; });
        }
    }
    return isOpen();
}

qint32 Connection::receiveInteger() {
    char bytes[4];
    return receiveExactly(bytes, 4) ? Wire::toInteger(bytes) : 0;
}

QByteArray Connection::receiveString() {
    const qint32 length = receiveInteger();
    if (length <= 0) {
        return {};
    }
    if (length > receiveBufferBytes) {
        // The sender and this end no longer agree on where strings begin.
        lose(connectionAborted);
        return {};
    }
    if (!receiveExactly(buffer.data(), length)) {
        return {};
    }
    return QByteArray(buffer.data(), length);
}

bool Connection::receiveExactly(char* into, qint64 count) {
    if (!isOpen()) {
        return false;
    }
    flush();
    if (receiveAllowance) {
        if (*receiveAllowance < count) {
            // More than the exchange can need: a server that does not stop.
            lose(connectionAborted);
            return false;
        }
        *receiveAllowance -= count;
    }
    qint64 got = 0;
    while (isOpen() && got < count) {
        const qint64 read = socket->read(into + got, count - got);
        if (read < 0) {
            lose(socketErrorCode());
            break;
        }
        got += read;
        if (got < count && socket->bytesAvailable() == 0) {
            await([this](int ms) { return socket->waitForReadyRead(ms); },
                  [this] { return socket->bytesAvailable() > 0; });
        }
    }
    return got == count;
}

void Connection::lose(int code) {
    lost = true;
    error = code;
    if (socket) {
        socket->abort();
    }
}

int Connection::socketErrorCode() const {
    switch (socket ? socket->error() : QAbstractSocket::UnknownSocketError) {
    case QAbstractSocket::ConnectionRefusedError:
        return connectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return connectionReset;
    case QAbstractSocket::SocketTimeoutError:
        return connectionAborted;
    case QAbstractSocket::HostNotFoundError:
        return hostNotFound;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
        return secureChannelFailed;
    default:
        // Outside the table, so the text names the code.
        return 20000 + static_cast<int>(socket ? socket->error() : QAbstractSocket::UnknownSocketError);
    }
}

QString Connection::errorText(int code) {
    switch (code) {
    case 10022:
        return "An invalid argument was supplied.";
    case 10035:
        return "The socket is marked as nonblocking and the connection cannot be completed immediately.";
    case 10038:
        return "An operation was attempted on something that is not a socket.";
    case connectionAborted:
        return "Software caused connection abort.\nAn established connection was aborted by the software in "
               "your host machine, possibly due to a data transmission timeout or protocol error.";
    case connectionReset:
        return "Connection reset by peer.\nA existing connection was forcibly closed by the remote host. This "
               "normally results if the peer application on the remote host is suddenly stopped, the host is "
               "rebooted, or the remote host used a \"hard close\".";
    case timedOut:
        return "Connection timed out.\nThe server did not finish the exchange in the time allowed.";
    case cancelled:
        return "Cancelled.\nThe exchange was cancelled.";
    case connectionRefused:
        return "Connection refused.\nNo connection could be made because the target machine actively refused "
               "it. This usually results from trying to connect to a service that is inactive on the foreign "
               "host - i.e. one with no server application running.";
    case 10093:
        return "Either the application has not called WSAStartup, or WSAStartup failed.";
    case certificateNotVerified:
        return "The server's certificate could not be verified.\nThe score server could not prove that it is "
               "the one it claims to be, so nothing was sent to it.";
    case secureChannelFailed:
        return "The secure connection to the server could not be set up.\nThe server offers TLS, but the "
               "handshake with it failed.";
    default:
        return QString::asprintf("Unknown network error # %i", code);
    }
}
