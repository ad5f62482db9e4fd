#pragma once

#include <QString>

class QSslSocket;

// Whom the game trusts to be the score server: any certificate the system's roots vouch for, or,
// with a pinned file, only the certificates in it (a lab's own, often self-signed).
struct TlsTrust {
    QString pinnedCertificateFile;

    // Sets the socket up before its handshake. False, with the reason, when the pinned file
    // cannot be used; nothing should be sent then.
    bool prepare(QSslSocket& socket, QString* problem) const;
    // After a handshake that failed: why the certificate was not accepted; empty when the
    // certificate was not the cause.
    static QString verificationProblem(const QSslSocket& socket);
};
