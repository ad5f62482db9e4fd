#include "support/TestMain.h"
#include "support/RecordingProgress.h"
#include "core/Notice.h"
#include "learning/DataUpload.h"
#include "learning/LineList.h"
#include "net/Connection.h"
#include "net/InternetDlg.h"
#include "net/ServerLink.h"
#include "net/Wire.h"
#include "scores/BestScoreTableSet.h"
#include "scores/ScoreSync.h"
#include "settings/SettingsStore.h"
#include "support/ScriptedPeer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A port that refuses connections while this lives: bound, so nothing else takes it, but never
// listening.
struct RefusingPort {
    RefusingPort() : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd); }
    int fd;
    quint16 port = 0;
};

QByteArray httpPage(const QByteArray& body, const char* status = "200 OK") {
    return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: text/html\r\n\r\n" + body;
}

// Serves one HTTP response and keeps the request it got.
ScriptedPeer::Script serve(QByteArray response, QByteArray* request = nullptr) {
    return [response, request](QTcpSocket& client) {
        QByteArray got;
        while (!got.contains("\r\n\r\n") && client.waitForReadyRead(ScriptedPeer::waitMs)) {
            got += client.readAll();
        }
        if (request) {
            *request = got;
        }
        client.write(response);
    };
}

QByteArray table(const QByteArray& firstName, qint32 score, qint32 number) {
    QByteArray bytes = Wire::string(firstName) + Wire::integer(score) + Wire::integer(number);
    for (int i = 1; i < 10; ++i) {
        bytes += Wire::string("-") + Wire::integer(-1) + Wire::integer(-1);
    }
    return bytes;
}

struct Tables {
    Tables() : store(dir.filePath("s.ini")), set(store) { set.loadAll(); }
    QTemporaryDir dir;
    SettingsStore store;
    BestScoreTableSet set;
};
} // namespace

class NetTest : public QObject {
    Q_OBJECT
private slots:
    void framingPutsLittleEndianIntegersAndCountedStringsOnTheWire() {
        QByteArray got;
        ScriptedPeer peer([&got](QTcpSocket& client) { got = ScriptedPeer::readAll(client); });
        Connection connection;
        QVERIFY(connection.connect("127.0.0.1", peer.port()));
        connection.sendString("info");
        connection.sendInteger(173);
        connection.sendString({});
        connection.sendInteger(-2);
        connection.close();
        QTRY_COMPARE(got, hex("04000000696e666f" "ad000000" "00000000" "feffffff"));
    }

    void receivingStopsCleanlyAtTheEndAndAtOversizedStrings() {
        ScriptedPeer cut([](QTcpSocket& client) { client.write(Wire::string("complete") + hex("0a000000") + "half"); });
        Connection connection;
        QVERIFY(connection.connect("127.0.0.1", cut.port()));
        QCOMPARE(connection.receiveString(), QByteArray("complete"));
        QCOMPARE(connection.receiveString(), QByteArray());
        QVERIFY(connection.isLost());
        QCOMPARE(connection.receiveInteger(), 0);

        // One byte over the receive buffer: refused whole, and nothing after it is read.
        ScriptedPeer huge([](QTcpSocket& client) {
            client.write(Wire::string(QByteArray(Connection::receiveBufferBytes + 1, 'x')) + Wire::integer(7));
        });
        QVERIFY(connection.connect("127.0.0.1", huge.port()));
        QCOMPARE(connection.receiveString(), QByteArray());
        QCOMPARE(connection.receiveInteger(), 0);
        QCOMPARE(connection.lastError(), int(Connection::connectionAborted));
    }

    void progressWindowFillsThreeLinesThenScrolls() {
        InternetDlg window;
        window.addLine("A");
        window.addLine("B");
        window.replaceLastLine("B2");
        QCOMPARE(window.line(1), QString("B2"));
        window.addLine("C");
        window.addLine("D");
        QCOMPARE((QStringList{window.line(0), window.line(1), window.line(2)}), (QStringList{"B2", "C", "D"}));
    }

    void fetchPageReportsEachFailingStep() {
        RecordingProgress progress;
        ServerLink link(progress);
        const RefusingPort nobody;
        QVERIFY(link.fetchPage("127.0.0.1", ServerLink::pagePath, nobody.port).isEmpty());
        QCOMPARE(progress.lines.last(), QString("Cannot connect to the HTTP server!"));

        ScriptedPeer missing(serve(httpPage("gone", "404 Not Found")));
        QVERIFY(link.fetchPage("127.0.0.1", ServerLink::pagePath, missing.port()).isEmpty());
        QCOMPARE(progress.lines.last(), QString("Cannot reach specified page!"));

        ScriptedPeer silent(serve("garbage without headers"));
        QVERIFY(link.fetchPage("127.0.0.1", ServerLink::pagePath, silent.port()).isEmpty());
        QCOMPARE(progress.lines.last(), QString("Problem with sending request!"));

        // A long page is read up to its first 4096 bytes, without carriage returns.
        QByteArray request;
        ScriptedPeer page(serve(httpPage("Title\r\nhost\r\n" + QByteArray(5000, 'z')), &request));
        const QByteArray body = link.fetchPage("127.0.0.1", ServerLink::pagePath, page.port());
        QCOMPARE(body.left(11), QByteArray("Title\nhost\n"));
        QCOMPARE(body.size(), 4096 - 2);
        QVERIFY(request.startsWith("GET /~dezezi/Ruruzuvuv.html HTTP/1.0\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent: Ruruzuvuv\r\n"));
    }

