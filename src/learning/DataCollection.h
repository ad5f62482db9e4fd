#pragma once

#include "learning/DataFiles.h"
#include "learning/Journal.h"
#include "learning/LModule.h"
#include "learning/LineList.h"
#include "records/SessionRecord.h"

#include <QDir>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

class SessionRecorder;
class TabDataCollection;
struct GameUpload;

// The "Data collection" page as a game uses it, read when the game starts.
struct DataCollectionOptions {
    int mode = 0;
    bool collectCoordinates = false;
    int periodMs = 5000;
    // "host[:port]" of the score server's page, for uploads.
    QString scoreServer;
    // The certificate file the server must present over TLS; empty: the system's roots.
    QString scoreServerCertificate;

    static DataCollectionOptions fromPage(const TabDataCollection& page);
};

// Records a game for later analysis: one statistics line per period, written on the module's
// thread, and the info lines (the game's description, then one coordinates line per tick while
// coordinates are collected), written on the window thread. After the game both go to a pair of
// files in the working folder with the game's session record beside them, or to the collection
// server; a game the server does not confirm goes to the files and waits to be sent with the next
// upload. While the game runs everything a save would write also goes to a journal there, so that a
// crash loses nothing. A game cut short by a new game or by closing the window is saved too, with
// that ending in its record.
class DataCollection : public LModule {
public:
    enum Mode { off = 0, upload = 1, saveToFile = 2 };

    using ProgressFactory = std::function<std::unique_ptr<SaveProgress>()>;
    // Seconds since 1970.
    using CalendarTime = std::function<qint64()>;

    explicit DataCollection(QDir folder = QDir::current(), Clock& clock = Clock::program());
    ~DataCollection() override;

    // For tests and tools: the progress window, the calendar and how output files are opened.
    void setProgressFactory(ProgressFactory factory);
    void setCalendarTime(CalendarTime time);
    void setOpener(DataFiles::Opener opener);
    // Replaces the page's score server for every game while not empty (the command line's).
    void setScoreServerOverride(const QString& server);
    // Where the session records come from; without one a record holds only the ids and times.
    void setRecorder(const SessionRecorder* recorder);

    // Window thread, start of a game: stops the loop, takes the options, makes the description
    // lines and an empty line the head of the info lines and starts the loop unless the mode is 0.
    void beginGame(const DataCollectionOptions& options, const QStringList& reportLines);
    // Window thread, while the game is in play.
    void appendInfo(QByteArray line);
    // Game over: no more lines come; the journal stays until the save.
    void stopAtGameOver();
    // The after-game step: the after-game answers go after the first info line, then the save.
    void finishGame(const QString& afterGameAnswers);
    // Writes the lines of this game and of any earlier game whose save failed. Lines whose file
    // fails stay in memory, and their journal on disk, for the next try.
    void save();
    // Window closing: stops the loop, saves a game still running and tries failed saves once more.
    // Data whose save still fails stays in its journal for the next start.
    void shutdown();
    // Start-up: turns the journals a crashed run left in folder into file pairs with records marked
    // as recovered; returns how many.
    static int recoverJournals(const QDir& folder);

    // The id of the current game, empty before the first.
    QString gameId() const { return record.gameId; }

    // Games whose lines wait for a save that works, this one included.
    int unsavedGames() const;

    // Loops begun: once it moves, the period base of the new loop is set and hand-offs count.
    std::atomic<int> loopsBegun{0};
    std::atomic<int> mode{off};
    LineList statsLines;
    bool collectCoordinates = false;
    LineList infoLines;

protected:
    void start() override;
    void onPeriod() override;

private:
    struct UnsavedGame {
        LineList stats;
        LineList info;
        bool coordinates = false;
        SessionRecord record;
        // Locked until the game is saved.
        std::unique_ptr<Journal> journal;
    };
    // Writes the file pair and the record under the first free time from `from` on.
    bool saveGame(LineList& stats, LineList& info, bool coordinates, SessionRecord& record, SaveProgress& progress,
                  qint64 from, Journal* journal);
    // A game that did not reach its save: kept for the next save that works.
    void keepUnsavedGame(SessionRecord::Ending ending);
    bool saveUnsaved(SaveProgress& progress);
    bool saveCurrent(SaveProgress& progress);
    bool uploadCurrent(SaveProgress& progress);
    void refreshRecord();
    void reportUnsafe();

    QDir folder;
    QString scoreServer;
    QString scoreServerCertificate;
    QString scoreServerOverride;
    ProgressFactory progressFactory;
    CalendarTime calendarTime;
    DataFiles::Opener opener;
    const SessionRecorder* recorder = nullptr;
    SessionRecord record;
    std::unique_ptr<Journal> journal;
    // The current game has lines that no save has written yet.
    bool saveDue = false;
    bool saveFailed = false;
    // The current game reached its after-game step.
    bool finished = false;
    std::deque<std::unique_ptr<UnsavedGame>> unsaved;
};
