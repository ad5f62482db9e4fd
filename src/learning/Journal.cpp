#include "learning/Journal.h"

#include "core/DiskSync.h"
#include "core/Log.h"
#include "core/Notice.h"

#include <QFileInfo>

#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace {
const QByteArray header = "VAZAZO-JOURNAL 2";
const QByteArray headerV1 = "VAZAZO-JOURNAL 1";

// One record per text line, so line breaks inside a line are escaped.
void appendEscaped(QByteArray& out, const QByteArray& line) {
    const bool plain = !line.contains('\\') && !line.contains('\n') && !line.contains('\r');
    if (plain) {
        out.append(line);
        return;
    }
    for (const char c : line) {
        switch (c) {
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        default:
            out.append(c);
        }
    }
}

QByteArray unescaped(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out.append(c);
            continue;
        }
        const char next = text[++i];
        out.append(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
    }
    return out;
}

QString journalName(qint64 time) {
    return QString("journal%1.txt").arg(time);
}
} // namespace

Journal::Journal(QDir folder) : folder(std::move(folder)) {}

Journal::~Journal() {
    close();
    std::lock_guard guard(fileLock);
    file.close();
    lock.reset();
}

bool Journal::open(qint64 gameTime, bool coordinates, const QString& gameId) {
    discard();
    qint64 time = gameTime;
    while (folder.exists(journalName(time))) {
        ++time;
    }
    {
        std::lock_guard guard(fileLock);
        file.setFileName(folder.filePath(journalName(time)));
        // Another instance starting meanwhile must not take this journal for a crashed one.
        lock = claim(file.fileName());
        // Unbuffered: after a failed write the file is cut back to what is known to be there.
        if (!lock || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            lock.reset();
            appendLog(QString("Could not create the journal %1; this game's data is not kept on disk while "
                              "it runs.")
                          .arg(file.fileName()));
            file.setFileName(QString());
            return false;
        }
        goodSize = 0;
        failureReported = false;
    }
    {
        std::lock_guard guard(bufferLock);
        pending = header + ' ' + QByteArray::number(gameTime) + ' ' + (coordinates ? "1" : "0");
        if (!gameId.isEmpty()) {
            pending += ' ' + gameId.toLatin1();
        }
        pending += '\n';
    }
    allWritten = false;
    statsWaiting = true;
    startIfIdle();
    return true;
}

void Journal::append(char kind, const QByteArray& line) {
    std::lock_guard guard(bufferLock);
    pending.append(kind);
    pending.append(' ');
    appendEscaped(pending, line);
    pending.append('\n');
    allWritten = false;
}

void Journal::addStats(const QByteArray& line) {
    append('S', line);
    statsWaiting = true;
}

void Journal::addInfo(const QByteArray& line) {
    append('I', line);
}

void Journal::addAfterGame(const QByteArray& text) {
    append('A', text);
}

void Journal::addRecord(const QByteArray& json) {
    append('R', json);
}

void Journal::run() {
    int wakes = 0;
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wakeMs));
        if (statsWaiting.exchange(false) || ++wakes % wakesPerFlush == 0) {
            flush(false);
        }
    }
}

bool Journal::flush(bool toDisk) {
    std::lock_guard fileGuard(fileLock);
    {
        // What waits joins the bytes a failed write left; both buffers keep their capacity.
        std::lock_guard guard(bufferLock);
        if (writing.isEmpty()) {
            pending.swap(writing);
        } else {
            writing.append(pending);
            pending.truncate(0);
        }
    }
    if (!file.isOpen()) {
        writing.truncate(0);
        return false;
    }
    bool ok = true;
    if (!writing.isEmpty()) {
        ok = file.write(writing) == writing.size();
        if (ok) {
            goodSize += writing.size();
            writing.truncate(0);
        } else {
            // A part may have gone in: cut it off, so the retry writes whole records once.
            file.resize(goodSize);
            file.seek(goodSize);
        }
    }
    ok = ok && (!toDisk || syncToDisk(file));
    if (!ok && !failureReported) {
        failureReported = true;
        const QString message = QString("The journal %1 cannot be written (%2). This game's data is not yet safe on "
                                        "the disk; it is kept and written again as soon as there is room.")
                                    .arg(QFileInfo(file.fileName()).fileName(), file.errorString());
        appendLog(message);
        Notice::showLater(message);
    } else if (ok && failureReported) {
        failureReported = false;
        appendLog(QString("The journal %1 is written again; nothing was lost.")
                      .arg(QFileInfo(file.fileName()).fileName()));
    }
    {
        std::lock_guard guard(bufferLock);
        allWritten = ok && pending.isEmpty();
    }
    return ok;
}

bool Journal::close() {
    stopAndWait();
    return flush(true);
}

void Journal::discard() {
    stopAndWait();
    std::lock_guard guard(fileLock);
    if (!file.fileName().isEmpty()) {
        file.close();
        file.remove();
        file.setFileName(QString());
    }
    lock.reset();
    std::lock_guard bufferGuard(bufferLock);
    pending.truncate(0);
    writing.truncate(0);
    allWritten = true;
}

bool Journal::isOpen() const {
    std::lock_guard guard(fileLock);
    return file.isOpen();
}

bool Journal::complete() const {
    return allWritten;
}

Journal::Contents Journal::read(const QString& path) {
    Contents contents;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return contents;
    }
    const QByteArray data = in.readAll();
    const QList<QByteArray> fields = data.left(data.indexOf('\n')).split(' ');
    bool timeOk = false;
    // Version 1 had no game id.
    const bool v1 = fields.size() == 4 && fields[0] + ' ' + fields[1] == headerV1;
    const bool v2 = fields.size() >= 4 && fields.size() <= 5 && fields[0] + ' ' + fields[1] == header;
    if (data.indexOf('\n') < 0 || (!v1 && !v2)) {
        return contents;
    }
    contents.gameTime = fields[2].toLongLong(&timeOk);
    contents.coordinates = fields[3] == "1";
    contents.gameId = v2 && fields.size() == 5 ? QString::fromLatin1(fields[4]) : QString();
    contents.valid = timeOk;
    qsizetype start = data.indexOf('\n') + 1;
    // A record without its line end was cut off by the crash and is dropped.
    for (qsizetype end = data.indexOf('\n', start); end >= 0;
         start = end + 1, end = data.indexOf('\n', start)) {
        const QByteArrayView record(data.constData() + start, end - start);
        if (record.size() < 2 || record[1] != ' ') {
            continue;
        }
        switch (record[0]) {
        case 'S':
            contents.stats.append(unescaped(record.sliced(2)));
            break;
        case 'I':
            contents.info.append(unescaped(record.sliced(2)));
            break;
        case 'A':
            contents.afterGame += unescaped(record.sliced(2));
            break;
        case 'R':
            contents.record = unescaped(record.sliced(2));
            break;
        default:
            break;
        }
    }
    return contents;
}

std::unique_ptr<QLockFile> Journal::claim(const QString& path) {
    auto claimed = std::make_unique<QLockFile>(path + ".lock");
    // A lock whose process is gone counts as stale and is taken over.
    if (!claimed->tryLock(0)) {
        return nullptr;
    }
    return claimed;
}

QStringList Journal::leftovers(const QDir& folder) {
    static const QRegularExpression name("^journal\\d+\\.txt$");
    QStringList found;
    for (const QString& entry : folder.entryList({"journal*.txt"}, QDir::Files, QDir::Name)) {
        if (name.match(entry).hasMatch()) {
            found << folder.filePath(entry);
        }
    }
    return found;
}
