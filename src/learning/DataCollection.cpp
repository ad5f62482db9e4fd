#include "learning/DataCollection.h"

#include "core/Log.h"
#include "core/Notice.h"
#include "learning/DataLines.h"
#include "learning/DataUpload.h"
#include "net/InternetDlg.h"
#include "net/ServerLink.h"
#include "records/SessionRecorder.h"
#include "settings/SettingKeys.h"
#include "settings/TabDataCollection.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUuid>

#include <exception>

namespace {
void emptyTexts(LineList& lines) {
    for (LineList::Node* node = lines.first(); node != nullptr; node = node->next) {
        node->text = QByteArray();
    }
}

QByteArray compact(const SessionRecord& record) {
    return QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
}

// The session records in folder by game id, with their times.
QMap<QString, qint64> recordsById(const QDir& folder) {
    static const QRegularExpression name("^session(\\d+)\\.json$");
    QMap<QString, qint64> found;
    for (const QString& entry : folder.entryList({"session*.json"}, QDir::Files)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch()) {
            continue;
        }
        if (const std::optional<SessionRecord> record = SessionRecord::read(folder.filePath(entry))) {
            found.insert(record->gameId, match.captured(1).toLongLong());
        }
    }
    return found;
}

// Whether the files a record names are all there as it describes them.
bool filesComplete(const QDir& folder, const QList<SessionRecord::File>& files) {
    if (files.isEmpty()) {
        return false;
    }
    for (const SessionRecord::File& file : files) {
        const QString path = folder.filePath(file.name);
        if (QFileInfo(path).size() != file.bytes || DataFiles::sha256Of(path) != file.sha256) {
            return false;
        }
    }
    return true;
}

