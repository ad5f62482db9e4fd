#include "learning/DataUpload.h"

#include "core/Log.h"
#include "learning/LineList.h"
#include "net/Connection.h"
#include "net/Wire.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
constexpr qint64 replayChunkBytes = 1 << 20;
constexpr const char* queuedSuffix = ".wire";
constexpr const char* sentSuffix = ".sent";

// Lines framed as on the wire. An empty string ends a stream there, so empty lines inside one
// are left out.
class FramedSink : public LineSink {
public:
    virtual void put(const QByteArray& framed) = 0;
    virtual bool ok() const = 0;
    bool line(const QByteArray& text) override {
        if (!text.isEmpty()) {
            put(Wire::string(text));
        }
        return ok();
    }
};

class ConnectionSink : public FramedSink {
public:
    explicit ConnectionSink(Connection& connection) : connection(connection) {}
    void put(const QByteArray& framed) override { connection.sendBytes(framed); }
    bool ok() const override { return !connection.isLost(); }

private:
    Connection& connection;
};

class FileSink : public FramedSink {
public:
    explicit FileSink(QIODevice& file) : file(file) {}
    void put(const QByteArray& framed) override { written = written && file.write(framed) == framed.size(); }
    bool ok() const override { return written; }

private:
    QIODevice& file;
    bool written = true;
};

// The bytes of one game's upload: the statistics stream, then the info stream.
void putGame(FramedSink& out, const LineList& stats, const LineList& info, bool coordinates,
             SaveProgress& progress) {
    progress.addLine("Requesting data upload..");
    out.put(Wire::integer(Wire::uploadStream) + Wire::string("stats"));
    DataStreams::writeStats(stats, out, "Sending ", progress);
    progress.addLine("Sending data 100%");
    out.put(Wire::string({}));
    progress.addLine("Requesting extra data upload..");
    out.put(Wire::integer(Wire::uploadStream) + Wire::string("info"));
    DataStreams::writeInfo(info, coordinates, out, "Sending ", progress);
    out.put(Wire::string({}));
}

qint64 queuedTime(const QString& name) {
    return name.mid(6, name.size() - 6 - static_cast<int>(qstrlen(queuedSuffix))).toLongLong();
}
} // namespace

DataUpload::DataUpload(QDir folder) : folder(std::move(folder)) {}

QDir DataUpload::queueFolder() const {
    return QDir(folder.filePath(queueFolderName));
}

QStringList DataUpload::queued() const {
    QStringList names = queueFolder().entryList({QString("upload*") + queuedSuffix}, QDir::Files);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return queuedTime(a) < queuedTime(b); });
    return names;
}

bool DataUpload::send(Connection& connection, const LineList& stats, const LineList& info, bool coordinates,
                      SaveProgress& progress) {
    ConnectionSink sink(connection);
    putGame(sink, stats, info, coordinates, progress);

    const QStringList waiting = queued();
    for (const QString& name : waiting) {
        QFile file(queueFolder().filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        progress.addLine("Sending " + name);
        while (!connection.isLost() && !file.atEnd()) {
            connection.sendBytes(file.read(replayChunkBytes));
        }
    }
    connection.sendInteger(Wire::end);
    // The server echoes the end once it has stored everything before it.
    const bool stored = connection.receiveInteger() == Wire::end && !connection.isLost();
    connection.close();
    if (!stored) {
        return false;
    }
    for (const QString& name : waiting) {
        const QString sent = name.left(name.size() - static_cast<int>(qstrlen(queuedSuffix))) + sentSuffix;
        queueFolder().remove(sent);
        queueFolder().rename(name, sent);
        appendLog(QString("Sent the data of an earlier game (%1) to the collection server.").arg(name));
    }
    return true;
}

bool DataUpload::enqueue(qint64 time, const LineList& stats, const LineList& info, bool coordinates) {
    if (!folder.mkpath(queueFolderName)) {
        return false;
    }
    QSaveFile file(queueFolder().filePath(QString("upload%1%2").arg(time).arg(queuedSuffix)));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    FileSink sink(file);
    SilentProgress progress;
    putGame(sink, stats, info, coordinates, progress);
    return sink.ok() && file.commit();
}
