#include "learning/DataCollection.h"

#include "core/Log.h"
#include "core/Notice.h"
#include "learning/DataLines.h"
#include "learning/DataUpload.h"
#include "net/InternetDlg.h"
#include "net/ServerLink.h"
#include "settings/SettingKeys.h"
#include "settings/TabDataCollection.h"

#include <QDateTime>
#include <QFile>

#include <exception>

namespace {
void emptyTexts(LineList& lines) {
    for (LineList::Node* node = lines.first(); node != nullptr; node = node->next) {
        node->text = QByteArray();
    }
}
} // namespace

DataCollectionOptions DataCollectionOptions::fromPage(const TabDataCollection& page) {
    DataCollectionOptions options;
    switch (page.dataCollectionState()) {
    case SettingKeys::dataCollectionSend:
        options.mode = DataCollection::upload;
        break;
    case SettingKeys::dataCollectionSave:
        options.mode = DataCollection::saveToFile;
        break;
    default:
        options.mode = DataCollection::off;
    }
    options.collectCoordinates = page.collectCoordinates();
    options.periodMs = page.averagingMs();
    options.scoreServer = page.scoreServer();
    options.scoreServerCertificate = page.scoreServerCertificate();
    return options;
}

DataCollection::DataCollection(QDir folder, Clock& clock)
    : LModule(clock), folder(std::move(folder)),
      progressFactory([] { return std::make_unique<InternetDlg>(); }),
      calendarTime([] { return QDateTime::currentSecsSinceEpoch(); }) {
    disabled = true;
}

DataCollection::~DataCollection() {
    // The loop's hooks use the lists and the journal, which go before the base.
    endWorker();
}

void DataCollection::setProgressFactory(ProgressFactory factory) {
    progressFactory = std::move(factory);
}

void DataCollection::setCalendarTime(CalendarTime time) {
    calendarTime = std::move(time);
}

void DataCollection::setScoreServerOverride(const QString& server) {
    scoreServerOverride = server;
}

void DataCollection::setOpener(DataFiles::Opener newOpener) {
    opener = std::move(newOpener);
}

void DataCollection::keepUnsavedGame() {
    if (saveFailed) {
        auto game = std::make_unique<UnsavedGame>();
        game->stats.takeFrom(statsLines);
        game->info.takeFrom(infoLines);
        game->coordinates = collectCoordinates;
        if (journal) {
            journal->close();
            game->journalPath = journal->path();
        }
        unsaved.push_back(std::move(game));
    } else if (journal) {
        // A game that ended without its after-game step, or never ended, is not kept.
        journal->discard();
    }
    journal.reset();
}

void DataCollection::beginGame(const DataCollectionOptions& options, const QStringList& reportLines) {
    stopAndWait();
    keepUnsavedGame();
    saveFailed = false;
    mode = options.mode == upload || options.mode == saveToFile ? options.mode : off;
    disabled = mode == off;
    collectCoordinates = options.collectCoordinates;
    periodMs = options.periodMs;
    scoreServer = scoreServerOverride.isEmpty() ? options.scoreServer : scoreServerOverride;
    scoreServerCertificate = options.scoreServerCertificate;
    saveDue = mode != off;
    statsLines.clear();
    infoLines.clear();
    if (mode != off) {
        journal = std::make_unique<Journal>(folder);
        if (!journal->open(calendarTime(), collectCoordinates)) {
            journal.reset();
        }
    }
    for (const QString& line : reportLines) {
        appendInfo(line.toUtf8());
    }
    if (reportLines.isEmpty() || !reportLines.back().isEmpty()) {
        appendInfo(QByteArray());
    }
    if (mode != off) {
        startIfIdle();
    }
}

void DataCollection::appendInfo(QByteArray line) {
    if (journal) {
        journal->addInfo(line);
    }
    infoLines.append(std::move(line));
}

void DataCollection::stopAtGameOver() {
    stopAndWait();
    if (journal) {
        journal->close();
    }
}

void DataCollection::finishGame(const QString& afterGameAnswers) {
    if (mode == off) {
        return;
    }
    if (LineList::Node* first = infoLines.first()) {
        first->text += ("\nBefore " + afterGameAnswers).toUtf8();
    }
    save();
}

void DataCollection::start() {
    statsLines.clear();
    ++loopsBegun;
}

void DataCollection::onPeriod() {
    QByteArray line = DataLines::statistics(period, moduleStartMs);
    if (journal) {
        journal->addStats(line);
    }
    statsLines.append(std::move(line));
}

bool DataCollection::saveGame(LineList& stats, LineList& info, bool coordinates, SaveProgress& progress,
                              qint64 from) {
    const DataFiles files(folder, opener);
    if (!files.write(from, stats, info, coordinates, "Saving ", progress).ok()) {
        return false;
    }
    emptyTexts(stats);
    emptyTexts(info);
    return true;
}

