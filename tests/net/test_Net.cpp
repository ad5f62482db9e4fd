#include "support/TestMain.h"
#include "support/RecordingProgress.h"
#include "core/Log.h"
#include "core/Notice.h"
#include "core/WindowMessages.h"
#include "learning/DataUpload.h"
#include "learning/LineList.h"
#include "net/Connection.h"
#include "net/InternetDlg.h"
#include "net/ServerLink.h"
#include "net/Wire.h"
#include "scores/BestScoreTableSet.h"
#include "scores/ScoreSync.h"
#include "settings/SettingsStore.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedPeer.h"

#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <limits>
#include <random>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// A port that refuses connections while this lives: bound, so nothing else takes it, but never
// listening.
struct RefusingPort {
    RefusingPort() : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
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

// Serves one HTTP response.
ScriptedPeer::Script serve(QByteArray response) {
    return [response](QTcpSocket& client) {
        while (!client.readAll().contains("\r\n\r\n") && client.waitForReadyRead(ScriptedPeer::waitMs)) {
        }
        client.write(response);
    };
}

// A table as the exchange carries it: the given entries, then empty places.
struct Entry {
    QByteArray name;
    qint32 score;
    qint32 number;
};
QByteArray table(std::initializer_list<Entry> entries) {
    QByteArray bytes;
    for (const auto& [name, score, number] : entries)
        bytes += Wire::string(name) + Wire::integer(score) + Wire::integer(number);
    for (auto i = entries.size(); i < 10; ++i)
        bytes += Wire::string("-") + Wire::integer(-1) + Wire::integer(-1);
    return bytes;
}

// The server's flags: their count, then whether it wants each table.
QByteArray flags(int count, const std::function<bool(int)>& wanted) {
    QByteArray bytes = Wire::integer(count);
    for (int t = 0; t < count; ++t)
        bytes += Wire::integer(wanted(t));
    return bytes;
}

struct Tables {
    Tables() : store(dir.filePath("s.ini")), set(store) { set.loadAll(); }
    void enter(int t, const QString& name, int score) {
        set.table(t)->names[0] = name;
        set.table(t)->scores[0] = score;
        set.saveAll();
    }
    // A synchronization against a server that follows script.
    bool sync(ScriptedPeer::Script script, RecordingProgress& progress, int timeoutMs = Connection::defaultTimeoutMs,
              const QString& participant = {}, QString* refusal = nullptr) {
        ScriptedPeer peer(std::move(script));
        Connection connection(timeoutMs);
        // Marks the test failed: callers expecting a failed synchronization must not pass by this.
        if (!connection.connect("127.0.0.1", peer.port()))
            return QTest::qFail("cannot connect to the scripted server", __FILE__, __LINE__), false;
        return ScoreSync::run(set, connection, progress, participant, refusal);
    }
    // The first places of table t, in memory and as stored.
    QString firsts(int t) {
        BestScoreTableSet stored(store);
        stored.loadAll();
        return QString("%1 %2 / %3 %4").arg(set.table(t)->names[0]).arg(set.table(t)->scores[0])
            .arg(stored.table(t)->names[0]).arg(stored.table(t)->scores[0]);
    }
    QTemporaryDir dir;
    SettingsStore store;
    BestScoreTableSet set;
};
} // namespace

