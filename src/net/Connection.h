#pragma once

#include "net/TlsTrust.h"
#include "protocol/Protocol.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
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
    // Waits are cut into slices this long, so a cancel is noticed quickly.
    static constexpr int waitSliceMs = 50;
    // What sending one MiB may add to the deadline of the exchange.
    static constexpr int deadlineMsPerMiB = 30000;

    // Error codes of the table of texts; the others read as unknown.
    enum ErrorCode {
        noError = 0,
        connectionAborted = 10053,
        connectionReset = 10054,
        connectionRefused = 10061,
        // The exchange ran past its deadline, or the player cancelled it.
        timedOut = 10060,
        cancelled = 10004,
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

    // The whole exchange ends by then, however steadily the server trickles: a wait past it reads
    // like a lost connection. Every byte sent afterwards moves it by deadlineMsPerMiB per MiB.
    void startDeadline(int ms);
    // At most this many more bytes may be received; a read beyond them reads like a lost connection.
    void limitReceiving(qint64 bytes);
    using CancelCheck = std::function<bool()>;
    // Asked between the slices of every wait; true ends the exchange as a lost connection.
    void setCancelCheck(CancelCheck check);

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
    // Runs wait(ms) in slices until it succeeds or done() holds; false, with the connection lost,
    // on an error, the idle time-out, the deadline or a cancel.
    bool await(const std::function<bool(int ms)>& wait, const std::function<bool()>& done);
    void lose(int code);
    int socketErrorCode() const;

    int timeoutMs;
    std::optional<TlsTrust> tls;
    QString detail;
    std::unique_ptr<QTcpSocket> socket;
    bool lost = false;
    int error = noError;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    std::optional<qint64> receiveAllowance;
    CancelCheck cancelCheck;
    std::array<char, receiveBufferBytes> buffer{};
};
