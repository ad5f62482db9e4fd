#include "net/TlsTrust.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>

bool TlsTrust::prepare(QSslSocket& socket, QString* problem) const {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    if (!pinnedCertificateFile.isEmpty()) {
        QFile file(pinnedCertificateFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *problem = QString("The score server certificate file %1 cannot be read: %2")
                           .arg(pinnedCertificateFile, file.errorString());
            return false;
        }
        const QByteArray bytes = file.read(1 << 20);
        QList<QSslCertificate> pinned = QSslCertificate::fromData(bytes, QSsl::Pem);
        if (pinned.isEmpty()) {
            pinned = QSslCertificate::fromData(bytes, QSsl::Der);
        }
        pinned.removeIf([](const QSslCertificate& certificate) { return certificate.isNull(); });
        if (pinned.isEmpty()) {
            *problem = QString("The score server certificate file %1 holds no certificate.")
                           .arg(pinnedCertificateFile);
            return false;
        }
        configuration.setCaCertificates(pinned);
        // The very certificate that was pinned is the server, whatever name led to it and whoever
        // signed it; only its dates still count.
        QObject::connect(&socket, &QSslSocket::sslErrors, &socket,
                         [&socket, pinned](const QList<QSslError>& errors) {
                             const bool onlyWhoVouches =
                                 std::none_of(errors.begin(), errors.end(), [](const QSslError& error) {
                                     return error.error() == QSslError::CertificateExpired ||
                                            error.error() == QSslError::CertificateNotYetValid ||
                                            error.error() == QSslError::CertificateRevoked ||
                                            error.error() == QSslError::CertificateBlacklisted;
                                 });
                             if (onlyWhoVouches && pinned.contains(socket.peerCertificate())) {
                                 socket.ignoreSslErrors(errors);
                             }
                         });
    }
    socket.setSslConfiguration(configuration);
    return true;
}

QString TlsTrust::verificationProblem(const QSslSocket& socket) {
    QStringList reasons;
    for (const QSslError& error : socket.sslHandshakeErrors()) {
        if (!reasons.contains(error.errorString())) {
            reasons << error.errorString();
        }
    }
    return reasons.join("; ");
}
