#include "ServerClient.h"
#include "support/TempPostgres.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <thread>

namespace {
QString serverProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../vazazo-server");
}

// The server program's exit code and output, after it ran with the arguments.
std::pair<int, QByteArray> runServer(const QStringList& arguments) {
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(serverProgram(), arguments);
    return server.waitForFinished(30000) ? std::pair(server.exitCode(), server.readAll()) : std::pair(-1, QByteArray());
}

bool opens(const QString& spec, QString* error, const QString& passwordFile = {}) {
    ServerDatabase db;
    return db.open(spec, error, ServerDatabase::Schema::Create, passwordFile);
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                   file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ? path : QString();
}
} // namespace

class PostgresTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    TempPostgres cluster;
    int databases = 0;

    // A fresh database in the shared cluster; its spec over TCP.
    QString freshDatabase() {
        const QString name = QStringLiteral("db%1").arg(++databases);
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "admin");
            admin.setHostName("127.0.0.1");
            admin.setPort(cluster.port());
            admin.setUserName("postgres");
            if (admin.open())
                QSqlQuery(admin).exec("CREATE DATABASE " + name);
        }
        QSqlDatabase::removeDatabase("admin");
        return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(cluster.port()).arg(name);
    }

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules("vazazo.server.info=false");
        QString error;
        QVERIFY2(cluster.start(&error), qPrintable(error));
    }

    void thePasswordComesFromTheFileOrLibpqAndNeverShows() {
        TempPostgres locked;
        QString error;
        const QString password = "Pw-7f3k9-secret";
        QVERIFY2(locked.start(&error, password), qPrintable(error));
        const QString plain = locked.tcpSpec();
        const QString wrong = QString(plain).replace("postgres@", "postgres:Wrong-9x2q@");
        QVERIFY2(!opens(wrong, &error) && !error.contains("Wrong-9x2q") && error.contains("postgres@127.0.0.1"),
                 qPrintable(error));
        QVERIFY(!displayedDatabase(wrong).contains("Wrong-9x2q") && !opens(plain, &error));
        QVERIFY2(opens(plain, &error, writeFile(locked.filePath("password"), password.toUtf8() + "\n")),
                 qPrintable(error));
        // libpq's own ways: the environment and a password file.
        const QString pgpass = writeFile(locked.filePath("pgpass"),
                                         QString("127.0.0.1:%1:*:postgres:%2\n").arg(locked.port()).arg(password).toUtf8());
        for (const auto& [variable, value] : {std::pair{"PGPASSWORD", password}, {"PGPASSFILE", pgpass}}) {
            qputenv(variable, value.toLocal8Bit());
            QVERIFY2(opens(plain, &error), qPrintable(error));
            qunsetenv(variable);
        }
        // The program itself: a wrong password in the address shows nowhere in its output.
        const auto [exitCode, output] = runServer({"--check", "--db", wrong});
        QVERIFY2(exitCode == 1 && !output.contains("Wrong-9x2q") && output.contains("postgres@127.0.0.1"),
                 output.constData());
    }

    // Query options reach the driver, a password among them is refused; the check tells a usable
    // database from an empty one.
    void queryOptionsReachTheDriverAndCheckTellsAUsableDatabase() {
        const QString spec = freshDatabase();
        QString error;
        QVERIFY2(!opens(spec + "?sslmode=require", &error) && error.contains("SSL"), qPrintable(error));
        QVERIFY(!opens(spec + "?password=x", &error) && error.contains("--db-password-file"));
        const auto [emptyExit, emptyOutput] = runServer({"--check", "--db", spec});
        QVERIFY(emptyExit == 1 && emptyOutput.contains("lacks table streams"));
        QVERIFY2(opens(spec + "?sslmode=disable&connect_timeout=7&application_name=vazazo%20test", &error),
                 qPrintable(error));
        QCOMPARE(runServer({"--check", "--db", spec}).first, 0);
        QCOMPARE(runServer({"--check", "--db", folder.filePath("none.sqlite")}).first, 1);
        QVERIFY(!QFile::exists(folder.filePath("none.sqlite")));
    }

    // Logs go to stderr without colour; SIGHUP leaves the server running, SIGTERM ends it.
    void theProgramBehavesAsAService() {
        QProcess server;
        server.start(serverProgram(), {"--db", folder.filePath("service.sqlite"), "--port", "0", "--http-port", "0"});
        QByteArray errors;
        const auto logged = [&](const char* text) {
            return waitUntil([&] { return (errors += server.readAllStandardError()).contains(text); }, 20000);
        };
        QVERIFY(server.waitForStarted(10000) && logged("score server"));
        ::kill(pid_t(server.processId()), SIGHUP);
        QVERIFY(logged("SIGHUP") && server.state() == QProcess::Running);
        server.terminate();
        QVERIFY(server.waitForFinished(10000) && server.exitStatus() == QProcess::NormalExit && server.exitCode() == 0);
        QVERIFY(server.readAllStandardOutput().isEmpty() && !(errors + server.readAllStandardError()).contains('\x1b'));
    }

    // The database goes away during uploads. Back within the outage limit, the client waits, gets its
    // receipt, and nothing is stored twice; past the limit the exchange ends cleanly and the game
    // is taken when it comes again.
    void anOutageLosesNoGameAndDuplicatesNothing() {
        const QString spec = freshDatabase();
        ServerConfig config = testConfig(spec);
        START_SERVER(patient, config);
        config.limits.outageMs = 1500;
        START_SERVER(hasty, config);
        QString error;
        Client waiting(patient.tcpPort()), dropped(hasty.tcpPort());
        QVERIFY(waiting.hello() && dropped.hello());
        const QByteArray whole = gameBytes("outage-1");
        const qsizetype cut = whole.indexOf(framedStream("info", {"info of outage-1"}));
        waiting.send(whole.left(cut));
        QTest::qWait(300);
        QVERIFY2(cluster.stop(&error), qPrintable(error));
        waiting.send(whole.mid(cut));
        dropped.send(gameBytes("outage-2"));
        QVERIFY(dropped.closedByServer(15000) && !waiting.closedByServer(100));
        QVERIFY2(cluster.restart(&error), qPrintable(error));
        QVERIFY(waiting.takeInt(20000) == Protocol::receiptStored &&
                waiting.takeString() == Protocol::gameDigest(gameStreams("outage-1")));
        waiting.put(3);
        QCOMPARE(waiting.takeInt(), 3);
        GREETED_CLIENT(after, hasty.tcpPort());
        after.send(gameBytes("outage-2"));
        QCOMPARE(after.takeInt(20000), qint32(Protocol::receiptStored));

        OPEN_VIEW(view, spec);
        const QList<StoredStream> streams = view.streams();
        QVERIFY(view.games().size() == 2 && streams.size() == 6 && streams[1].lines == QList<QByteArray>{"info of outage-1"} &&
                std::all_of(streams.begin(), streams.end(), [](const StoredStream& s) { return s.complete; }));
    }

    void twoServersShareOneDatabase() {
        const QString spec = freshDatabase();
        START_SERVER(first, testConfig(spec));
        START_SERVER(second, testConfig(spec));

        std::vector<std::thread> players;
        std::atomic<int> served{0};
        for (int i = 0; i < 24; ++i) {
            players.emplace_back([&, i] {
                Client client(i % 2 ? first.tcpPort() : second.tcpPort());
                if (client.hello() &&
                    synchronize(client, {{0, table({{QString("p%1").arg(i), 100 + i, -1}})},
                                         {1, table({{QString("q%1").arg(i), 200 - i, -1}})}})
                            .size() == tableCount) {
                    ++served;
                }
            });
        }
        for (std::thread& player : players)
            player.join();
        QCOMPARE(served.load(), 24);
        OPEN_VIEW(view, spec);
        QSet<qint32> numbers;
        for (int t : {0, 1}) {
            const ServerTable stored = view.table(t);
            for (int place = 0; place < 10; ++place) {
                numbers.insert(stored[place].unique);
                QCOMPARE(stored[place].score, t == 0 ? 123 - place : 200 - place);
            }
        }
        QCOMPARE(numbers.size(), 20);

        // The same game sent to both at once: one stores it, the other acknowledges it.
        GREETED_CLIENT(left, first.tcpPort());
        GREETED_CLIENT(right, second.tcpPort());
        left.send(gameBytes("shared-2"));
        right.send(gameBytes("shared-2"));
        QCOMPARE(QSet<qint32>({left.takeInt(10000), right.takeInt(10000)}),
                 QSet<qint32>({Protocol::receiptStored, Protocol::receiptAlreadyStored}));
        QVERIFY(view.games().size() == 1 && view.streams().size() == 3);
    }
};

VAZAZO_TEST(PostgresTest)
#include "test_Postgres.moc"