    void openFollowsThePageAndTheVersionCheck() {
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        QList<int> pauses;
        const auto linkFor = [&pauses](RecordingProgress& progress) {
            auto link = std::make_unique<ServerLink>(progress);
            link->setPause([&pauses](int ms) { pauses << ms; });
            return link;
        };
        const auto pageServer = [](quint16 port) {
            return QString("127.0.0.1:%1").arg(port);
        };

        RecordingProgress progress;
        ScriptedPeer oneLine(serve(httpPage("127.0.0.1\n")));
        QVERIFY(!linkFor(progress)->open(pageServer(oneLine.port())));

        const RefusingPort nobody;
        ScriptedPeer refusing(serve(httpPage(QString("Scores\n127.0.0.1:%1\n").arg(nobody.port).toUtf8())));
        QVERIFY(!linkFor(progress)->open(pageServer(refusing.port())));
        QVERIFY(progress.lines.last().startsWith("Error (1): Connection refused.\n"));
        QCOMPARE(pauses, QList<int>{2500});

        for (const QByteArray& answer : {QByteArray("Please update."), QByteArray()}) {
            QByteArray seen;
            ScriptedPeer tcp([&seen, answer](QTcpSocket& client) {
                seen = ScriptedPeer::read(client, 8);
                client.write(Wire::string(answer));
                ScriptedPeer::readAll(client);
            });
            ScriptedPeer http(serve(httpPage(QString("Scores\r\n127.0.0.1:%1\r\n").arg(tcp.port()).toUtf8())));
            auto link = linkFor(progress);
            QCOMPARE(link->open(pageServer(http.port())), answer.isEmpty());
            QCOMPARE(seen, hex("01000000ad000000"));
            QCOMPARE(link->connection().isOpen(), answer.isEmpty());
            link->connection().close();
        }
        QCOMPARE(notices, QStringList{"Please update."});
        Notice::setHandler({});
    }

    void synchronizationWithNoFlagsOnlyEnds() {
        Tables tables;
        QByteArray seen;
        ScriptedPeer peer([&seen](QTcpSocket& client) {
            seen = ScriptedPeer::read(client, 4);
            client.write(Wire::integer(0));
            seen += ScriptedPeer::readAll(client);
        });
        Connection connection;
        QVERIFY(connection.connect("127.0.0.1", peer.port()));
        RecordingProgress progress;
        QVERIFY(ScoreSync::run(tables.set, connection, progress));
        QTRY_COMPARE(seen, hex("04000000" "03000000"));
        QStringList expected{"Requesting schore synchronization..", "Determining changes..", "Synchronizing 0%"};
        for (int p : {4, 9, 13, 18, 22, 27, 31, 36, 40, 45, 50, 54, 59, 63, 68, 72, 77, 81, 86, 90, 95, 100, 100}) {
            expected << QString("~Synchronizing %1%").arg(p);
        }
        QCOMPARE(progress.lines, expected);
    }

    void synchronizationExchangesFlaggedTablesAndKeepsOneThatBreaksOff() {
        Tables tables;
        tables.set.table(0)->scores[0] = 50;
        tables.set.table(0)->names[0] = "Ann";
        tables.set.table(1)->scores[0] = 30;
        tables.set.table(1)->names[0] = "Bob";
        tables.set.saveAll();
        const QByteArray expected = hex("04000000") + hex("02000000" "00000000") + table("Ann", 50, -1) +
                                    hex("02000000" "01000000") + table("Bob", 30, -1) + hex("03000000");
        QByteArray seen;
        ScriptedPeer peer([&seen, &expected](QTcpSocket& client) {
            seen = ScriptedPeer::read(client, 4);
            QByteArray flags = Wire::integer(133) + Wire::integer(1) + Wire::integer(1);
            for (int t = 2; t < 133; ++t) {
                flags += Wire::integer(0);
            }
            client.write(flags);
            seen += ScriptedPeer::read(client, expected.size() - 4);
            // Table 0 comes back merged; table 1 breaks off half way.
            client.write(table("Cy", 70, 12) + table("Dee", 90, 13).left(40));
        });
        Connection connection;
        QVERIFY(connection.connect("127.0.0.1", peer.port()));
        RecordingProgress progress;
        QVERIFY(!ScoreSync::run(tables.set, connection, progress));
        QCOMPARE(seen, expected);
        QCOMPARE(tables.set.table(0)->names[0], QString("Cy"));
        QCOMPARE(tables.set.table(0)->uniqueNumbers[0], 12);
        QCOMPARE(tables.set.table(1)->names[0], QString("Bob"));

        BestScoreTableSet fromStore(tables.store);
        fromStore.loadAll();
        QCOMPARE(fromStore.table(0)->scores[0], 70);
        QCOMPARE(fromStore.table(1)->scores[0], 30);
    }

