#include "learning/DataFiles.h"

#include "core/DiskSync.h"
#include "core/Log.h"
#include "learning/DataStreams.h"
#include "learning/LineList.h"
#include "protocol/Sha256.h"

#include <QFile>
#include <QSaveFile>

namespace {
constexpr qsizetype chunkBytes = 256 * 1024;
} // namespace

// A file written in large chunks, with every line ending in CR LF (line breaks inside a line too),
// its checksum counted on the way.
class DataFiles::Output : public LineSink {
public:
    Output(std::unique_ptr<QIODevice> device, QString name)
        : device(std::move(device)), name(std::move(name)) {
        buffer.reserve(chunkBytes + 4096);
    }
    ~Output() {
        if (committed) {
            return;
        }
        // Never committed: a QSaveFile drops its temporary file, a plain file is removed.
        if (auto* save = qobject_cast<QSaveFile*>(device.get())) {
            if (save->isOpen()) {
                save->cancelWriting();
            }
        } else if (auto* file = qobject_cast<QFile*>(device.get())) {
            file->close();
            file->remove();
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
    void raw(const QByteArray& bytes) {
        buffer.append(bytes);
        flushBuffer();
    }
    // Writes what is left and brings it to the disk; false when anything failed.
    bool finish() {
        flushBuffer();
        if (auto* file = qobject_cast<QFileDevice*>(device.get())) {
            failed = failed || !syncToDisk(*file) || file->error() != QFileDevice::NoError;
        }
        return !failed;
    }
    // Gives the file its final name.
    bool commit() {
        if (auto* save = qobject_cast<QSaveFile*>(device.get())) {
            failed = failed || !save->commit();
        } else {
            device->close();
        }
        committed = !failed;
        return committed;
    }
    SessionRecord::File facts() {
        if (digest.isEmpty()) {
            digest = hash.hex();
        }
        return {name, bytes, digest};
    }

private:
    void flushBuffer() {
        if (!failed && !buffer.isEmpty()) {
            hash.add(buffer);
            failed = device->write(buffer) != buffer.size();
            if (auto* file = qobject_cast<QFileDevice*>(device.get()); file != nullptr && !failed) {
                startWriteBack(*file, bytes, buffer.size());
            }
            bytes += buffer.size();
        }
        buffer.clear();
    }

    std::unique_ptr<QIODevice> device;
    QString name;
    Sha256 hash;
    QByteArray digest;
    QByteArray buffer;
    qint64 bytes = 0;
    bool failed = false;
    bool committed = false;
};

DataFiles::DataFiles(QDir folder, Opener opener) : folder(std::move(folder)), opener(std::move(opener)) {
    if (!this->opener) {
        this->opener = [](const QString& path) -> std::unique_ptr<QIODevice> {
            auto file = std::make_unique<QSaveFile>(path);
            if (!file->open(QIODevice::WriteOnly)) {
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
    while (folder.exists(statsName(time)) || folder.exists(infoName(time)) ||
           folder.exists(SessionRecord::fileName(time))) {
        ++time;
    }
    return time;
}

std::unique_ptr<DataFiles::Output> DataFiles::open(const QString& name) const {
    std::unique_ptr<QIODevice> device = opener(folder.filePath(name));
    return device ? std::make_unique<Output>(std::move(device), name) : nullptr;
}

DataFiles::Result DataFiles::write(qint64 from, const LineList& stats, const LineList& info, bool coordinates,
                                   const QString& verb, SaveProgress& progress, SessionRecord* record,
                                   const BeforeNames& beforeNames) const {
    Result result;
    result.time = freeTime(from);
    const QString statsFile = statsName(result.time);
    const QString infoFile = infoName(result.time);

    progress.addLine("Opening file " + statsFile);
    const std::unique_ptr<Output> statsOut = open(statsFile);
    if (!statsOut) {
        appendLog("Could not open the output file with statistics!");
        return result;
    }
    DataStreams::writeStats(stats, *statsOut, verb, progress);
    if (!statsOut->finish()) {
        appendLog(QString("Could not write the output file %1! The statistics stay in memory.").arg(statsFile));
        return result;
    }
    progress.addLine(verb + "data 100%");

    progress.addLine("Opening file " + infoFile);
    const std::unique_ptr<Output> infoOut = open(infoFile);
    if (!infoOut) {
        appendLog("Could not open the output file with info!");
        return result;
    }
    DataStreams::writeInfo(info, coordinates, *infoOut, verb, progress);
    if (!infoOut->finish()) {
        appendLog(QString("Could not write the output file %1! The info lines stay in memory.").arg(infoFile));
        return result;
    }
    result.files = {statsOut->facts(), infoOut->facts()};

    if (record != nullptr) {
        record->files = result.files;
        if (beforeNames && !beforeNames(result.time, *record)) {
            return result;
        }
    }
    if (!statsOut->commit() || !infoOut->commit()) {
        appendLog(QString("Could not give the files %1 and %2 their names! The lines stay in memory.")
                      .arg(statsFile, infoFile));
        QFile::remove(folder.filePath(statsFile));
        return result;
    }
    // The record comes last: with the journal, which knows the files by now, a crash before it is
    // made good at the next start.
    if (record != nullptr && !writeRecord(result.time, *record)) {
        QFile::remove(folder.filePath(statsFile));
        QFile::remove(folder.filePath(infoFile));
        return result;
    }
    result.written = true;
    return result;
}

bool DataFiles::writeRecord(qint64 time, const SessionRecord& record) const {
    QSaveFile file(folder.filePath(SessionRecord::fileName(time)));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = record.toBytes();
    if (file.write(bytes) != bytes.size() || !syncToDisk(file) || !file.commit()) {
        file.cancelWriting();
        appendLog(QString("Could not write the session record %1!").arg(SessionRecord::fileName(time)));
        return false;
    }
    return true;
}

QByteArray DataFiles::sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    Sha256 hash;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        if (chunk.isEmpty()) {
            return {};
        }
        hash.add(chunk);
    }
    return hash.hex();
}
