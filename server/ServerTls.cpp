#include "server/ServerTls.h"

#include <QEventLoop>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

namespace {
bool readFile(const QString& path, const char* what, QByteArray* bytes, QString* error) {
    QFile file(path);
    // Certificates and keys are small; anything large is not one.
    if (!file.open(QIODevice::ReadOnly) || (*bytes = file.read(1 << 20)).isEmpty()) {
        *error = QStringLiteral("Cannot read the TLS %1 file \"%2\"%3.")
                     .arg(QLatin1String(what), path,
                          file.error() != QFileDevice::NoError ? ": " + file.errorString() : QString());
        return false;
    }
    return true;
}

// A handshake with itself over loopback: the one check Qt offers that the key belongs to the
// certificate, made before any client meets a server that cannot complete one.
bool handshakeWithItself(const QSslConfiguration& configuration, QString* problem) {
    QSslServer server;
    server.setSslConfiguration(configuration);
    if (!server.listen(QHostAddress::LocalHost, 0) && !server.listen(QHostAddress::LocalHostIPv6, 0)) {
        // No loopback to try it on; the clients will tell.
        return true;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&server, &QSslServer::errorOccurred, &loop,
                     [&](QSslSocket* socket, QAbstractSocket::SocketError) {
                         *problem = socket->errorString();
                         loop.quit();
                     });
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone);
    bool encrypted = false;
    QObject::connect(&client, &QSslSocket::encrypted, &loop, [&] {
        encrypted = true;
        loop.quit();
    });
    QObject::connect(&client, &QSslSocket::errorOccurred, &loop, [&] {
        if (problem->isEmpty()) {
            *problem = client.errorString();
        }
        loop.quit();
    });
    client.connectToHostEncrypted(server.serverAddress().toString(), server.serverPort());
    deadline.start(10000);
    loop.exec();
    if (!encrypted && problem->isEmpty()) {
        *problem = QStringLiteral("no answer within 10 s");
    }
    return encrypted;
}
} // namespace

bool loadServerTls(const TlsFiles& files, QSslConfiguration* configuration, QString* error) {
    if (files.certificate.isEmpty() || files.key.isEmpty()) {
        *error = QStringLiteral("TLS needs both --tls-cert and --tls-key.");
        return false;
    }
    QByteArray certificateBytes;
    QByteArray keyBytes;
    if (!readFile(files.certificate, "certificate", &certificateBytes, error) ||
        !readFile(files.key, "key", &keyBytes, error)) {
        return false;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certificateBytes, QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull()) {
        *error = QStringLiteral("The TLS certificate file \"%1\" holds no PEM certificate.")
                     .arg(files.certificate);
        return false;
    }
    QSslKey key;
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa, QSsl::Dh}) {
        key = QSslKey(keyBytes, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull()) {
            break;
        }
    }
    if (key.isNull()) {
        *error = QStringLiteral("The TLS key file \"%1\" holds no PEM private key without a passphrase.")
                     .arg(files.key);
        return false;
    }
    QSslConfiguration result = QSslConfiguration::defaultConfiguration();
    result.setLocalCertificateChain(chain);
    result.setPrivateKey(key);
    result.setPeerVerifyMode(QSslSocket::VerifyNone);
    result.setProtocol(QSsl::TlsV1_2OrLater);
    QString problem;
    if (!handshakeWithItself(result, &problem)) {
        *error = QStringLiteral("The TLS certificate \"%1\" and key \"%2\" do not work together: %3")
                     .arg(files.certificate, files.key, problem);
        return false;
    }
    *configuration = result;
    return true;
}
