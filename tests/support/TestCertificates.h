#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

// Certificates made with the openssl command in a test's temporary folder.
struct TestCertificate {
    QString certificate;
    QString key;
};

// A self-signed certificate for the names (subjectAltName syntax), or, with an issuer, one signed
// by it. Empty paths when openssl failed; its complaint goes to error.
inline TestCertificate makeCertificate(const QDir& folder, const QString& name, const QString& altNames,
                                       const TestCertificate* issuer = nullptr, QString* error = nullptr) {
    TestCertificate made{folder.filePath(name + ".crt"), folder.filePath(name + ".key")};
    const auto run = [error](const QStringList& arguments) {
        QProcess openssl;
        openssl.start("openssl", arguments);
        const bool ok = openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
                        openssl.exitCode() == 0;
        if (!ok && error) {
            *error = "openssl " + arguments.join(' ') + ": " + openssl.errorString() + " " +
                     QString::fromLocal8Bit(openssl.readAllStandardError());
        }
        return ok;
    };
    const QStringList key{"-newkey",    "ec",      "-pkeyopt", "ec_paramgen_curve:prime256v1",
                          "-nodes",     "-keyout", made.key,   "-subj",
                          "/CN=" + name};
    bool ok = false;
    if (!issuer) {
        ok = run(QStringList{"req", "-x509", "-days", "2", "-out", made.certificate, "-addext",
                             "subjectAltName=" + altNames} +
                 key);
    } else {
        const QString request = folder.filePath(name + ".csr");
        const QString extensions = folder.filePath(name + ".ext");
        QFile file(extensions);
        ok =
            file.open(QIODevice::WriteOnly) && file.write(("subjectAltName=" + altNames + "\n").toUtf8()) > 0;
        file.close();
        ok = ok && run(QStringList{"req", "-new", "-out", request} + key) &&
             run({"x509", "-req", "-in", request, "-CA", issuer->certificate, "-CAkey", issuer->key,
                  "-CAcreateserial", "-days", "2", "-out", made.certificate, "-extfile", extensions});
    }
    return ok ? made : TestCertificate{};
}
