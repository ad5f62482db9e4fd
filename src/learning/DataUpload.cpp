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

// An empty string ends a stream on the wire, so empty lines inside one are left out.
class WireSink : public LineSink {
public:
    explicit WireSink(Connection& connection) : connection(connection) {}
    bool line(const QByteArray& text) override {
        if (!text.isEmpty()) {
            connection.sendString(text);
        }
        return !connection.isLost();
    }

private:
    Connection& connection;
};

class QueueSink : public LineSink {
public:
    explicit QueueSink(QIODevice& file) : file(file) {}
    bool line(const QByteArray& text) override {
        if (!text.isEmpty()) {
            const QByteArray bytes = Wire::string(text);
            ok = ok && file.write(bytes) == bytes.size();
        }
        return ok;
    }
    bool ok = true;

private:
    QIODevice& file;
};

class NoProgress : public SaveProgress {
public:
    void addLine(const QString&) override {}
    void replaceLastLine(const QString&) override {}
};

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
    WireSink sink(connection);
    progress.addLine("Requesting data upload..");
    connection.sendInteger(Wire::uploadStream);
    connection.sendString("stats");
    DataStreams::writeStats(stats, sink, "Sending ", progress);
    progress.addLine("Sending data 100%");
    connection.sendString({});

    progress.addLine("Requesting extra data upload..");
    connection.sendInteger(Wire::uploadStream);
    connection.sendString("info");
    DataStreams::writeInfo(info, coordinates, sink, "Sending ", progress);
    connection.sendString({});

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
    QueueSink sink(file);
    NoProgress progress;
    file.write(Wire::integer(Wire::uploadStream) + Wire::string("stats"));
    DataStreams::writeStats(stats, sink, {}, progress);
    file.write(Wire::string({}) + Wire::integer(Wire::uploadStream) + Wire::string("info"));
    DataStreams::writeInfo(info, coordinates, sink, {}, progress);
    file.write(Wire::string({}));
    return sink.ok && file.commit();
}