class NetTest : public QObject {
    Q_OBJECT
private slots:
    // Integers little-endian, strings counted; an answer cut short ends cleanly, and a string over
    // the receive buffer is refused whole, with nothing after it read.
    void framingOnTheWireAndReceivingStopsAtTheEndOrAnOversizedString() {
        QByteArray got;
        ScriptedPeer cut([&got](QTcpSocket& client) {
            got = ScriptedPeer::read(client, 20);
            client.write(hex("08000000") + "complete" + hex("0a000000") + "half");
        });
        Connection connection;
        QVERIFY(connection.connect("127.0.0.1", cut.port()));
        connection.sendString("info");
        connection.sendInteger(173);
        connection.sendString({});
        connection.sendInteger(-2);
        QCOMPARE(connection.receiveString(), QByteArray("complete"));
        QCOMPARE(got, hex("04000000696e666f" "ad000000" "00000000" "feffffff"));
        QVERIFY(connection.receiveString().isEmpty() && connection.isLost() && connection.receiveInteger() == 0);
        ScriptedPeer huge([](QTcpSocket& client) {
            client.write(Wire::string(QByteArray(Connection::receiveBufferBytes + 1, 'x')) + Wire::integer(7));
        });
        QVERIFY(connection.connect("127.0.0.1", huge.port()));
        QVERIFY(connection.receiveString().isEmpty() && connection.receiveInteger() == 0 &&
                connection.lastError() == Connection::connectionAborted);
    }

    void fetchPageReportsEachFailingStep() {
        RecordingProgress progress;
        ServerLink link(progress);
        const RefusingPort nobody;
        ScriptedPeer missing(serve(httpPage("gone", "404 Not Found")));
        ScriptedPeer silent(serve("garbage without headers"));
        for (const auto& [port, line] : {std::pair{nobody.port, "Cannot connect to the HTTP server!"},
                                         {missing.port(), "Cannot reach specified page!"},
                                         {silent.port(), "Problem with sending request!"}}) {
            QVERIFY(link.fetchPage("127.0.0.1", ServerLink::pagePath, port).isEmpty());
            QCOMPARE(progress.lines.last(), QString(line));
        }
        // A long page is read up to its first 4096 bytes, without carriage returns.
        ScriptedPeer page(serve(httpPage("Title\r\nhost\r\n" + QByteArray(5000, 'z'))));
        const QByteArray body = link.fetchPage("127.0.0.1", ServerLink::pagePath, page.port());
        QVERIFY(body.startsWith("Title\nhost\n") && body.size() == 4096 - 2);
    }

    void openFollowsThePageAndTheVersionCheck() {
        QStringList notices;
        Notice::setHandler([&notices](const QString& text) { notices << text; });
        RecordingProgress progress;
        const auto open = [&](quint16 page) {
            ServerLink link(progress);
            link.setPause([](int) {});
            const bool opened = link.open(QString("127.0.0.1:%1").arg(page));
            return std::pair(opened, opened && link.connection().isOpen());
        };
        ScriptedPeer oneLine(serve(httpPage("127.0.0.1\n")));
        QVERIFY(!open(oneLine.port()).first);
        const RefusingPort nobody;
        ScriptedPeer refusing(serve(httpPage(QString("Scores\n127.0.0.1:%1\n").arg(nobody.port).toUtf8())));
        QVERIFY(!open(refusing.port()).first && progress.lines.last().startsWith("Error (1): Connection refused."));

        for (const QByteArray& answer : {QByteArray("Please update."), QByteArray()}) {
            QByteArray seen;
            ScriptedPeer tcp([&seen, answer](QTcpSocket& client) {
                seen = ScriptedPeer::read(client, 8);
                client.write(Wire::string(answer));
                ScriptedPeer::readAll(client);
            });
            ScriptedPeer http(serve(httpPage(QString("Scores\r\n127.0.0.1:%1\r\n").arg(tcp.port()).toUtf8())));
            QCOMPARE(open(http.port()), std::pair(answer.isEmpty(), answer.isEmpty()));
            QCOMPARE(seen, hex("01000000ad000000"));
        }
        QCOMPARE(notices, QStringList{"Please update."});
        Notice::setHandler({});
    }

