#pragma once

#include "learning/DataStreams.h"
#include "records/SessionRecord.h"

#include <QDir>
#include <QIODevice>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class LineList;

// Writes one game's statistics and info lines as the pair "stats<T>.txt" and "info<T>.txt" in a
// folder, with CR LF line ends, and its session record "session<T>.json" beside them. Each file is
// written under a temporary name and flushed to the disk; only when all of them are complete do they
// take their final names, so a failure or a crash never leaves a cut-off or unpaired file. A pair
// never replaces an earlier file: T moves on to the first number whose names are all free.
class DataFiles {
public:
    // Opens the file at path for writing; null when it cannot. A QSaveFile is committed once every
    // file of the game is written; any other device (tests put failing ones here) is just closed.
    using Opener = std::function<std::unique_ptr<QIODevice>(const QString& path)>;

    struct Result {
        qint64 time = 0;
        bool written = false;
        // The statistics and info files as written.
        QList<SessionRecord::File> files;
        bool ok() const { return written; }
    };

    explicit DataFiles(QDir folder, Opener opener = {});

    static QString statsName(qint64 time);
    static QString infoName(qint64 time);
    // The first T from `from` on whose names are all free.
    qint64 freeTime(qint64 from) const;

    // Told the record with its T and the files' checksums once both files are on the disk under
    // temporary names, before any takes its final name; false stops the save.
    using BeforeNames = std::function<bool(qint64 time, const SessionRecord& record)>;

    // Writes both files under the first free T from `from` on and, when record is given, the record
    // with the files' sizes and checksums filled in, last. A failure goes to the game log and leaves
    // no data file under a final name; the lines themselves are never touched.
    Result write(qint64 from, const LineList& stats, const LineList& info, bool coordinates,
                 const QString& verb, SaveProgress& progress, SessionRecord* record = nullptr,
                 const BeforeNames& beforeNames = {}) const;
    // The record alone, under "session<T>.json" (an existing one is replaced as a whole).
    bool writeRecord(qint64 time, const SessionRecord& record) const;

    static QByteArray sha256Of(const QString& path);

private:
    class Output;
    std::unique_ptr<Output> open(const QString& name) const;

    QDir folder;
    Opener opener;
};
