#pragma once

#include "net/TlsTrust.h"
#include "protocol/Protocol.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class QTcpSocket;

// One blocking TCP exchange with the score and collection server, framed as in Wire. Every wait
// ends after the time-out, which reads like a lost connection: once lost, integers read as 0,
// strings as empty and sends do nothing, so the caller's loops end quickly.
class Connection {
public:
    static constexpr int receiveBufferBytes = Protocol::maxClientStringBytes;
    static constexpr int defaultTimeoutMs = 10000;

    // Error codes of the table of texts; the others read as unknown.
    enum ErrorCode {
        noError = 0,
        connectionAborted = 10053,
        connectionReset = 10054,
        connectionRefused = 10061,
        hostNotFound = 11001,
        certificateNotVerified = 12045,
        secureChannelFailed = 12157,
    };

    explicit Connection(int timeoutMs = defaultTimeoutMs);
    virtual ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The next connect runs the exchange over TLS and accepts only a server the trust vouches for.
    void useTls(const TlsTrust& trust);
    bool usesTls() const { return tls.has_value(); }
    // Prints what went wrong to standard output, as a console program would.
    bool connect(const QString& host, quint16 port);
    // Sends what is still buffered, then closes.
    void close();
    bool isOpen() const;

    void sendInteger(qint32 value);
    void sendString(const QByteArray& text);
    // Bytes already framed, such as a stream kept for later.
    void sendBytes(const QByteArray& bytes);
    // Waits until everything sent so far has left; false when the connection was lost.
    bool flush();

    qint32 receiveInteger();
    // A string longer than the receive buffer is not taken: the connection counts as lost.
    QByteArray receiveString();

    // An error, the end of the stream, a time-out or an oversized string happened.
    bool isLost() const { return lost; }
    int lastError() const { return error; }
    QString errorText() const { return errorText(error); }
    static QString errorText(int code);
    // Why a secure connection failed, beyond errorText; empty otherwise.
    QString failureDetail() const { return detail; }

private:
    bool connectEncrypted(const QString& host, quint16 port);
    bool receiveExactly(char* into, qint64 count);
    void lose(int code);
    int socketErrorCode() const;

    int timeoutMs;
    std::optional<TlsTrust> tls;
    QString detail;
    std::unique_ptr<QTcpSocket> socket;
    bool lost = false;
    int error = noError;
    std::array<char, receiveBufferBytes> buffer{};
};