    // Without a participant the client asks and ends, as the original exchange; with one it names
    // itself first and says when its tables are stored. A server that refuses for now gives a
    // text, and nothing changes.
    void aSynchronizationClaimsOnlyWithAParticipantAndHearsARefusal() {
        Tables tables;
        RecordingProgress progress;
        for (const QString participant : {"", "lab-7"}) {
            const QByteArray ask =
                participant.isEmpty() ? Wire::integer(4) : Wire::integer(8) + Wire::string("lab-7") + Wire::integer(4);
            const QByteArray end = Wire::integer(3) + (participant.isEmpty() ? QByteArray() : Wire::integer(9));
            QByteArray seen;
            QVERIFY(tables.sync([&](QTcpSocket& client) {
                seen = ScriptedPeer::read(client, ask.size());
                client.write(Wire::integer(0));
                seen += ScriptedPeer::readAll(client);
            }, progress, Connection::defaultTimeoutMs, participant));
            QCOMPARE(seen, ask + end);
        }
        tables.enter(0, "Ann", 5);
        QString refusal;
        QVERIFY(!tables.sync([](QTcpSocket& client) {
            ScriptedPeer::read(client, 4 + 4 + 5 + 4);
            client.write(Wire::integer(Protocol::syncRefusedFlagCount) + Wire::string("Try again in a minute."));
            ScriptedPeer::readAll(client);
        }, progress, Connection::defaultTimeoutMs, "lab-7", &refusal));
        QVERIFY(refusal == "Try again in a minute." && tables.firsts(0) == "Ann 5 / Ann 5");
    }

    void synchronizationExchangesFlaggedTablesAndKeepsOneThatBreaksOff() {
        Tables tables;
        tables.enter(0, "Ann", 50);
        tables.enter(1, "Bob", 30);
        const QByteArray expected = hex("04000000" "02000000" "00000000") + table({{"Ann", 50, -1}}) +
                                    hex("02000000" "01000000") + table({{"Bob", 30, -1}}) + hex("03000000");
        QByteArray seen;
        RecordingProgress progress;
        QVERIFY(!tables.sync([&](QTcpSocket& client) {
            seen = ScriptedPeer::read(client, 4);
            client.write(flags(133, [](int t) { return t < 2; }));
            seen += ScriptedPeer::read(client, expected.size() - 4);
            // Table 0 comes back merged; table 1 breaks off half way.
            client.write(table({{"Cy", 70, 12}}) + table({{"Dee", 90, 13}}).left(40));
        }, progress));
        QCOMPARE(seen, expected);
        QCOMPARE(tables.firsts(0) + ", " + tables.firsts(1), QString("Cy 70 / Cy 70, Bob 30 / Bob 30"));
        QCOMPARE(tables.set.table(0)->uniqueNumbers[0], 12);
    }

    // A server that trickles a byte at a time is cut off at the deadline however often a byte
    // arrives; sending a megabyte moves the deadline on.
    void theDeadlineCutsATrickleButNotALongSend() {
        ScriptedPeer trickle([](QTcpSocket& client) {
            client.write(Wire::integer(40));
            for (int i = 0; i < 40 && client.state() == QAbstractSocket::ConnectedState; ++i) {
                client.write("x", 1);
                client.waitForBytesWritten(ScriptedPeer::waitMs);
                QThread::msleep(100);
            }
        });
        Connection connection(2000);
        QVERIFY(connection.connect("127.0.0.1", trickle.port()));
        connection.startDeadline(600);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(connection.receiveString().isEmpty() && timer.elapsed() < 2500 &&
                connection.lastError() == Connection::timedOut);

        const QByteArray megabyte(1 << 20, 'u');
        ScriptedPeer slow([&megabyte](QTcpSocket& client) {
            ScriptedPeer::read(client, megabyte.size());
            QThread::msleep(800);
            client.write(Wire::integer(7));
        });
        Connection sending(5000);
        QVERIFY(sending.connect("127.0.0.1", slow.port()));
        sending.startDeadline(200);
        sending.sendBytes(megabyte);
        QVERIFY(sending.receiveInteger() == 7 && !sending.isLost());
    }

