#include "ServerClient.h"
#include "server/ServerOptions.h"
#include "support/TestCertificates.h"
#include "support/TestMain.h"

#include <QtTest>

class ServerTlsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    TestCertificate own;
    TestCertificate other;

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules("vazazo.server.info=false");
        QString error;
        own = makeCertificate(QDir(dir.path()), "own", "IP:127.0.0.1", nullptr, &error);
        other = makeCertificate(QDir(dir.path()), "other", "IP:127.0.0.1", nullptr, &error);
        QVERIFY2(!own.certificate.isEmpty() && !other.certificate.isEmpty(), qPrintable(error));
    }

    void tlsOptionsComeAsAPairAndHttpsNeedsThem() {
        const auto parse = [](const QStringList& arguments) {
            ServerConfig parsed;
            bool help = false;
            QString usage, error;
            return parseServerOptions(QStringList{"vazazo-server"} + arguments, &parsed, &help, &usage, &error)
                       ? QString("%1 %2 %3").arg(parsed.tls.certificate, parsed.tls.key).arg(parsed.httpsPort)
                       : error;
        };
        QCOMPARE(parse({"--tls-cert", "c.pem", "--tls-key", "k.pem"}), QString("c.pem k.pem -1"));
        QCOMPARE(parse({"--tls-cert=c.pem", "--tls-key=k.pem", "--https-port=8443"}), QString("c.pem k.pem 8443"));
        for (const auto& [arguments, complaint] : {std::pair{QStringList{"--tls-cert", "c.pem"}, "go together"},
                                                   {QStringList{"--tls-key", "k.pem"}, "go together"},
                                                   {QStringList{"--tls-cert=", "--tls-key=k.pem"}, "go together"},
                                                   {QStringList{"--https-port", "8443"}, "needs --tls-cert"},
                                                   {QStringList{"--tls-cert=c", "--tls-key=k", "--https-port=x"}, "port number"}})
            QVERIFY2(parse(arguments).contains(complaint), qPrintable(parse(arguments)));
    }

    // Files that cannot serve stop the start with a message naming them, before any client
    // meets a server that fails every handshake.
    void certificatesThatCannotServeStopTheStart() {
        const QDir folder(dir.path());
        QFile garbage(folder.filePath("garbage.pem"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a certificate\n") > 0);
        garbage.close();
        for (const auto& [certificate, key, complaint] :
             {std::tuple{folder.filePath("none.pem"), own.key, "Cannot read"},
              {garbage.fileName(), own.key, "holds no PEM certificate"},
              {own.certificate, own.certificate, "holds no PEM private key"},
              {own.certificate, other.key, "do not work together"}}) {
            ServerConfig config = testConfig(dir.filePath("tls.sqlite"));
            config.tls = {certificate, key};
            QString error;
            QVERIFY(!ScoreServer(config).start(&error));
            QVERIFY2(error.contains(complaint) && (error.contains(certificate) || error.contains(key)), qPrintable(error));
        }
    }
};

VAZAZO_TEST(ServerTlsTest)
#include "test_ServerTls.moc"