// Temporary files that a save killed before its end left behind; their data is in the journal.
void removeCutOffSaves(const QDir& folder) {
    static const QRegularExpression name("^(stats\\d+\\.txt|info\\d+\\.txt|session\\d+\\.json)\\.[A-Za-z0-9]{6}$");
    for (const QString& entry : folder.entryList({"stats*.txt.*", "info*.txt.*", "session*.json.*"}, QDir::Files)) {
        if (name.match(entry).hasMatch()) {
            QFile::remove(folder.filePath(entry));
        }
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

void DataCollection::setRecorder(const SessionRecorder* newRecorder) {
    recorder = newRecorder;
}

void DataCollection::setOpener(DataFiles::Opener newOpener) {
    opener = std::move(newOpener);
}

void DataCollection::refreshRecord() {
    if (recorder == nullptr) {
        return;
    }
    if (std::optional<SessionRecord> latest = recorder->recordOf(record.gameId)) {
        record = std::move(*latest);
    }
}

void DataCollection::keepUnsavedGame(SessionRecord::Ending ending) {
    if (!saveDue) {
        if (journal) {
            journal->discard();
        }
        journal.reset();
        return;
    }
    refreshRecord();
    if (record.ending == SessionRecord::Ending::unknown) {
        record.end = QDateTime::fromSecsSinceEpoch(calendarTime(), Qt::UTC);
        record.lengthMs = record.start.isValid() ? record.start.msecsTo(record.end) : -1;
        record.ending = ending;
    }
    auto game = std::make_unique<UnsavedGame>();
    game->stats.takeFrom(statsLines);
    game->info.takeFrom(infoLines);
    game->coordinates = collectCoordinates;
    game->record = record;
    if (journal) {
        journal->addRecord(compact(record));
        journal->close();
        game->journal = std::move(journal);
    }
    unsaved.push_back(std::move(game));
    saveDue = false;
    saveFailed = false;
}

void DataCollection::beginGame(const DataCollectionOptions& options, const QStringList& reportLines) {
    stopAndWait();
    // A game cut short by this one is saved with the next save, or at once when this one saves nothing.
    keepUnsavedGame(SessionRecord::Ending::newGame);
    saveFailed = false;
    finished = false;
    mode = options.mode == upload || options.mode == saveToFile ? options.mode : off;
    disabled = mode == off;
    collectCoordinates = options.collectCoordinates;
    periodMs = options.periodMs;
    scoreServer = scoreServerOverride.isEmpty() ? options.scoreServer : scoreServerOverride;
    scoreServerCertificate = options.scoreServerCertificate;
    saveDue = mode != off;
    statsLines.clear();
    infoLines.clear();
    record = recorder != nullptr && recorder->hasGame() ? recorder->current() : SessionRecord();
    if (record.gameId.isEmpty()) {
        record.gameId = QUuid::createUuid().toString(QUuid::WithoutBraces);
        record.start = QDateTime::fromSecsSinceEpoch(calendarTime(), Qt::UTC);
    }
    if (mode != off) {
        journal = std::make_unique<Journal>(folder);
        if (!journal->open(calendarTime(), collectCoordinates, record.gameId)) {
            journal.reset();
        } else {
            journal->addRecord(compact(record));
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
    if (!unsaved.empty()) {
        // The game this one cut short goes to its files now, not after this one.
        try {
            SilentProgress progress;
            if (!saveUnsaved(progress)) {
                reportUnsafe();
            }
        } catch (const std::exception& error) {
            appendLog(QString("Saving the data failed: %1").arg(error.what()));
        }
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
        refreshRecord();
        journal->addRecord(compact(record));
        journal->close();
    }
}

void DataCollection::finishGame(const QString& afterGameAnswers) {
    if (mode == off) {
        return;
    }
    finished = true;
    const QByteArray appended = ("\nBefore " + afterGameAnswers).toUtf8();
    if (LineList::Node* first = infoLines.first()) {
        first->text += appended;
    }
    if (journal) {
        journal->addAfterGame(appended);
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

bool DataCollection::saveGame(LineList& stats, LineList& info, bool coordinates, SessionRecord& gameRecord,
                              SaveProgress& progress, qint64 from, Journal* gameJournal) {
    const DataFiles files(folder, opener);
    // The journal learns the files before they take their names, so that a crash in between is
    // finished at the next start instead of saving the game twice.
    const auto journalRecord = [gameJournal](qint64, const SessionRecord& complete) {
        if (gameJournal != nullptr) {
            gameJournal->addRecord(compact(complete));
            gameJournal->close();
        }
        return true;
    };
    if (!files.write(from, stats, info, coordinates, "Saving ", progress, &gameRecord, journalRecord).ok()) {
        return false;
    }
    emptyTexts(stats);
    emptyTexts(info);
    return true;
}

bool DataCollection::saveUnsaved(SaveProgress& progress) {
    while (!unsaved.empty()) {
        UnsavedGame& game = *unsaved.front();
        if (!saveGame(game.stats, game.info, game.coordinates, game.record, progress, calendarTime(),
                      game.journal.get())) {
            return false;
        }
        if (game.journal) {
            game.journal->discard();
        }
        appendLog(QString("Saved the data of an earlier game (%1, ended: %2).")
                      .arg(game.record.gameId, SessionRecord::endingName(game.record.ending)));
        unsaved.pop_front();
    }
    return true;
}

bool DataCollection::uploadCurrent(SaveProgress& progress) {
    const qint64 time = DataFiles(folder).freeTime(calendarTime());
    record.upload.state = SessionRecord::Upload::State::queued;
    record.upload.server = scoreServer;
    const GameUpload game =
        DataUpload::frame(record.gameId, time, statsLines, infoLines, collectCoordinates, compact(record), progress);
    ServerLink link(progress);
    link.setTrust({scoreServerCertificate});
    DataUpload uploads(folder);
    if (!link.open(scoreServer)) {
        appendLog(QString("The collection server at %1 could not be reached.").arg(scoreServer));
    } else {
        const QList<DataUpload::Sent> results = uploads.send(link.connection(), link.capabilities(), game, progress);
        for (const DataUpload::Sent& sent : results.mid(1)) {
            // A queued game that went: its record says so.
            const QString path = folder.filePath(SessionRecord::fileName(sent.time));
            std::optional<SessionRecord> queuedRecord =
                sent.outcome == DataUpload::Outcome::failed || sent.time <= 0 ? std::nullopt : SessionRecord::read(path);
            if (queuedRecord && queuedRecord->gameId == sent.gameId) {
                queuedRecord->upload.state = sent.outcome == DataUpload::Outcome::confirmed
                                                 ? SessionRecord::Upload::State::confirmed
                                                 : SessionRecord::Upload::State::sentWithoutReceipt;
                queuedRecord->upload.sha256 = sent.digest;
                queuedRecord->upload.receiptStatus = sent.receiptStatus;
                queuedRecord->upload.receiptSha256 = sent.receiptDigest;
                queuedRecord->upload.receiptTime = QDateTime::fromSecsSinceEpoch(calendarTime(), Qt::UTC);
                DataFiles(folder).writeRecord(sent.time, *queuedRecord);
            }
        }
        const DataUpload::Sent& sent = results.front();
        if (sent.outcome != DataUpload::Outcome::failed) {
            const bool confirmed = sent.outcome == DataUpload::Outcome::confirmed;
            record.upload.state = confirmed ? SessionRecord::Upload::State::confirmed
                                            : SessionRecord::Upload::State::sentWithoutReceipt;
            record.upload.sha256 = sent.digest;
            record.upload.receiptStatus = sent.receiptStatus;
            record.upload.receiptSha256 = sent.receiptDigest;
            record.upload.receiptTime = QDateTime::fromSecsSinceEpoch(calendarTime(), Qt::UTC);
            record.files.clear();
            DataFiles(folder).writeRecord(time, record);
            appendLog(confirmed ? "Sent the data of this game to the collection server, which confirmed it."
                                : "Sent the data of this game to the collection server.");
            return true;
        }
        appendLog(QString("The connection to the collection server broke off: %1")
                      .arg(link.connection().errorText().section('\n', 0, 0)));
    }
    // Nothing a player produced is lost: the files now, the server with the next upload.
    const bool queued = uploads.enqueue(game);
    record.upload.sha256 = game.digest(true);
    if (!saveGame(statsLines, infoLines, collectCoordinates, record, progress, time, journal.get())) {
        if (queued) {
            appendLog("The data of this game waits in the upload queue for the next upload that works.");
        }
        return false;
    }
    appendLog(QString("The data of this game is saved to %1 and %2%3.")
                  .arg(DataFiles::statsName(time), DataFiles::infoName(time),
                       queued ? " and goes to the collection server with the next upload that works" : ""));
    return true;
}

bool DataCollection::saveCurrent(SaveProgress& progress) {
    refreshRecord();
    if (journal) {
        journal->addRecord(compact(record));
        journal->close();
    }
    if (mode == upload) {
        return uploadCurrent(progress);
    }
    record.upload = {};
    return saveGame(statsLines, infoLines, collectCoordinates, record, progress, calendarTime(), journal.get());
}

void DataCollection::reportUnsafe() {
    const QString message = "The data of this game could not be saved yet and is not safe on the disk; it is "
                            "kept and saved again with the next game and when the program closes.";
    appendLog(message);
    Notice::show(message);
}

void DataCollection::save() {
    if (mode == off && unsaved.empty()) {
        return;
    }
    if (mode != off) {
        stopAtGameOver();
    }
    try {
        const std::unique_ptr<SaveProgress> progress = progressFactory();
        const bool earlierSaved = saveUnsaved(*progress);
        if (!saveDue) {
            if (!earlierSaved) {
                reportUnsafe();
            }
            return;
        }
        saveFailed = !saveCurrent(*progress);
        saveDue = saveFailed;
        if (!saveFailed) {
            emptyTexts(statsLines);
            emptyTexts(infoLines);
            if (journal) {
                journal->discard();
                journal.reset();
            }
        } else {
            reportUnsafe();
        }
    } catch (const std::exception& error) {
        saveFailed = saveDue;
        appendLog(QString("Saving the data failed: %1").arg(error.what()));
        Notice::show("Exception");
    }
}

void DataCollection::shutdown() {
    stopAndWait();
    if (saveDue && !finished) {
        keepUnsavedGame(SessionRecord::Ending::windowClosed);
    } else if (saveDue) {
        // A game whose save failed is written with the others below.
        keepUnsavedGame(record.ending);
    } else if (journal) {
        journal->discard();
        journal.reset();
    }
    if (!unsaved.empty()) {
        try {
            SilentProgress progress;
            saveUnsaved(progress);
        } catch (const std::exception& error) {
            appendLog(QString("Saving the data failed: %1").arg(error.what()));
        }
    }
    for (const auto& game : unsaved) {
        if (game->journal) {
            game->journal->close();
        }
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
    removeCutOffSaves(folder);
    int recovered = 0;
    const QStringList journals = Journal::leftovers(folder);
    const QMap<QString, qint64> saved = journals.isEmpty() ? QMap<QString, qint64>() : recordsById(folder);
    for (const QString& path : journals) {
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
        std::optional<SessionRecord> journaled = SessionRecord::fromBytes(contents.record);
        if (journaled && filesComplete(folder, journaled->files)) {
            // Killed between its files and its record: the record is all that was missing.
            const qint64 time = journaled->files.first().name.mid(5).chopped(4).toLongLong();
            if (!QFileInfo::exists(folder.filePath(SessionRecord::fileName(time))) &&
                !DataFiles(folder).writeRecord(time, *journaled)) {
                continue;
            }
            QFile::remove(path);
            appendLog(QString("The game in the journal %1 was saved already as %2; its save is complete now.")
                          .arg(name, journaled->files.first().name));
            continue;
        }
        if (!contents.gameId.isEmpty() && saved.contains(contents.gameId)) {
            // Saved (or uploaded) before the journal could go.
            QFile::remove(path);
            appendLog(QString("The game in the journal %1 was saved already; the journal is removed.").arg(name));
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
        if (!contents.afterGame.isEmpty() && info.first() != nullptr) {
            info.first()->text += contents.afterGame;
        }
        SessionRecord record;
        if (journaled) {
            record = std::move(*journaled);
            record.files.clear();
        } else {
            record.gameId = contents.gameId.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces)
                                                      : contents.gameId;
            record.start = QDateTime::fromSecsSinceEpoch(contents.gameTime, Qt::UTC);
        }
        QJsonObject recovery{{"journal", name},
                             {"statsLines", static_cast<int>(contents.stats.size())},
                             {"infoLines", static_cast<int>(contents.info.size())},
                             {"afterGameAnswers", !contents.afterGame.isEmpty()},
                             {"endingBefore", SessionRecord::endingName(record.ending)}};
        record.recovery = recovery;
        record.ending = SessionRecord::Ending::recovered;
        record.upload = {};
        SilentProgress progress;
        const DataFiles::Result result =
            DataFiles(folder).write(contents.gameTime, stats, info, contents.coordinates, "Saving ", progress, &record);
        if (!result.ok()) {
            appendLog(
                QString("The game in the journal %1 could not be recovered; the journal is kept.").arg(name));
            continue;
        }
        QFile::remove(path);
        ++recovered;
        appendLog(
            QString("Recovered the game of %1 from %2 into %3 and %4 (%5 statistics lines, %6 info lines%7); its "
                    "record %8 marks it as recovered.")
                .arg(QDateTime::fromSecsSinceEpoch(contents.gameTime).toString("yyyy-MM-dd hh:mm:ss"), name,
                     DataFiles::statsName(result.time), DataFiles::infoName(result.time))
                .arg(stats.count())
                .arg(info.count())
                .arg(contents.afterGame.isEmpty() ? QString() : QString(", with the after-game answers"))
                .arg(SessionRecord::fileName(result.time)));
    }
    return recovered;
}
