#include "support/TestMain.h"
#include "Player.h"
#include "learning/DataUpload.h"
#include "net/ServerAddress.h"
#include "net/ServerLink.h"
#include "server/ServerClient.h"
#include "server/ServerDatabase.h"
#include "support/DataPlayer.h"
#include "support/TestCertificates.h"
#include "support/Waiting.h"

#include <QTcpSocket>
#include <QtTest>

class TlsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    TestCertificate server;
    TestCertificate stranger;

    std::unique_ptr<ServerThread> startServer(const QString& database, const TestCertificate& certificate) {
        ServerConfig config = testConfig(database);
        config.tls = {certificate.certificate, certificate.key};
        config.httpsPort = certificate.certificate.isEmpty() ? -1 : 0;
        auto started = std::make_unique<ServerThread>(config);
        if (QString error; !started->start(&error)) {
            qWarning() << error;
            started.reset();
        }
        return started;
    }

    QByteArray fetchSecurePage(quint16 port, const QString& pinned, QStringList* progress) {
        RecordingProgress lines(*progress);
        // Generous: the handshake is slow on a loaded machine.
        ServerLink link(lines, 30000);
        link.setTrust({pinned});
        return link.fetchPage("127.0.0.1", ServerLink::pagePath, port, true);
    }

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules("vazazo.server.info=false");
        QVERIFY(dir.isValid());
        QString error;
        const QDir folder(dir.path());
        server = makeCertificate(folder, "server", "IP:127.0.0.1,DNS:localhost", nullptr, &error);
        stranger = makeCertificate(folder, "stranger", "IP:127.0.0.1,DNS:localhost", nullptr, &error);
        QVERIFY2(!server.certificate.isEmpty() && !stranger.certificate.isEmpty(), qPrintable(error));
    }
    void init() { GameLog::takePending(); }

    void scoreServerSettingsNameThePageAndHowToFetchIt() {
        QStringList parsed;
        for (const char* text : {"scores.example", "http://scores.example:8080", " HTTPS://scores.example/ ",
                                 "https://[::1]:8443", "ftp://scores.example", "https://scores.example/page", "https://"}) {
            const std::optional<PageAddress> page = PageAddress::parse(text);
            parsed << (page ? page->address.toString() + (page->https ? " https" : "") : "-");
        }
        QCOMPARE(parsed, (QStringList{"scores.example:80", "scores.example:8080", "scores.example:443 https",
                                      "[::1]:8443 https", "-", "-", "-"}));
    }

    // Uploads and synchronizations run encrypted to a server whose certificate the player pinned,
    // whether the page came over HTTP or HTTPS. A server whose certificate cannot be verified is
    // treated like a dead one: nothing goes to it, the game waits in its files and the queue, the
    // tables stay, and the log says why; pinned right, the next game takes the waiting one along.
    void onlyAVerifiedServerGetsGamesAndScores_data() {
        QTest::addColumn<QString>("pinned");
        QTest::addColumn<bool>("pageOverHttps");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pinned, page over HTTP") << server.certificate << false << "";
        QTest::newRow("pinned, page over HTTPS") << server.certificate << true << "";
        QTest::newRow("system roots") << QString() << false << "could not be verified";
        QTest::newRow("another pinned certificate") << stranger.certificate << false << "could not be verified";
        QTest::newRow("missing pinned file") << dir.filePath("missing.pem") << false << "cannot be read";
    }
    void onlyAVerifiedServerGetsGamesAndScores() {
        QFETCH(QString, pinned);
        QFETCH(bool, pageOverHttps);
        QFETCH(QString, reason);
        const QString database = dir.filePath(QString(QTest::currentDataTag()) + ".sqlite");
        const auto running = startServer(database, server);
        QVERIFY(running);
        const QString page = pageOverHttps ? QString("https://127.0.0.1:%1").arg(running->httpsPort())
                                           : QString("127.0.0.1:%1").arg(running->httpPort());
        Player player(page, pinned);
        player.play("1000 1.00 0.20000 0.95000");
        player.enter(5, 0, "Ann", 40);
        player.synchronize();
        OPEN_VIEW(view, database);
        const auto completeStreams = [&view] {
            const QList<StoredStream> streams = view.streams();
            return std::count_if(streams.begin(), streams.end(), [](const StoredStream& s) { return s.complete; });
        };
        if (reason.isEmpty()) {
            QVERIFY(DataUpload(player.folder).queued().isEmpty() && waitUntil([&] { return completeStreams() == 3; }));
            QVERIFY(player.tables.table(5)->uniqueNumbers[0] > 0 && view.table(5).at(0).name == "Ann");

            // The exchange itself is encrypted: a client speaking it in plain text gets no answer.
            QTcpSocket plain;
            plain.connectToHost(QHostAddress::LocalHost, running->tcpPort());
            QVERIFY(plain.waitForConnected(30000) && plain.write(QByteArray::fromHex("01000000ad000000")) == 8);
            QVERIFY((plain.state() == QAbstractSocket::UnconnectedState || plain.waitForDisconnected(15000)) &&
                    !plain.readAll().startsWith(QByteArray(4, '\0')));
            return;
        }
        const QString log = takeLogText();
        QVERIFY2(log.contains(reason) && log.contains("could not be reached") && !player.progress.filter(reason).isEmpty(),
                 qPrintable(log));
        QCOMPARE(DataUpload(player.folder).queued(), QStringList{"upload1700000000.wire"});
        QVERIFY(player.folder.exists("stats1700000000.txt") && player.folder.exists("info1700000000.txt"));
        QCOMPARE(player.places(5), QStringList{"Ann 40 #-1"});
        QVERIFY(view.streams().isEmpty() && view.table(5).at(0).isEmpty());

        player.certificate = server.certificate;
        player.play("2000 0.00 0.30000 0.95000");
        QVERIFY(DataUpload(player.folder).queued().isEmpty() && waitUntil([&] { return completeStreams() == 6; }));
    }

    // Not verified, or a port that speaks no TLS: the fetch fails without hanging and says why. A
    // pinned certificate authority vouches for the names it signed and no others; a pinned server
    // certificate is that server, whatever name led to it.
    void thePageComesOverHttpsOnlyFromAVerifiedServer() {
        const QDir folder(dir.path());
        QString error;
        const TestCertificate authority = makeCertificate(folder, "lab-ca", "DNS:lab-ca.example", nullptr, &error);
        const TestCertificate named = makeCertificate(folder, "named", "IP:127.0.0.1", &authority, &error);
        const TestCertificate elsewhere =
            makeCertificate(folder, "elsewhere", "DNS:elsewhere.example", &authority, &error);
        QVERIFY2(!named.certificate.isEmpty() && !elsewhere.certificate.isEmpty(), qPrintable(error));
        const auto running = startServer(folder.filePath("server.sqlite"), server);
        const auto plain = startServer(folder.filePath("plain.sqlite"), TestCertificate{});
        const auto namedServer = startServer(folder.filePath("named.sqlite"), named);
        const auto elsewhereServer = startServer(folder.filePath("elsewhere.sqlite"), elsewhere);
        QVERIFY(running && plain && namedServer && elsewhereServer);
        QStringList progress;
        const QByteArray page = fetchSecurePage(running->httpsPort(), server.certificate, &progress);
        QVERIFY2(page.startsWith("Vazazo score server\n127.0.0.1:") && Protocol::Capabilities::fromPage(page).tls,
                 page.constData());
        QVERIFY(!fetchSecurePage(namedServer->httpsPort(), authority.certificate, &progress).isEmpty() &&
                !fetchSecurePage(elsewhereServer->httpsPort(), elsewhere.certificate, &progress).isEmpty() &&
                fetchSecurePage(elsewhereServer->httpsPort(), authority.certificate, &progress).isEmpty());

        progress.clear();
        takeLogText();
        QVERIFY(fetchSecurePage(running->httpsPort(), QString(), &progress).isEmpty() &&
                !progress.filter("could not be verified").isEmpty() && takeLogText().contains("could not be verified"));
        progress.clear();
        QVERIFY(fetchSecurePage(running->httpPort(), server.certificate, &progress).isEmpty() &&
                progress.contains("Cannot connect to the HTTP server!"));

        // A page that claims TLS for a server speaking plain text: not a certificate problem.
        Connection connection(30000);
        connection.useTls({server.certificate});
        QVERIFY(!connection.connect("127.0.0.1", plain->tcpPort()));
        QVERIFY(connection.isLost() && connection.lastError() != Connection::certificateNotVerified &&
                connection.lastError() != Connection::timedOut);
    }
};

VAZAZO_TEST(TlsTest)
#include "test_Tls.moc"
