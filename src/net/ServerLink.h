#pragma once

#include "net/Connection.h"

#include <QByteArray>
#include <QString>

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
    // How long the window thread waits after a failed connect, so the message can be read.
    using Pause = std::function<void(int ms)>;

    explicit ServerLink(ProgressLines& progress, int timeoutMs = Connection::defaultTimeoutMs);

    // The page body, at most pageReadBytes of it with carriage returns removed; empty on failure,
    // and the progress window then says which step failed.
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

    ProgressLines& lines;
    Connection conn;
    int timeoutMs;
    Pause pause;
    Protocol::Capabilities caps;
    TlsTrust trust;
};