    void uploadSendsBothStreamsWithoutEmptyLinesThenTheQueuedGames() {
        QTemporaryDir dir;
        DataUpload upload{QDir(dir.path())};
        LineList stats;
        LineList info;
        info.append("Group Name: lab");
        info.append({});
        info.append("1000 1.00 0.20000 0.95000");
        SilentProgress silent;
        QVERIFY(upload.enqueue(DataUpload::frame("queued-id", 1700000000, stats, info, false, {}, silent)));
        stats.append("0 5000 1 1 0 8 2 0.200 0.4322 1834");

        // A server of the original exchange: no receipt, no echo of the end.
        QByteArray seen;
        QList<DataUpload::Sent> sent;
        {
            ScriptedPeer peer([&seen](QTcpSocket& client) { seen = ScriptedPeer::readAll(client); });
            Connection connection;
            QVERIFY(connection.connect("127.0.0.1", peer.port()));
            RecordingProgress progress;
            const GameUpload game = DataUpload::frame("game-id", 1700000001, stats, info, true, "{}", progress);
            sent = upload.send(connection, {}, game, progress);
        }
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0].outcome, DataUpload::Outcome::sentWithoutReceipt);
        QCOMPARE(sent[1].outcome, DataUpload::Outcome::sentWithoutReceipt);
        const QByteArray statsStream = hex("05000000") + Wire::string("stats");
        const QByteArray infoStream = hex("05000000") + Wire::string("info");
        QVERIFY(seen.startsWith(statsStream + Wire::string(stats.first()->text) + hex("00000000") + infoStream));
        QVERIFY(seen.contains(Wire::string("Group Name: lab") + Wire::string("1000 1.00 0.20000 0.95000") +
                              hex("00000000") + statsStream + hex("00000000") + infoStream));
        QVERIFY(seen.endsWith(Wire::string("Group Name: lab") + hex("00000000") + hex("03000000")));
        // Neither a game id nor the session record goes to such a server.
        QVERIFY(!seen.contains("game-id") && !seen.contains(Wire::string("session")));
        QVERIFY(upload.queued().isEmpty());
        QVERIFY(QFileInfo::exists(dir.filePath("upload-queue/upload1700000000.sent")));
    }

    // Answers a valid exchange cut at a random point, with random bytes spliced in or appended.
    void garbageFromTheServerNeverCrashesOrHangsTheClient() {
        Tables tables;
        std::mt19937 random(20261206);
        QByteArray valid = Wire::integer(132);
        for (int t = 0; t < 132; ++t) {
            valid += Wire::integer(t % 7 == 0);
        }
        for (int t = 0; t < 132; t += 7) {
            valid += table("Eve", 100 + t, t);
        }
        const auto garbage = [&random](int size) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (char& byte : bytes) {
                byte = static_cast<char>(random());
            }
            return bytes;
        };
        // Unspoilt, the answer is a whole synchronization.
        {
            ScriptedPeer peer([&valid](QTcpSocket& client) {
                client.write(valid);
                ScriptedPeer::readAll(client);
            });
            Connection connection;
            RecordingProgress progress;
            QVERIFY(connection.connect("127.0.0.1", peer.port()));
            QVERIFY(ScoreSync::run(tables.set, connection, progress));
            QCOMPARE(tables.set.table(126)->scores[0], 226);
        }
        QElapsedTimer timer;
        timer.start();
        int cases = 0;
        for (; cases < 1500 && timer.elapsed() < 60000; ++cases) {
            QByteArray answer = valid.left(random() % (valid.size() + 1));
            const int splice = random() % (answer.size() + 1);
            answer = answer.left(splice) + garbage(random() % 64) + answer.mid(splice + random() % 8);
            // Half-closed after the answer, so the client meets the end instead of waiting for more.
            ScriptedPeer peer([answer](QTcpSocket& client) {
                client.write(answer);
                client.waitForBytesWritten(ScriptedPeer::waitMs);
                ::shutdown(static_cast<int>(client.socketDescriptor()), SHUT_WR);
                ScriptedPeer::readAll(client);
            });
            Connection connection(2000);
            RecordingProgress progress;
            if (cases % 2 == 0) {
                QVERIFY(connection.connect("127.0.0.1", peer.port()));
                ScoreSync::run(tables.set, connection, progress);
            } else {
                ServerLink(progress, 2000).fetchPage("127.0.0.1", ServerLink::pagePath, peer.port());
            }
        }
        QVERIFY2(cases >= 200, qPrintable(QString("only %1 cases in a minute").arg(cases)));
    }
};

VAZAZO_TEST(NetTest)
#include "test_Net.moc"
