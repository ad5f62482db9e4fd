#include "support/TestMain.h"
#include "support/DataPlayer.h"
#include "support/ScriptedPeer.h"
#include "learning/DataUpload.h"
#include "learning/LineList.h"
#include "net/Connection.h"
#include "net/Wire.h"
#include "records/SessionRecord.h"

#include <QtTest>

namespace {

// The discovery page, then a TCP server of the original exchange: it accepts the version, reads
// what comes until the client closes, and never answers again.
struct OriginalServer {
    explicit OriginalServer(QByteArray* received)
        : tcp([received](QTcpSocket& client) {
              const QByteArray hello = ScriptedPeer::read(client, 8);
              client.write(Wire::integer(0));
              *received = hello + ScriptedPeer::readAll(client);
          }),
          page([port = tcp.port()](QTcpSocket& client) {
              while (!client.readAll().contains("\r\n\r\n") && client.waitForReadyRead(ScriptedPeer::waitMs)) {
              }
              client.write("HTTP/1.0 200 OK\r\n\r\nVazazo score server\n127.0.0.1:" + QByteArray::number(port) + "\n");
          }) {}
    QString address() const { return QString("127.0.0.1:%1").arg(page.port()); }
    ScriptedPeer tcp;
    ScriptedPeer page;
};


// A device that opens but fails every read.
struct BrokenReads : QIODevice {
    BrokenReads() { open(QIODevice::ReadOnly); }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
    qint64 bytesAvailable() const override { return 100; }
    bool atEnd() const override { return false; }
};
} // namespace

class TestUploads : public QObject {
    Q_OBJECT
private slots:
    void init() { takeLogText(); }

    // Such a server cannot confirm anything: the game counts as sent once it went, and is neither
    // kept in files nor queued nor sent again with the next game.
    void aServerOfTheOriginalExchangeGetsEachGameOnceAndNothingWaits() {
        DataPlayer player;
        const QDir& folder = player.folder;
        QByteArrayList received;
        for (const QByteArray line : {"1000 1.00 0.20000 0.95000", "2000 1.00 0.30000 0.95000"}) {
            // Gone, and so done writing, before the next one is added.
            OriginalServer server(&received.emplace_back());
            player.upload(server.address(), line);
        }
        // Exactly the original exchange: version check, the two streams, the end; nothing of ids,
        // receipts or records.
        for (const QByteArray& bytes : received) {
            QVERIFY(bytes.startsWith(Wire::integer(1) + Wire::integer(173) + Wire::integer(5) + Wire::string("stats")) &&
                    bytes.endsWith(Wire::integer(0) + Wire::integer(3)) && bytes.count("Group Name: lab") == 1 &&
                    !bytes.contains("session") && !bytes.contains(player.module.gameId().toLatin1()));
        }
        QVERIFY(received[0].contains("1000 1.00") && !received[1].contains("1000 1.00") && received[1].contains("2000 1.00"));
        QVERIFY(!folder.exists(DataUpload::queueFolderName) && folder.entryList({"stats*", "info*"}, QDir::Files).isEmpty());
        const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath("session1700000001.json"));
        QVERIFY(record && record->upload.state == SessionRecord::Upload::State::sentWithoutReceipt);
    }

    // A queued file that cannot be opened or read stays and is reported; a damaged one is set
    // aside; neither is marked sent nor holds up the good one behind it.
    void queuedFilesThatCannotBeReadNeverBlockAndAreNeverMarkedSent() {
        QTemporaryDir dir;
        const QDir folder(dir.path());
        LineList stats;
        LineList info;
        info.append("Group Name: lab");
        SilentProgress silent;
        DataUpload plain(folder);
        for (const qint64 time : {1, 2, 3, 4})
            QVERIFY(plain.enqueue(DataUpload::frame(QString("game-%1").arg(time), time, stats, info, false, {}, silent)));
        const auto write = [&folder](const char* name, const QByteArray& bytes) {
            QFile file(folder.filePath(QString("upload-queue/") + name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        };
        // upload3 damaged: a byte of its body changed, so its checksum fails.
        QFile damaged(folder.filePath("upload-queue/upload3.wire"));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QByteArray bytes = damaged.readAll();
        bytes[bytes.size() - 3] = 'X';
        write("upload3.wire", bytes);
        // A headerless file that is not whole streams; one queued before game ids, which still goes.
        write("upload5.wire", Wire::integer(5) + Wire::string("stats") + "\x01");
        write("upload6.wire", DataUpload::frame({}, 6, stats, info, false, {}, silent).streams);

        DataUpload upload(folder, [](const QString& path) -> std::unique_ptr<QIODevice> {
            if (path.endsWith("upload1.wire"))
                return nullptr;
            if (path.endsWith("upload2.wire"))
                return std::make_unique<BrokenReads>();
            auto file = std::make_unique<QFile>(path);
            return file->open(QIODevice::ReadOnly) ? std::move(file) : nullptr;
        });
        QByteArray seen;
        QList<DataUpload::Sent> sent;
        stats.append("0 5000 1 1 0 8 2 0.200 0.4322 1834");
        info.append({});
        info.append("1000 1.00 0.20000 0.95000");
        {
            ScriptedPeer peer([&seen](QTcpSocket& client) { seen = ScriptedPeer::readAll(client); });
            Connection connection;
            QVERIFY(connection.connect("127.0.0.1", peer.port()));
            sent = upload.send(connection, {}, DataUpload::frame("game-9", 9, stats, info, true, "{}", silent), silent);
        }
        // This game, upload4 and the earlier version's upload6 went, as the original exchange has
        // them: each stream's lines without empty ones, no game id or session record; the others did not.
        QVERIFY(sent.size() == 3 && sent[1].queueName == "upload4.wire" &&
                sent[0].outcome == DataUpload::Outcome::sentWithoutReceipt);
        const QByteArray end = Wire::integer(0);
        QVERIFY(seen.startsWith(Wire::integer(5) + Wire::string("stats") + Wire::string(stats.first()->text) + end +
                                Wire::integer(5) + Wire::string("info")) &&
                seen.contains(Wire::string("Group Name: lab") + Wire::string("1000 1.00 0.20000 0.95000") + end +
                              Wire::integer(5) + Wire::string("stats")) &&
                seen.endsWith(Wire::string("Group Name: lab") + end + Wire::integer(3)));
        QVERIFY(!seen.contains("game-") && !seen.contains("session") && seen.count("Group Name: lab") == 3);
        QCOMPARE(QDir(folder.filePath("upload-queue")).entryList(QDir::Files),
                 QStringList({"upload1.wire", "upload2.wire", "upload4.sent", "upload6.sent"}));
        QCOMPARE(QDir(folder.filePath("upload-queue/damaged")).entryList(QDir::Files),
                 QStringList({"upload3.wire", "upload5.wire"}));
        const QString log = takeLogText();
        QVERIFY(log.contains("upload1.wire cannot be opened") && log.contains("upload2.wire cannot be read"));
        QVERIFY(log.contains("upload3.wire is damaged") && log.contains("upload5.wire is damaged"));
    }
};

VAZAZO_TEST(TestUploads)
#include "test_Uploads.moc"