bool DataCollection::uploadGame(SaveProgress& progress) {
    ServerLink link(progress);
    link.setTrust({scoreServerCertificate});
    if (!link.open(scoreServer)) {
        appendLog(QString("The collection server at %1 could not be reached.").arg(scoreServer));
        return false;
    }
    if (!DataUpload(folder).send(link.connection(), statsLines, infoLines, collectCoordinates, progress)) {
        appendLog(QString("The connection to the collection server broke off: %1")
                      .arg(link.connection().errorText().section('\n', 0, 0)));
        return false;
    }
    appendLog("Sent the data of this game to the collection server.");
    return true;
}

void DataCollection::save() {
    if (mode == off) {
        return;
    }
    stopAtGameOver();
    try {
        const std::unique_ptr<SaveProgress> progress = progressFactory();
        while (!unsaved.empty()) {
            UnsavedGame& game = *unsaved.front();
            if (!saveGame(game.stats, game.info, game.coordinates, *progress, calendarTime())) {
                break;
            }
            QFile::remove(game.journalPath);
            appendLog("Saved the data of an earlier game whose save had failed.");
            unsaved.pop_front();
        }
        if (!saveDue) {
            return;
        }
        if (mode == upload && uploadGame(*progress)) {
            emptyTexts(statsLines);
            emptyTexts(infoLines);
            saveFailed = false;
        } else if (mode == upload) {
            // Nothing a player produced is lost: the files now, the server with the next upload.
            const qint64 time = DataFiles(folder).freeTime(calendarTime());
            const bool queued = DataUpload(folder).enqueue(time, statsLines, infoLines, collectCoordinates);
            saveFailed = !saveGame(statsLines, infoLines, collectCoordinates, *progress, time);
            if (!saveFailed) {
                appendLog(QString("The data of this game is saved to %1 and %2%3.")
                              .arg(DataFiles::statsName(time), DataFiles::infoName(time),
                                   queued ? " and goes to the collection server with the next upload that works"
                                          : ""));
            } else if (queued) {
                appendLog("The data of this game waits in the upload queue for the next upload that works.");
            }
        } else {
            saveFailed = !saveGame(statsLines, infoLines, collectCoordinates, *progress, calendarTime());
        }
        saveDue = saveFailed;
        if (!saveFailed && journal) {
            journal->discard();
            journal.reset();
        }
    } catch (const std::exception& error) {
        saveFailed = saveDue;
        appendLog(QString("Saving the data failed: %1").arg(error.what()));
        Notice::show("Exception");
    }
}

void DataCollection::shutdown() {
    stopAndWait();
    if (journal && !saveFailed) {
        journal->discard();
        journal.reset();
    }
    if (journal) {
        journal->close();
    }
    if (const int waiting = unsavedGames(); waiting > 0) {
        appendLog(
            QString("The data of %1 game(s) could not be saved; it stays in the journal and is saved at "
                    "the next start.")
                .arg(waiting));
    }
}

int DataCollection::unsavedGames() const {
    return static_cast<int>(unsaved.size()) + (saveFailed ? 1 : 0);
}

int DataCollection::recoverJournals(const QDir& folder) {
    int recovered = 0;
    for (const QString& path : Journal::leftovers(folder)) {
        const QString name = QFileInfo(path).fileName();
        const std::unique_ptr<QLockFile> claimed = Journal::claim(path);
        if (!claimed) {
            appendLog(QString("The journal %1 is still being written by a running game; it is left alone.")
                          .arg(name));
            continue;
        }
        const Journal::Contents contents = Journal::read(path);
        if (!contents.valid) {
            appendLog(QString("The journal %1 cannot be read; it is left as it is.").arg(name));
            continue;
        }
        LineList stats;
        LineList info;
        for (const QByteArray& line : contents.stats) {
            stats.append(line);
        }
        for (const QByteArray& line : contents.info) {
            info.append(line);
        }
        SilentProgress progress;
        const DataFiles::Result result = DataFiles(folder).write(contents.gameTime, stats, info,
                                                                 contents.coordinates, "Saving ", progress);
        if (!result.ok()) {
            appendLog(
                QString("The game in the journal %1 could not be recovered; the journal is kept.").arg(name));
            continue;
        }
        QFile::remove(path);
        ++recovered;
        appendLog(
            QString("Recovered the game of %1 from %2 into %3 and %4 (%5 statistics lines, %6 info lines).")
                .arg(QDateTime::fromSecsSinceEpoch(contents.gameTime).toString("yyyy-MM-dd hh:mm:ss"), name,
                     DataFiles::statsName(result.time), DataFiles::infoName(result.time))
                .arg(stats.count())
                .arg(info.count()));
    }
    return recovered;
}
