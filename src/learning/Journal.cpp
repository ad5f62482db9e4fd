#include "learning/Journal.h"

#include "core/Log.h"

#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace {
const QByteArray header = "VAZAZO-JOURNAL 1";

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
}

bool Journal::open(qint64 gameTime, bool coordinates) {
    close();
    qint64 time = gameTime;
    while (folder.exists(journalName(time))) {
        ++time;
    }
    {
        std::lock_guard guard(fileLock);
        file.setFileName(folder.filePath(journalName(time)));
        // Another instance starting meanwhile must not take this journal for a crashed one.
        lock = claim(file.fileName());
        if (!lock || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            lock.reset();
            appendLog(QString("Could not create the journal %1; this game's data is not kept on disk while "
                              "it runs.")
                          .arg(file.fileName()));
            return false;
        }
    }
    {
        std::lock_guard guard(bufferLock);
        pending = header + ' ' + QByteArray::number(gameTime) + ' ' + (coordinates ? "1" : "0") + '\n';
    }
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
}

void Journal::addStats(const QByteArray& line) {
    append('S', line);
    statsWaiting = true;
}

void Journal::addInfo(const QByteArray& line) {
    append('I', line);
}

void Journal::run() {
    int wakes = 0;
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wakeMs));
        if (statsWaiting.exchange(false) || ++wakes % wakesPerFlush == 0) {
            flush();
        }
    }
}

void Journal::flush() {
    std::lock_guard fileGuard(fileLock);
    {
        // The two buffers trade places and keep their capacity, so appending rarely allocates.
        std::lock_guard guard(bufferLock);
        pending.swap(writing);
    }
    if (file.isOpen() && !writing.isEmpty()) {
        // A failed write is not retried: the lines are still in memory and the save is what counts.
        file.write(writing);
        file.flush();
    }
    writing.truncate(0);
}

void Journal::close() {
    stopAndWait();
    flush();
    std::lock_guard guard(fileLock);
    file.close();
    lock.reset();
}

void Journal::discard() {
    close();
    std::lock_guard guard(fileLock);
    if (!file.fileName().isEmpty()) {
        file.remove();
        file.setFileName(QString());
    }
}

bool Journal::isOpen() const {
    std::lock_guard guard(fileLock);
    return file.isOpen();
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
    if (data.indexOf('\n') < 0 || fields.size() != 4 || fields[0] + ' ' + fields[1] != header) {
        return contents;
    }
    contents.gameTime = fields[2].toLongLong(&timeOk);
    contents.coordinates = fields[3] == "1";
    contents.valid = timeOk;
    qsizetype start = data.indexOf('\n') + 1;
    // A record without its line end was cut off by the crash and is dropped.
    for (qsizetype end = data.indexOf('\n', start); end >= 0;
         start = end + 1, end = data.indexOf('\n', start)) {
        const QByteArrayView record(data.constData() + start, end - start);
        if (record.size() < 2 || record[1] != ' ') {
            continue;
        }
        if (record[0] == 'S') {
            contents.stats.append(unescaped(record.sliced(2)));
        } else if (record[0] == 'I') {
            contents.info.append(unescaped(record.sliced(2)));
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
