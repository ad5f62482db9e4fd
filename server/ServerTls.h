#pragma once

#include <QSslConfiguration>
#include <QString>

// The certificate and private key the server presents; both empty: no TLS.
struct TlsFiles {
    QString certificate; // PEM: the server's certificate, then any intermediates
    QString key;         // PEM private key without a passphrase

    bool enabled() const { return !certificate.isEmpty() || !key.isEmpty(); }
};

// Reads both files into a server-side configuration. False with a message naming the file when
// one is missing, unreadable, holds no certificate or usable key, or the key is not the
// certificate's own.
bool loadServerTls(const TlsFiles& files, QSslConfiguration* configuration, QString* error);
