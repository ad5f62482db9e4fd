#include "learning/DataFiles.h"

#include "core/Log.h"
#include "learning/DataStreams.h"
#include "learning/LineList.h"

#include <QFile>
#include <QFileDevice>

namespace {
constexpr qsizetype chunkBytes = 256 * 1024;
} // namespace

// A file written in large chunks, with every line ending in CR LF (line breaks inside a line too).
class DataFiles::Output : public LineSink {
public:
    Output(std::unique_ptr<QIODevice> device, QString path)
        : device(std::move(device)), path(std::move(path)) {
        buffer.reserve(chunkBytes + 4096);
    }
    ~Output() {
        if (!closed) {
            device.reset();
            QFile::remove(path);
        }
    }
    bool line(const QByteArray& text) override {
        if (text.contains('\n')) {
            QByteArray crlf = text;
            crlf.replace("\r\n", "\n").replace("\n", "\r\n");
            buffer.append(crlf);
        } else {
            buffer.append(text);
        }
        buffer.append("\r\n", 2);
        if (buffer.size() >= chunkBytes) {
            flushBuffer();
        }
        return !failed;
    }
    // Writes what is left; false when anything failed, and the incomplete file is then removed.
    bool finish() {
        flushBuffer();
        if (auto* file = qobject_cast<QFileDevice*>(device.get())) {
            failed = failed || !file->flush() || file->error() != QFileDevice::NoError;
        }
        device->close();
        closed = !failed;
        return closed;
    }

private:
    void flushBuffer() {
        if (!failed && !buffer.isEmpty() && device->write(buffer) != buffer.size()) {
            failed = true;
        }
        buffer.clear();
    }

    std::unique_ptr<QIODevice> device;
    QString path;
    QByteArray buffer;
    bool failed = false;
    bool closed = false;
};

DataFiles::DataFiles(QDir folder, Opener opener) : folder(std::move(folder)), opener(std::move(opener)) {
    if (!this->opener) {
        this->opener = [](const QString& path) -> std::unique_ptr<QIODevice> {
            auto file = std::make_unique<QFile>(path);
            // NewOnly: even a file that appeared since the names were checked is never replaced.
            if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                return nullptr;
            }
            return file;
        };
    }
}

QString DataFiles::statsName(qint64 time) {
    return QString("stats%1.txt").arg(time);
}

QString DataFiles::infoName(qint64 time) {
    return QString("info%1.txt").arg(time);
}

qint64 DataFiles::freeTime(qint64 from) const {
    qint64 time = from;
    while (folder.exists(statsName(time)) || folder.exists(infoName(time))) {
        ++time;
    }
    return time;
}

DataFiles::Result DataFiles::write(qint64 from, const LineList& stats, const LineList& info, bool coordinates,
                                   const QString& verb, SaveProgress& progress) const {
    Result result;
    result.time = freeTime(from);
    result.statsWritten = writeStats(statsName(result.time), stats, verb, progress);
    if (result.statsWritten) {
        result.infoWritten = writeInfo(infoName(result.time), info, coordinates, verb, progress);
    }
    return result;
}

bool DataFiles::writeStats(const QString& name, const LineList& stats, const QString& verb,
                           SaveProgress& progress) const {
    progress.addLine("Opening file " + name);
    const QString path = folder.filePath(name);
    std::unique_ptr<QIODevice> device = opener(path);
    if (!device) {
        appendLog("Could not open the output file with statistics!");
        return false;
    }
    Output out(std::move(device), path);
    DataStreams::writeStats(stats, out, verb, progress);
    if (!out.finish()) {
        appendLog(QString("Could not write the output file %1! The statistics stay in memory.").arg(name));
        return false;
    }
    progress.addLine(verb + "data 100%");
    return true;
}

bool DataFiles::writeInfo(const QString& name, const LineList& info, bool coordinates, const QString& verb,
                          SaveProgress& progress) const {
    progress.addLine("Opening file " + name);
    const QString path = folder.filePath(name);
    std::unique_ptr<QIODevice> device = opener(path);
    if (!device) {
        appendLog("Could not open the output file with info!");
        return false;
    }
    Output out(std::move(device), path);
    DataStreams::writeInfo(info, coordinates, out, verb, progress);
    if (!out.finish()) {
        appendLog(QString("Could not write the output file %1! The info lines stay in memory.").arg(name));
        return false;
    }
    return true;
}
