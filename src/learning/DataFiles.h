#pragma once

#include "learning/DataStreams.h"

#include <QDir>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

class LineList;


// Writes one game's statistics and info lines as the pair "stats<T>.txt" and "info<T>.txt" in a
// folder, with CR LF line ends. A pair never replaces an earlier file: T moves on to the first
// number for which neither file exists.
class DataFiles {
public:
    // Opens the file at path for writing; null when it cannot. Tests put failing devices here.
    using Opener = std::function<std::unique_ptr<QIODevice>(const QString& path)>;

    struct Result {
        qint64 time = 0;
        bool statsWritten = false;
        bool infoWritten = false;
        bool ok() const { return statsWritten && infoWritten; }
    };

    explicit DataFiles(QDir folder, Opener opener = {});

    static QString statsName(qint64 time);
    static QString infoName(qint64 time);
    // The first T from `from` on whose two names are both free.
    qint64 freeTime(qint64 from) const;

    // Writes both files under the first free T from `from` on. A failure goes to the game log
    // and removes the file it left incomplete; the lines themselves are never touched.
    Result write(qint64 from, const LineList& stats, const LineList& info, bool coordinates,
                 const QString& verb, SaveProgress& progress) const;

private:
    class Output;
    bool writeStats(const QString& name, const LineList& stats, const QString& verb,
                    SaveProgress& progress) const;
    bool writeInfo(const QString& name, const LineList& info, bool coordinates, const QString& verb,
                   SaveProgress& progress) const;

    QDir folder;
    Opener opener;
};