    void aSynchronizationReadsNoMoreThanItsCapFromAServerThatNeverStops() {
        Tables tables;
        tables.enter(5, "Kim", 40);
        std::atomic<qint64> written{0};
        RecordingProgress progress;
        QVERIFY(!tables.sync([&written](QTcpSocket& client) {
            ScriptedPeer::read(client, 4);
            client.write(Wire::integer(std::numeric_limits<qint32>::max()));
            const QByteArray zeros(1 << 16, '\0');
            // Far past the cap, yet bounded, so a client that keeps reading fails instead of hanging.
            while (written < 64LL << 20 && client.state() == QAbstractSocket::ConnectedState) {
                written += client.write(zeros);
                client.waitForBytesWritten(1000);
            }
        }, progress, 2000));
        QVERIFY(written < 16LL << 20 && tables.firsts(5) == "Kim 40 / Kim 40");
    }

    void receivedTablesThatFailTheChecksAreRefusedOneLogLineEachAndTheRestStored() {
        Tables tables;
        for (const int t : {0, 1, 2, 3})
            tables.enter(t, "Old", 20 + t);
        const auto withTwo = [](qint32 first, qint32 second, const QByteArray& name = "Bo") {
            return table({{"Al", first, 1}, {name, second, 2}});
        };
        RecordingProgress progress;
        GameLog::takePending();
        QVERIFY(tables.sync([&](QTcpSocket& client) {
            ScriptedPeer::read(client, 4);
            client.write(flags(4, [](int) { return true; }));
            ScriptedPeer::read(client, 4 * (8 + table({{"Old", 20, -1}}).size()) + 4);
            client.write(withTwo(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()) +
                         withTwo(90, 80) + withTwo(70, 60, QByteArray("B\ao")) + withTwo(10, 50));
        }, progress));
        QStringList refused;
        for (const GameLog::Line& line : GameLog::takePending())
            refused << line.text.section(" from the server was refused", 0, 0);
        QCOMPARE(refused, (QStringList{"Best-score table 0", "Best-score table 2", "Best-score table 3"}));
        // A refused table cannot open a place to a negative score.
        QVERIFY(tables.set.table(0)->placeFor(-7) == -1 &&
                tables.firsts(0) + ", " + tables.firsts(1) + ", " + tables.firsts(2) + ", " + tables.firsts(3) ==
                    "Old 20 / Old 20, Al 90 / Al 90, Old 22 / Old 22, Old 23 / Old 23");
    }

