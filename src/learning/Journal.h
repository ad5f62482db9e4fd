#pragma once

#include "core/Runnable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// A running game's lines on disk, so that a crash loses at most the last half second of them. The
// game's threads only append to a buffer; the journal's own thread writes it out, at once after
// a statistics line and otherwise every half second, so no frame ever waits for the disk.
// A write that fails (a full disk, say) is reported once and tried again with the same bytes, the
// file cut back to its last whole record first, so the journal has no gap and no broken record.
// The journal stays locked by its game until it is discarded: another instance never takes it for
// the leftover of a crash. A journal left behind is turned into the usual files at the next start.
class Journal : public Runnable {
public:
    static constexpr int wakeMs = 100;
    static constexpr int wakesPerFlush = 5;

    explicit Journal(QDir folder);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Creates "journal<T>.txt" for the game begun at gameTime (seconds since 1970; T moves on
    // past existing journals) and starts writing. False, with a log line, when it cannot.
    bool open(qint64 gameTime, bool coordinates, const QString& gameId = {});
    // Any thread.
    void addStats(const QByteArray& line);
    void addInfo(const QByteArray& line);
    // Text that a save appends to the first info line (the after-game answers).
    void addAfterGame(const QByteArray& text);
    // The game's session record as it stands; the last one counts.
    void addRecord(const QByteArray& json);
    // Stops the writer and writes what waits down to the disk; the file stays open and locked, so
    // later records still go in. False while some of it could not be written.
    bool close();
    // Closes and removes the file: its game was saved, or is not to be.
    void discard();
    bool isOpen() const;
    // Whether everything added so far is on the disk.
    bool complete() const;
    QString path() const { return file.fileName(); }

    void run() override;

    // What a journal holds; valid is false when it has no valid header.
    struct Contents {
        bool valid = false;
        qint64 gameTime = 0;
        bool coordinates = false;
        QString gameId;
        QList<QByteArray> stats;
        QList<QByteArray> info;
        QByteArray afterGame;
        QByteArray record;
    };
    static Contents read(const QString& path);
    // The journals in folder, left by a run that ended without saving or still being written.
    static QStringList leftovers(const QDir& folder);
    // Holds off every other process from the journal at path; fails while its writer lives.
    static std::unique_ptr<QLockFile> claim(const QString& path);

private:
    void append(char kind, const QByteArray& line);
    bool flush(bool toDisk);

    QDir folder;
    QFile file;
    std::unique_ptr<QLockFile> lock;
    mutable std::mutex fileLock;
    std::mutex bufferLock;
    QByteArray pending;
    // Bytes taken from pending that are not yet on the disk, kept across failed writes.
    QByteArray writing;
    // The file's size after its last whole write.
    qint64 goodSize = 0;
    bool failureReported = false;
    std::atomic<bool> statsWaiting{false};
    std::atomic<bool> allWritten{true};
};
