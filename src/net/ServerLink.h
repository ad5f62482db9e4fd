#pragma once

#include "net/Connection.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

class ProgressLines;
class QTcpSocket;

// One exchange with the score and collection server: the discovery page names the host of the
// TCP server, the version check opens it, and the caller's command follows. Progress goes to the
// caller's window, which lives as long as the link.
class ServerLink {
public:
    static constexpr const char* pagePath = "/~dezezi/Ruruzuvuv.html";
    static constexpr const char* agentName = "Ruruzuvuv";
    static constexpr int pageReadBytes = 4096;
    static constexpr int failurePauseMs = 2500;
    // The page, the connect and the version check together end within this; the caller's command
    // then has commandDeadlineMs, plus the connection's allowance for every MiB it sends.
    static constexpr int openDeadlineMs = 30000;
    static constexpr int commandDeadlineMs = 60000;
    // How long the window thread waits after a failed connect, so the message can be read.
    using Pause = std::function<void(int ms)>;

    explicit ServerLink(ProgressLines& progress, int timeoutMs = Connection::defaultTimeoutMs);

    // The page body, at most pageReadBytes of it with carriage returns removed; empty on failure,
    // and the progress window then says which step failed. The progress window's cancel ends it.
    QByteArray fetchPage(const QString& host, const QString& path, quint16 port, bool https = false);
    // scoreServer is the discovery page's PageAddress. True when the server accepted this
    // program's version and waits for the caller's command.
    bool open(const QString& scoreServer);
    // Checks the certificates of a page fetched over HTTPS and of a server that offers TLS.
    void setTrust(const TlsTrust& trust) { this->trust = trust; }

    // What the server's page offers beyond the original exchange; known once open has fetched it.
    const Protocol::Capabilities& capabilities() const { return caps; }

    Connection& connection() { return conn; }
    ProgressLines& progress() { return lines; }
    void setPause(Pause pause);

private:
    // Null when the handshake failed; the progress lines say why.
    std::unique_ptr<QTcpSocket> openSecurePage(const QString& host, quint16 port);
    // Waits in short slices until done() holds; false on an error, a cancel or once until has passed.
    bool await(QTcpSocket& socket, const std::function<bool(int ms)>& wait, const std::function<bool()>& done,
               std::chrono::steady_clock::time_point until);

    ProgressLines& lines;
    Connection conn;
    int timeoutMs;
    Pause pause;
    Protocol::Capabilities caps;
    TlsTrust trust;
};
