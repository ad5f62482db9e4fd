#include "ServerClient.h"
#include "server/ServerOptions.h"
#include "support/TestCertificates.h"
#include "support/TestMain.h"

#include <QtTest>

namespace {
QString writeFile(const QDir& folder, const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}
} // namespace

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

    void tlsOptionsComeAsAPairAndHttpsNeedsThem_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("both") << QStringList{"--tls-cert", "c.pem", "--tls-key", "k.pem"} << "";
        QTest::newRow("both and https")
            << QStringList{"--tls-cert=c.pem", "--tls-key=k.pem", "--https-port=8443"} << "";
        QTest::newRow("certificate alone") << QStringList{"--tls-cert", "c.pem"} << "go together";
        QTest::newRow("key alone") << QStringList{"--tls-key", "k.pem"} << "go together";
        QTest::newRow("empty certificate") << QStringList{"--tls-cert=", "--tls-key=k.pem"} << "go together";
        QTest::newRow("https without tls") << QStringList{"--https-port", "8443"} << "needs --tls-cert";
        QTest::newRow("https not a port")
            << QStringList{"--tls-cert=c", "--tls-key=k", "--https-port=x"} << "port number";
    }
    void tlsOptionsComeAsAPairAndHttpsNeedsThem() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, complaint);
        ServerConfig parsed;
        bool help = false;
        QString usage;
        QString error;
        const bool ok =
            parseServerOptions(QStringList{"vazazo-server"} + arguments, &parsed, &help, &usage, &error);
        QCOMPARE(ok, complaint.isEmpty());
        QVERIFY2(error.contains(complaint), qPrintable(error));
        if (ok) {
            QCOMPARE(parsed.tls.certificate + " " + parsed.tls.key, QString("c.pem k.pem"));
            QCOMPARE(parsed.httpsPort, arguments.size() == 3 ? 8443 : -1);
        }
    }

    // Files that cannot serve stop the start with a message naming them, before any client
    // meets a server that fails every handshake.
    void certificatesThatCannotServeStopTheStart_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("complaint");
        const QDir folder(dir.path());
        const QString garbage = writeFile(folder, "garbage.pem", "not a certificate\n");
        QTest::newRow("missing certificate") << folder.filePath("none.pem") << own.key << "Cannot read";
        QTest::newRow("not a certificate") << garbage << own.key << "holds no PEM certificate";
        QTest::newRow("certificate as key")
            << own.certificate << own.certificate << "holds no PEM private key";
        QTest::newRow("another certificate's key") << own.certificate << other.key << "do not work together";
    }
    void certificatesThatCannotServeStopTheStart() {
        QFETCH(QString, certificate);
        QFETCH(QString, key);
        QFETCH(QString, complaint);
        ServerConfig config = testConfig(dir.filePath("tls.sqlite"));
        config.tls = {certificate, key};
        ScoreServer server(config);
        QString error;
        QVERIFY(!server.start(&error));
        QVERIFY2(error.contains(complaint) && (error.contains(certificate) || error.contains(key)),
                 qPrintable(error));
    }
};

VAZAZO_TEST(ServerTlsTest)
#include "test_ServerTls.moc"