    void aCancelledSynchronizationChangesNoTableEvenOnesAlreadyReceived() {
        Tables tables;
        tables.enter(0, "Ann", 50);
        RecordingProgress progress;
        progress.cancelWhen = [](const QStringList& lines) { return lines.contains("~Synchronizing 54%"); };
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!tables.sync([](QTcpSocket& client) {
            ScriptedPeer::read(client, 4);
            // Table 0 comes back whole; table 40 never does.
            client.write(flags(132, [](int t) { return t == 0 || t == 40; }) + table({{"Cy", 70, 12}}));
            ScriptedPeer::readAll(client);
        }, progress));
        QVERIFY(timer.elapsed() < Connection::defaultTimeoutMs && progress.lines.last() == "Cancelled.");
        QCOMPARE(tables.firsts(0), QString("Ann 50 / Ann 50"));
    }

    void cancelInTheProgressWindowEndsAStalledExchangeAndTheGameWaitsMeanwhile() {
        // A page server that takes the request and never answers.
        ScriptedPeer silent([](QTcpSocket& client) { ScriptedPeer::readAll(client); });
        MessageRecorder window;
        bool clicked = false;
        {
            InternetDlg dialog;
            ServerLink link(dialog);
            auto* cancel = dialog.findChild<QPushButton*>();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog) && cancel);
            for (const auto message : {WindowMessages::WM_TICK, WindowMessages::WM_TICK, WindowMessages::WM_AFTER_GAME})
                postWindowMessage(&window, message, 3);
            QTimer::singleShot(300, &dialog, [&] { clicked = true, QTest::mouseClick(cancel, Qt::LeftButton); });
            QElapsedTimer timer;
            timer.start();
            QVERIFY(!link.open(QString("127.0.0.1:%1").arg(silent.port())));
            // Nothing of the game ran inside the exchange.
            QVERIFY(clicked && timer.elapsed() < 3000 && !cancel->isEnabled() && window.received.empty());
        }
        QTRY_COMPARE(window.received.size(), size_t(2));
        QVERIFY(window.count(WindowMessages::WM_TICK) == 1 && window.received[1].message == WindowMessages::WM_AFTER_GAME &&
                window.received[1].wParam == 3);
    }

    // Answers a valid exchange cut at a random point, with random bytes spliced in or appended,
    // and looks at what the client kept after each: every table whole and passing the checks, the
    // store holding the same, and a game to upload either still queued or sent.
    void garbageFromTheServerLeavesOnlyWholeTablesAndTheGameStillKept() {
        Tables tables;
        std::mt19937 random(20261206);
        QByteArray valid = flags(132, [](int t) { return t % 7 == 0; });
        for (int t = 0; t < 132; t += 7)
            valid += table({{"Eve", 100 + t, t}});
        // Unspoilt, the answer is a whole synchronization.
        RecordingProgress whole;
        QVERIFY(tables.sync([&valid](QTcpSocket& client) { client.write(valid), ScriptedPeer::readAll(client); }, whole) &&
                tables.set.table(126)->scores[0] == 226);
        GameLog::setEcho({});
        for (int c = 0; c < 600; ++c) {
            QByteArray answer = valid.left(random() % (valid.size() + 1));
            const int splice = random() % (answer.size() + 1);
            QByteArray noise(random() % 64, Qt::Uninitialized);
            std::generate(noise.begin(), noise.end(), [&random] { return static_cast<char>(random()); });
            answer = answer.left(splice) + noise + answer.mid(splice + random() % 8);
            // Half-closed after the answer, so the client meets the end instead of waiting for more.
            const ScriptedPeer::Script script = [answer](QTcpSocket& client) {
                client.write(answer);
                client.waitForBytesWritten(ScriptedPeer::waitMs);
                ::shutdown(static_cast<int>(client.socketDescriptor()), SHUT_WR);
                ScriptedPeer::readAll(client);
            };
            RecordingProgress progress;
            if (c % 3 == 0) {
                tables.sync(script, progress, 2000);
                BestScoreTableSet stored(tables.store);
                stored.loadAll();
                for (int t = 0; t < BestScores::tableCount; ++t) {
                    const BestScoreTable& kept = *tables.set.table(t);
                    const BestScoreTable& file = *stored.table(t);
                    QVERIFY2(!BestScoreTable::fault(kept.names, kept.scores, kept.uniqueNumbers) &&
                                 file.names == kept.names && file.scores == kept.scores &&
                                 file.uniqueNumbers == kept.uniqueNumbers,
                             qPrintable(QString("case %1, table %2").arg(c).arg(t)));
                }
                continue;
            }
            ScriptedPeer peer(script);
            if (c % 3 == 1) {
                ServerLink(progress, 2000).fetchPage("127.0.0.1", ServerLink::pagePath, peer.port());
                continue;
            }
            QTemporaryDir dir;
            DataUpload upload{QDir(dir.path())};
            LineList lines;
            lines.append("Group Name: lab");
            const GameUpload game = DataUpload::frame("game", 1700000000 + c, lines, lines, false, "{}", progress);
            QVERIFY(upload.enqueue(game));
            Connection connection(2000);
            QVERIFY(connection.connect("127.0.0.1", peer.port()));
            // Garbage where the receipts are due: a queued game is confirmed only by its own digest.
            upload.send(connection, Protocol::Capabilities::fromPage("page\nhost\ncapabilities: receipts sessions"), game, progress);
            QVERIFY2(!upload.queued().isEmpty() ||
                         !QDir(dir.filePath("upload-queue")).entryList({"*.sent"}, QDir::Files).isEmpty(),
                     qPrintable(QString("case %1: the game is neither queued nor sent").arg(c)));
        }
        GameLog::setEcho(GameLog::standardErrorEcho);
        GameLog::takePending();
    }
};

VAZAZO_TEST(NetTest)
#include "test_Net.moc"
